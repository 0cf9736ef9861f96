#pragma once
// The livery step of the start-up, and the sample flights the main job matches against the livery tables
// until the traffic engine brings live aircraft.
#include <filesystem>
#include <string>
#include <vector>

namespace hlw {

// Makes the output folders, lets "RANDOM" govern the random choices, runs the livery scan when "SCAN_LIVERIES"
// is on or "output/LiveriesScanned.xml" is missing, and builds every livery table (catalogue, registration
// codes with the sealed AIG file and the user's lists, similar models) from that file once per program run.
// Returns the summary lines for the console. After a stop request nothing is built. The scan's user errors and
// the reader's errors (UserErrorException 52, 533, 999 and 51 for a damaged file) pass through.
std::vector<std::string> gf_runLiveryStartUp();

// Matches every flight of the file and returns one line per flight with the chosen title, then the counts per
// matching step; the matching summary goes to the log. A line is "callsign airline operator model cargo
// registration" separated by blanks, "-" for an empty field, "#" starting a comment; a malformed line is
// logged and skipped. A file that cannot be read gives a single line saying so.
std::vector<std::string> gf_matchSampleFlights(const std::filesystem::path& file);

} // namespace hlw
