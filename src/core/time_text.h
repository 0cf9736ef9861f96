#pragma once
// UTC time texts in one fixed 24-character layout ("Sat Dec 05 19:04:12 2026") and the pieces cut from it.
#include <cstdint>
#include <string>

namespace hlw {

// The time text, or "Invalid time" for a negative time or one after the year 3000.
std::string gf_timeToString(int64_t secondsSince1970);

} // namespace hlw
