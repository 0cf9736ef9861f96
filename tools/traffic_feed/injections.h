#pragma once
// Datagrams that test how the receiving program copes: malformed and refused traffic lines, ground vehicles,
// oversized datagrams, bursts, and the QNH variants.
#include "traffic_feed/feed_geo.h"

#include <string>
#include <vector>

namespace hlw::feed {

// {"QNH":value}, value being JSON text as written (1013, 1013.6, "1009", null ...).
std::string gf_qnhDatagram(const std::string& value);

// Each datagram that the QNH reader must handle, in a fixed order: integer, float, hundredths of inHg, too low,
// string, bad string, missing member, null, not JSON, boolean, extra members, array.
std::vector<std::string> gf_qnhVariantDatagrams();

// A well-formed line of an airborne aircraft near centre; the base of the bad lines.
std::string gf_validSampleLine(GeoPoint centre, double timestamp);

// Lines the program must drop (with or without a log line) without harm: bad position, hex ids, route codes,
// types, emitter category, blocked callsign, unreadable numbers, long registration, too few fields, empty.
std::vector<std::string> gf_badTrafficLines(GeoPoint centre, double timestamp);

// A line of a ground vehicle (it contains " VEH").
std::string gf_vehicleLine(GeoPoint centre, double timestamp);

// One traffic datagram of size bytes: a valid line padded with trailing blanks in its last field.
std::string gf_oversizeLine(GeoPoint centre, double timestamp, std::size_t size);

// Line number index of a burst: a distinct airborne aircraft near centre.
std::string gf_burstLine(int index, GeoPoint centre, double timestamp);

} // namespace hlw::feed
