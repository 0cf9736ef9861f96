#pragma once
// A path as UTF-8 text for the livery readers' own log lines, which must never fail.
#include <filesystem>
#include <string>

namespace hlw {

// The path's bytes with every sequence that is not valid UTF-8 replaced by U+FFFD.
std::string gf_lossyPathText(const std::filesystem::path& path);

} // namespace hlw
