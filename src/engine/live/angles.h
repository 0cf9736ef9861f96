#pragma once
// Angle helpers of the aircraft motion (radians unless the name says degrees).
#include <cmath>
#include <numbers>

namespace hlw {

inline constexpr double twoPi = 2.0 * std::numbers::pi;
inline constexpr double radPerDeg = std::numbers::pi / 180.0;
inline constexpr double degPerRad = 180.0 / std::numbers::pi;

// Into [-pi, pi].
inline double gf_normalisePlusMinusPi(double angle) noexcept
{
    angle = std::remainder(angle, twoPi);
    return angle;
}

// Into [0, 2 pi); a value within 1e-12 below 2 pi becomes 0.
inline double gf_normaliseTwoPi(double angle) noexcept
{
    angle = std::fmod(angle, twoPi);
    if (angle < 0.0) {
        angle += twoPi;
    }
    return angle > twoPi - 1e-12 ? 0.0 : angle;
}

// The size of the difference of two angles, 0 .. pi.
inline double gf_angleBetween(double a, double b) noexcept
{
    return std::abs(gf_normalisePlusMinusPi(a - b));
}

} // namespace hlw
