#pragma once
// The program's own text files: written whole, each line ending in a single line feed, no byte order mark,
// through a temporary file that replaces the target only when every byte reached the disk.
#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// The text followed by one line feed. False on any failure (logged); the old file then stays untouched.
bool gf_writeText(std::string_view text, const std::filesystem::path& path);
// Every element followed by one line feed; an empty list gives an empty file. False as above.
bool gf_writeLine(const std::vector<std::string>& lines, const std::filesystem::path& path);
bool gf_writeLine(const std::list<std::string>& lines, const std::filesystem::path& path);

} // namespace hlw
