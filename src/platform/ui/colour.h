#pragma once
// Colours as the program gives them: 0x00BBGGRR, red in the lowest byte. Back ends convert them with gf_rgbOf.
#include <cstdint>

namespace hlw::ui {

using Colour = uint32_t;

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The top byte is ignored.
constexpr Rgb gf_rgbOf(Colour colour) noexcept
{
    return {static_cast<uint8_t>(colour & 0xFFU), static_cast<uint8_t>((colour >> 8U) & 0xFFU),
            static_cast<uint8_t>((colour >> 16U) & 0xFFU)};
}

} // namespace hlw::ui
