#pragma once
// The traffic datagram: one line of 29 comma-separated fields, as the live-traffic application sends it.
//  0 tag            1 hex id (ICAO address in decimal)   2 latitude   3 longitude   4 altitude ft
//  5 vertical ft/min 7 track deg   8 ground speed kt   9 callsign   10 type designator   11 registration
// 12 origin (3 chars) 13 destination   14 timestamp (s since 1970)   17 data source   20 true airspeed kt
// 23 roll deg   25 true heading deg   28 ADS-B emitter category; every other field is empty.
#include "traffic_feed/feed_geo.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hlw::feed {

inline constexpr int kTrafficFieldCount = 29;
inline constexpr int kTimestampField = 14;

struct AircraftIdentity {
    std::uint32_t hexId = 0;
    std::string callsign;     // empty: "null"
    std::string type;         // ICAO type designator
    std::string registration; // empty: "null"
    std::string origin;       // 3-letter code, empty: "null"
    std::string destination;
    std::string source = "adsb_icao";
    std::string category = "A3";
    bool tasUnknown = false; // send -1 (not reported) as true airspeed
};

struct AircraftState {
    GeoPoint position;
    double altitudeFt = 0.0;
    double verticalFpm = 0.0;
    double trackDeg = 0.0;
    double headingDeg = 0.0;
    double groundSpeedKt = 0.0;
    double rollDeg = 0.0; // positive: right wing down
    bool onGround = false;
};

// Seconds since 1970 with two decimals.
std::string gf_formatTimestamp(double secondsSince1970);

std::string gf_formatTrafficLine(const AircraftIdentity& identity, const AircraftState& state, double timestamp);

// The line with field 14 replaced by timestamp, when that field exists and starts with a number; any other line
// (a deliberately broken one, a QNH datagram) is returned unchanged.
std::string gf_restampLine(std::string_view line, double timestamp);

} // namespace hlw::feed
