#pragma once
// One traffic datagram of the live-traffic application into a TrafficRecord, or the reason it is refused.
//
// The datagram is one line of comma-separated fields (field 0 first): 1 hex id (decimal), 2 latitude,
// 3 longitude, 4 altitude ft, 5 vertical speed ft/min, 7 track, 8 ground speed kt, 9 callsign, 10 type designator,
// 11 registration, 12 origin, 13 destination, 14 timestamp (seconds since 1970), 17 data source, 20 true airspeed
// kt, 23 roll deg, 25 true heading deg, 28 emitter category; "null" means none for the texts. A number is read from
// the start of its field (std::from_chars, general format); every number must be finite and within the range of
// its field, or the line fails with that field's error text.
//
// The checks run in a fixed order, so the first fault of a line decides its fate. A line whose timestamp was
// accepted reports it even when a later check refuses the line.
#include "engine/intake/intake_filter.h"
#include "records/flight_record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

// Why a traffic datagram did not become a queued record. The parser gives the reasons up to airborneOnly; the
// reader adds the last three.
enum class LineDrop : uint8_t {
    none,             // accepted
    vehicle,          // " VEH" anywhere in the datagram
    shortLine,        // fewer than 29 fields
    fieldError,       // a field that is no number, not finite or out of its range, or no route code: logged
    outOfRange,       // farther than "RANGE" from the range-filter centre
    longRegistration, // more than 12 characters
    notAircraft,      // a type or emitter category of something that is no aircraft
    implausibleModel, // a type that is no model code (2 to 4 upper-case letters or digits)
    staticHexId,      // a hex id of at most 10000, the numbers of static aircraft
    blockedCallsign,  // "ERARMTR1", "AIRPORT1", "00000000"
    noIdentification, // neither callsign nor registration
    groundAway,       // on the ground, and not within 5 nm of the active park airport
    airborneOnly,     // "AIRBORNE_ONLY" is on and the aircraft is not 150 ft above the park airport
    repeated,         // the same datagram again (reader on every interface)
    oversize,         // a datagram that filled the receive buffer
    notRunning,       // traffic was not running, so nothing was queued
};
inline constexpr std::size_t lineDropCount = 16;

// "vehicle", "short line", "field error", ... as the reader's summary prints them.
std::string_view gf_lineDropName(LineDrop drop) noexcept;

struct LineResult {
    LineDrop drop = LineDrop::none;
    // For a field error: the message logged after "exception in processLineSub: ".
    std::string error;
    // The line's timestamp, once it passed its check.
    std::optional<double> timestamp;
    // The callsign that a parking adjustment collects, once the line came that far; a view into the datagram.
    std::string_view heardCallsign;

    bool accepted() const noexcept { return drop == LineDrop::none; }
};

// The ground bands of the reader: a report this high above or below the ground at this ground speed is on the
// ground: within 42 ft up to 120 kt, 84 ft up to 80 kt, 108 ft up to 43 kt.
bool gf_withinGroundBand(double heightFt, double groundSpeedKt) noexcept;

inline constexpr std::size_t trafficFieldCount = 29;
// Received positions are reached this many engine ticks (30 s) after their reception.
inline constexpr int32_t positionDelayTicks = 3000;
// Timestamps outside 2000-01-01 ... 2100-01-01 are refused.
inline constexpr double earliestTimestamp = 946684800.0;
inline constexpr double latestAcceptedTimestamp = 4102444800.0;

class TrafficLineParser {
public:
    // Parses the datagram against the filter snapshot. An accepted line fills record (every field set anew), due
    // engineTick + positionDelayTicks. The model code of a plausible type is interned (refdata/code_table.h).
    LineResult parse(std::string_view datagram, const IntakeFilter& filter, int32_t engineTick, TrafficRecord& record);

private:
    // The fields of the current datagram; a 30th field holds the rest of a longer line and is never read.
    std::array<std::string_view, trafficFieldCount + 1> fields_;
    std::size_t fieldCount_ = 0;
};

} // namespace hlw
