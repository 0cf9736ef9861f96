#pragma once
// Reading "airports.enc": decrypted to "airports.xml" beside it, parsed into a table of its own, and installed
// only when the whole file has been read, so a failed read never leaves a half-filled table behind.
#include <filesystem>

namespace hlw {

// Reads "input/airports.enc" (relative to the program folder) once per run; later calls return at once.
// True when the table holds at least one airport. The plain copy "airports.xml" beside the sealed file is
// removed on every way out. Throws UserErrorException 88 with "{} stream decrypt failed" (the sealed path)
// when the file is missing or cannot be decrypted, "{} not loaded: {}" (plain path, parser's description) for
// text that is not well-formed XML, "Missing <airports> root in: {}" without "root"/"airports", and the code's
// own error text for an "ap" without a valid ICAO code. After a failure the table is empty and the next call
// reads again. One airport with a missing or invalid position, elevation, stand count or IATA code is logged
// and skipped.
bool gf_readAirports();
// The same for a sealed file elsewhere (tests, benchmarks).
bool gf_readAirports(const std::filesystem::path& sealedPath);

} // namespace hlw
