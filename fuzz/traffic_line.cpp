// The traffic line parser: whatever the datagram, an accepted line gives a record whose every number is finite and
// within its field's range, whose texts fit their bounds, and whose timestamp was reported; a refused line names
// a reason, and only a field error carries a message. The heard callsign is a view into the datagram.
#include "fuzz_check.h"

#include "engine/intake/traffic_line_parser.h"

#include <cmath>
#include <numbers>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    using fuzz::check;
    const std::string_view datagram = fuzz::asText(data, size);
    static TrafficLineParser parser;
    TrafficRecord record;
    IntakeFilter filter;
    filter.rangeCentre = {47.4582, 8.5555};
    filter.rangeNm = 1.0e6;
    // One input runs both with and without a park airport near the filter centre.
    for (const bool parkAirport : {false, true}) {
        if (parkAirport) {
            filter.parkAirport = ParkAirportFix{{47.4582, 8.5555}, 1416.0};
        }
        const LineResult result = parser.parse(datagram, filter, 1000, record);
        check(fuzz::isInside(result.heardCallsign, datagram), "the heard callsign is a view into the datagram");
        check(result.heardCallsign.size() <= maxCallsignLength, "a heard callsign has at most 8 characters");
        check(result.error.empty() == (result.drop != LineDrop::fieldError), "only a field error has a message");
        if (result.timestamp) {
            check(*result.timestamp >= earliestTimestamp && *result.timestamp <= latestAcceptedTimestamp,
                  "a reported timestamp is within 2000 ... 2100");
        }
        if (!result.accepted()) {
            check(result.drop < LineDrop::repeated, "the parser names one of its own reasons");
            continue;
        }
        const PositionRecord& position = record.position;
        check(result.timestamp == record.timestamp, "an accepted line reported its timestamp");
        check(record.hexId > staticHexIdLimit, "an accepted hex id is above the static numbers");
        check(std::abs(position.latitude) <= 90.0 && std::abs(position.longitude) <= 180.0,
              "the position is on the globe");
        check(position.altitudeFt >= 0.0 && position.altitudeFt <= 100000.0, "the altitude is within its range");
        check((position.altitudeFt > 0.0) == (position.airborne != 0), "airborne means above 0 ft");
        check(position.groundSpeedKt >= 0.0 && position.groundSpeedKt <= 2000.0,
              "the ground speed is within its range");
        check(position.trueAirspeedKt >= 0.0 && position.trueAirspeedKt <= 2000.0, "the airspeed is within its range");
        check(std::abs(position.verticalSpeedFpm) <= 50000.0, "the vertical speed is within its range");
        check(position.trackDeg >= 0.0 && position.trackDeg <= 360.0, "the track is within 0 ... 360");
        check(!position.bankRad || std::abs(*position.bankRad) <= std::numbers::pi, "the bank is within a half turn");
        check(!position.trueHeadingRad ||
                  (*position.trueHeadingRad > 0.0 && *position.trueHeadingRad <= 2.0 * std::numbers::pi),
              "the true heading is within 0 ... 2 pi");
        check(position.airborne != 0 || !position.bankRad, "no bank on the ground");
        check(position.airborne != 0 || parkAirport, "ground traffic only near a park airport");
        check(position.dueTick == 4000, "due 3000 ticks after reception");
        check(record.head.callsign.size() <= maxCallsignLength, "a callsign has at most 8 characters");
        check(record.head.registration.size() <= maxRegistrationLength, "a registration has at most 12 characters");
        check(!record.head.callsign.empty() || !record.head.registration.empty(),
              "a record has a callsign or a registration");
    }
    return 0;
}
