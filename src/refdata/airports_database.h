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

// "EHAM (AMS)", or the ICAO code alone for an airport without IATA code; "?" for an empty ICAO code.
std::string gf_airportText(const AirportRecord& record);

} // namespace hlw
