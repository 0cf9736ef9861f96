#pragma once
// The lines of the TCP link to the live-traffic application, each sent with "\r\n":
//   "Qs999=version"  once after the application connected; it answers with one JSON object ("level", "version")
//   "Qs121=pitch;bank;heading;altitude;groundspeed;lat;lon"  the user aircraft once per second: pitch and bank in
//       1/100000 rad and the altitude in 1/1000 ft as whole numbers, the true heading, latitude and longitude in
//       radians with 6 decimals, the ground speed in 1/1000 kt as the shortest text that reads back as the same
//       double (so 100 kt is 1e+05)
//   "Qs123=ms"  the simulator's UTC time in milliseconds, at level 2
//   "exit"  when the program closes the link
#include "engine/base/user_aircraft_fix.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

inline constexpr std::string_view versionRequestLine = "Qs999=version";
inline constexpr std::string_view exitLine = "exit";
// The version reply is read up to this many bytes.
inline constexpr std::size_t maxVersionReplyBytes = 16383;
inline constexpr std::size_t maxEditionTextCharacters = 40;

// The "Qs121=" line of the user aircraft; none while it stands within 0.0001 degrees of 0, 0 or while any value
// is not finite.
std::optional<std::string> gf_userPositionLine(const UserAircraftFix& user);
// The "Qs123=" line of a simulator time; none below 1 s and beyond the year 3000.
std::optional<std::string> gf_simTimeLine(int64_t utcSeconds);

struct VersionReply {
    // The reply was not empty.
    bool received = false;
    // Level 2: the simulator time is sent.
    bool simTime = false;
    // "RT {} edition: {}" with "prof" at level 2, else "stnd", and the version (at most 40 characters in all);
    // empty when the reply is no object.
    std::string editionText;
    // The log line of a reply that is no JSON: "lf_processRTVersion: JSON parse failed: {}".
    std::string problem;
};

// A missing or non-integer "level" counts as 0, a missing or non-text "version" as "unknown".
VersionReply gf_readVersionReply(std::string_view reply);

} // namespace hlw
