#include "traffic_feed/injections.h"

#include "core/string_helpers.h"
#include "traffic_feed/traffic_line.h"

#include <fmt/format.h>

namespace hlw::feed {

namespace {

std::string lf_joinFields(const std::vector<std::string_view>& fields)
{
    return fmt::format("{}", fmt::join(fields, ","));
}

std::string lf_withField(const std::string& line, std::size_t index, const std::string& value)
{
    std::vector<std::string_view> fields = gf_splitAt(line, ',');
    fields.at(index) = value;
    return lf_joinFields(fields);
}

} // namespace

std::string gf_qnhDatagram(const std::string& value)
{
    return fmt::format("{{\"QNH\":{}}}", value);
}

std::vector<std::string> gf_qnhVariantDatagrams()
{
    return {gf_qnhDatagram("1013"),
            gf_qnhDatagram("1013.6"),
            gf_qnhDatagram("2992"),
            gf_qnhDatagram("850"),
            gf_qnhDatagram("\"1009\""),
            gf_qnhDatagram("\"abc\""),
            "{}",
            gf_qnhDatagram("null"),
            "QNH=1013",
            gf_qnhDatagram("true"),
            R"({"QNH":1011,"station":"EHAM","age":12})",
            gf_qnhDatagram("[]")};
}

std::string gf_validSampleLine(GeoPoint centre, double timestamp)
{
    AircraftIdentity identity;
    identity.hexId = 4735190;
    identity.callsign = "SWR123";
    identity.type = "A320";
    identity.registration = "HB-JLT";
    identity.origin = "LHR";
    identity.destination = "ZRH";
    AircraftState state;
    state.position = gf_destination(centre, 45.0, 2.0);
    state.altitudeFt = 5000;
    state.verticalFpm = -700;
    state.trackDeg = 137.5;
    state.headingDeg = 140.2;
    state.groundSpeedKt = 220;
    state.rollDeg = -2.5;
    return gf_formatTrafficLine(identity, state, timestamp);
}

std::vector<std::string> gf_badTrafficLines(GeoPoint centre, double timestamp)
{
    const std::string base = gf_validSampleLine(centre, timestamp);
    std::vector<std::string> lines;
    const auto add = [&](std::size_t index, const std::string& value) { lines.push_back(lf_withField(base, index, value)); };
    lines.push_back(lf_withField(lf_withField(base, 2, "0.00005"), 3, "-0.00005")); // "invalid lalo"
    add(2, "91.5");          // latitude out of range
    add(1, "1234abc");       // read as 1234: a static-aircraft number, dropped silently
    add(1, "abc");           // "hexid incorrect"
    add(1, "99999999999");   // above 4294967295
    add(12, "EGLL");         // a 4-letter route code drops the line
    add(13, "Z-H");          // not letters or digits
    add(10, "null");         // no type
    add(28, "C2");           // emitter category of a ground obstacle
    add(9, "AIRPORT1");      // blocked callsign
    add(9, "ERARMTR1");
    add(8, "fast");          // ground speed not a number
    add(4, "high");          // altitude not a number
    add(7, "x12");           // track not a number
    add(20, "+5");           // '+' is not accepted
    add(25, "400");          // true heading above 360
    add(11, "PH-ABCDEFGHIJK"); // registration longer than 12
    add(14, "soon");         // timestamp not a number
    std::vector<std::string_view> fields = gf_splitAt(base, ',');
    fields.resize(20);
    lines.push_back(lf_joinFields(fields)); // fewer than 29 fields
    lines.push_back("");
    lines.push_back(",,,,,,,,,,,,,,,,,,,,,,,,,,,,");
    lines.push_back(std::string("TFC,\xff\xfe\x80,garbage\x01,\x7f"));
    return lines;
}

std::string gf_vehicleLine(GeoPoint centre, double timestamp)
{
    AircraftIdentity identity;
    identity.hexId = 5000123;
    identity.callsign = "FOLLOWME";
    identity.type = "GRND VEH";
    identity.category = "C1";
    AircraftState state;
    state.position = gf_destination(centre, 90.0, 0.5);
    state.groundSpeedKt = 12;
    state.onGround = true;
    return gf_formatTrafficLine(identity, state, timestamp);
}

std::string gf_oversizeLine(GeoPoint centre, double timestamp, std::size_t size)
{
    std::string line = gf_validSampleLine(centre, timestamp);
    if (line.size() < size) {
        line.append(size - line.size(), ' ');
    }
    return line;
}

std::string gf_burstLine(int index, GeoPoint centre, double timestamp)
{
    AircraftIdentity identity;
    identity.hexId = 9000000u + static_cast<std::uint32_t>(index);
    identity.callsign = fmt::format("BRS{}", 1000 + index % 9000);
    identity.type = "A320";
    identity.registration = fmt::format("N{}BR", 100 + index % 900);
    AircraftState state;
    state.position = gf_destination(centre, (index * 37) % 360, 1.0 + (index % 20));
    state.altitudeFt = 3000 + (index % 30) * 1000;
    state.trackDeg = (index * 53) % 360;
    state.headingDeg = state.trackDeg;
    state.groundSpeedKt = 250 + index % 150;
    return gf_formatTrafficLine(identity, state, timestamp);
}

} // namespace hlw::feed
