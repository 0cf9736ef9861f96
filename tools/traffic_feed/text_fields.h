#pragma once
// Cutting a line into its separated fields.
#include <string>
#include <string_view>
#include <vector>

namespace hlw::feed {

// Every field between separators, empty ones included: n separators give n + 1 fields ("" gives one).
std::vector<std::string> gf_splitFields(std::string_view text, char separator);

} // namespace hlw::feed
