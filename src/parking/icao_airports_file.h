#pragma once
// "input/ICAO_airports.txt": the airport codes the add-on airports scan looks for in package and file names,
// separated by ',' over any number of lines. The file is edited by hand, so every token is trimmed of blanks,
// tabs and carriage returns, empty tokens are skipped, and a token that is no 4-character code is logged and
// skipped.
#include "refdata/airports_database.h"

#include <cstddef>
#include <filesystem>

namespace hlw {

// The list is a few thousand codes; a larger file is refused.
inline constexpr std::size_t icaoAirportsMaxBytes = 4U << 20U;
// The error code of a list that cannot be read.
inline constexpr int icaoAirportsErrorCode = 522;

// The codes of the file (duplicates collapse), with the log line "{} ICAO codes of airports read". Throws
// UserErrorException 522 "File '{}' is missing?" when the file cannot be opened, and with the reason when it
// cannot be read or is too large.
AirportCodeSet gf_readIcaoAirports(const std::filesystem::path& path);

} // namespace hlw
