#pragma once
#include <string_view>

namespace hlw {

// True when other is text followed by exactly one "*" (a title marked with a star); false when they are equal.
bool gf_equalsWithStar(std::string_view text, std::string_view other);

} // namespace hlw
