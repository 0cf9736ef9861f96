#pragma once
// The airports database: position, elevation and stand count of every airport the program may meet, keyed by
// its ICAO code. Read once per program run from "input/airports.enc" on the worker during start-up and only
// read afterwards, without a lock, from the worker and the threads it starts. Records are handed out as
// pointers into the table, which stays put until the next install (tests) or the end of the run.
#include "core/fixed_code.h"
#include "core/geodesy.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace hlw {

// The error code of an airports database that cannot be read (decryption, XML, structure, an invalid ICAO code).
inline constexpr int airportsReadErrorCode = 88;

// The IATA code of an airport that has none: "XXX".
const FixedCode<3>& gf_noIataCode() noexcept;

struct AirportRecord {
    AirportCode icao;
    FixedCode<3> iata = gf_noIataCode();
    double lat = 0.0;  // degrees, north positive
    double lon = 0.0;  // degrees, east positive
    float elevation = 0.0F;  // feet
    int32_t stands = 0;  // known park positions; 1 or more means the airport has stands

    LatLon position() const noexcept { return {lat, lon}; }
};

// 64-bit FNV-1a over the four characters of a code; the empty code hashes as four blanks.
struct AirportCodeHash {
    std::size_t operator()(const AirportCode& code) const noexcept;
};
using AirportCodeSet = std::unordered_set<AirportCode, AirportCodeHash>;

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

// Makes the records the table (sorted by ICAO code, records of one code in the given order) and its index,
// and marks the database read. Used by the reader after a complete read, and by tests.
void gf_installAirports(std::vector<AirportRecord> records);
// Empties the table and the index and clears the read mark.
void gf_clearAirports() noexcept;
// True once a read or an install has completed.
bool gf_airportsRead() noexcept;

// The whole table in ICAO order.
std::span<const AirportRecord> gf_airports() noexcept;
// The first record of the code in table order, or nullptr.
const AirportRecord* gf_findAirport(const AirportCode& icao) noexcept;
bool gf_isKnownAirport(const AirportCode& icao) noexcept;

// The airport within 5.0 nm closest to the position (of equal distances the first in table order), or nullptr.
// When an earlier candidate of the walk in table order (the "neighbour") was passed over for it, the parking
// layer is asked for the closest stand of both (closest_stand_port.h), and the neighbour wins only when its
// stand is strictly nearer. "No stand" is 100 nm for both, so the candidate wins without airport files.
const AirportRecord* gf_closestAirport(const LatLon& position);

struct AirportInText {
    AirportCode code;  // empty when nothing was found
    bool found = false;
};

// Finds an airport code in a package name or path: every run of exactly four letters or digits (compared
// upper-cased) with no letter or digit next to it, from the left. The first such token that is supported and a
// known airport is returned; otherwise the last supported token, known or not; found is false when no token is
// supported.
AirportInText gf_airportCodeInText(std::string_view text, const AirportCodeSet& supported);

// "EHAM (AMS)", or the ICAO code alone for an airport without IATA code; "?" for an empty ICAO code.
std::string gf_airportText(const AirportRecord& record);

} // namespace hlw
