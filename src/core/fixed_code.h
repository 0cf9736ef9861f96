#pragma once
// Fixed-length codes of upper-case letters and digits: FixedCode<4> for airport ICAO codes, FixedCode<3> for
// IATA airport codes and route codes. A default-constructed code (all bytes zero) is the empty code.
#include "core/string_helpers.h"

#include <fmt/format.h>

#include <array>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hlw {

template <std::size_t N>
class FixedCode {
public:
    constexpr FixedCode() = default;

    // Lower-case letters are upper-cased; any other length or character throws std::invalid_argument
    // "'{}' FixedCode: invalid string (length/charset)" naming the whole given text.
    explicit FixedCode(std::string_view text)
    {
        if (text.size() != N) {
            throwInvalid(text);
        }
        for (std::size_t i = 0; i < N; ++i) {
            const char c = gf_toUpperChar(text[i]);
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
                throwInvalid(text);
            }
            bytes_[i] = c;
        }
    }

    // Never throws: false instead of an exception, for callers that skip bad codes.
    static bool isValid(std::string_view text) noexcept
    {
        if (text.size() != N) {
            return false;
        }
        for (const char c : text) {
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            if (!letter && !(c >= '0' && c <= '9')) {
                return false;
            }
        }
        return true;
    }

    constexpr bool empty() const noexcept { return bytes_[0] == '\0'; }
    // The N characters; the empty code gives an empty text.
    std::string_view view() const noexcept { return empty() ? std::string_view{} : std::string_view(bytes_.data(), N); }
    std::string str() const { return std::string(view()); }

    friend constexpr bool operator==(const FixedCode&, const FixedCode&) = default;
    friend constexpr auto operator<=>(const FixedCode&, const FixedCode&) = default;

private:
    [[noreturn]] static void throwInvalid(std::string_view text)
    {
        throw std::invalid_argument(fmt::format("'{}' FixedCode: invalid string (length/charset)", text));
    }

    std::array<char, N> bytes_{};
};

using AirportCode = FixedCode<4>;
using RouteCode = FixedCode<3>;

} // namespace hlw

template <std::size_t N>
struct std::hash<hlw::FixedCode<N>> {
    std::size_t operator()(const hlw::FixedCode<N>& code) const noexcept
    {
        return std::hash<std::string_view>{}(code.view());
    }
};

template <std::size_t N>
struct fmt::formatter<hlw::FixedCode<N>> : fmt::formatter<std::string_view> {
    auto format(const hlw::FixedCode<N>& code, fmt::format_context& context) const
    {
        return fmt::formatter<std::string_view>::format(code.view(), context);
    }
};
