#pragma once
#include <string_view>

namespace hlw {

inline constexpr std::string_view productName = "Hollowmere";
// The running program's version; VersionData parses it where a comparison is needed.
inline constexpr std::string_view programVersionText = "12.5.1";
inline constexpr std::string_view simulatorsText = "MSFS 2020/2024";

} // namespace hlw
