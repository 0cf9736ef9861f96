#pragma once
// Sample flights matched against the livery tables: a file of flights, one per line, and the title each gets.
#include <filesystem>
#include <string>
#include <vector>

namespace hlw {

// Matches every flight of the file and returns one line per flight with the chosen title, then the counts per
// matching step; the matching summary goes to the log. A line is "callsign airline operator model cargo
// registration" separated by blanks, "-" for an empty field, "#" starting a comment; a malformed line is
// logged and skipped. A file that cannot be read gives a single line saying so.
std::vector<std::string> gf_matchSampleFlights(const std::filesystem::path& file);

} // namespace hlw
