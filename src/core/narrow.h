#pragma once
// Checked conversion of a rounded floating-point value to an integer type. A value that does not fit (out of
// range, infinite or NaN) throws gsl::narrowing_error ("narrowing_error") before any cast happens, so no
// undefined conversion is ever evaluated.
#include <gsl/narrow>

#include <cmath>
#include <concepts>
#include <limits>

namespace hlw {

template <std::integral T> T gf_narrowRounded(double value)
{
    const double rounded = std::round(value);
    // Both bounds are powers of two (or zero), so they are exact doubles: min <= r < max + 1.
    constexpr double lowest = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double aboveHighest = 2.0 * static_cast<double>(std::numeric_limits<T>::max() / 2 + 1);
    if (!(rounded >= lowest && rounded < aboveHighest)) {
        throw gsl::narrowing_error();
    }
    return static_cast<T>(rounded);
}

} // namespace hlw
