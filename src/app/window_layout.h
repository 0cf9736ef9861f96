#pragma once
// The main window's fixed geometry and colours. Colours are the program's 0x00BBGGRR values.
#include "platform/ui/colour.h"
#include "platform/ui/geometry.h"
#include "settings/control_services.h"

namespace hlw {

inline constexpr int32_t clientWidth = 880;
// The bands end at 476.
inline constexpr int32_t clientHeight = 476;

inline constexpr ui::Colour red = 0x0000FF;
inline constexpr ui::Colour lightBlue = 0xFFCC99;
inline constexpr ui::Colour black = 0x000000;
inline constexpr ui::Colour green = 0x32CD32;
inline constexpr ui::Colour yellow = 0x00FFFF;
inline constexpr ui::Colour grey = 0xA0A0A0;
inline constexpr ui::Colour white = 0xFFFFFF;

// The five bands from top to bottom; the status band and the settings panel are settings/control_services.h's.
inline constexpr ui::Rect headerBandRect{0, 0, clientWidth, 28};
inline constexpr ui::Rect parkingBandRect{0, 392, clientWidth, 448};
inline constexpr ui::Rect messageBandRect{0, 448, clientWidth, clientHeight};
inline constexpr ui::Rect clientRect{0, 0, clientWidth, clientHeight};

} // namespace hlw
