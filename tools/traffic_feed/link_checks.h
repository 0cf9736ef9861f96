#pragma once
// Checks of the lines the program sends on the link, field by field, as the live-traffic application reads them.
//   "Qs121=pitch;bank;heading;altitude;groundspeed;lat;lon": pitch and bank in 1/100000 rad and the altitude in
//   1/1000 ft as whole numbers (never "-0"), heading, lat and lon in radians with exactly 6 decimals, the ground
//   speed in 1/1000 kt as the shortest text that reads back as the same double.
//   "Qs123=ms": UTC milliseconds of the simulator time, a whole number of seconds, at least 1 s.
#include "traffic_feed/feed_geo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hlw::feed {

struct UserReport {
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double altitudeFt = 0.0;
    double groundSpeedKt = 0.0;
    GeoPoint position; // degrees
};

struct LineCheck {
    bool ok = false;
    std::string problem;              // empty when ok
    std::optional<UserReport> report; // Qs121 only
    std::int64_t milliseconds = 0;    // Qs123 only
};

// line without its "\r\n".
LineCheck gf_checkQs121(std::string_view line);
LineCheck gf_checkQs123(std::string_view line);

// The shortest text that reads back as value (std::to_chars without a format).
std::string gf_shortestText(double value);

} // namespace hlw::feed
