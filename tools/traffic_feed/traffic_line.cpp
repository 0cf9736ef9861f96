#include "traffic_feed/traffic_line.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <vector>

namespace hlw::feed {

namespace {

std::string_view lf_orNull(const std::string& text)
{
    return text.empty() ? std::string_view("null") : std::string_view(text);
}

} // namespace

std::string gf_formatTimestamp(double secondsSince1970)
{
    return fmt::format("{:.2f}", secondsSince1970);
}

std::string gf_formatTrafficLine(const AircraftIdentity& identity, const AircraftState& state, double timestamp)
{
    std::vector<std::string> fields(kTrafficFieldCount);
    fields[0] = "TFC";
    fields[1] = std::to_string(identity.hexId);
    fields[2] = fmt::format("{:.5f}", state.position.lat);
    fields[3] = fmt::format("{:.5f}", state.position.lon);
    fields[4] = fmt::format("{:.0f}", state.altitudeFt);
    fields[5] = fmt::format("{:.0f}", state.verticalFpm);
    fields[7] = fmt::format("{:.1f}", gf_normaliseDeg(state.trackDeg));
    fields[8] = fmt::format("{:.0f}", state.groundSpeedKt);
    fields[9] = std::string(lf_orNull(identity.callsign));
    fields[10] = identity.type;
    fields[11] = std::string(lf_orNull(identity.registration));
    fields[12] = std::string(lf_orNull(identity.origin));
    fields[13] = std::string(lf_orNull(identity.destination));
    fields[kTimestampField] = gf_formatTimestamp(timestamp);
    fields[17] = identity.source;
    fields[20] = identity.tasUnknown || state.onGround ? "-1" : fmt::format("{:.0f}", state.groundSpeedKt);
    fields[23] = state.onGround ? "0" : fmt::format("{:.1f}", state.rollDeg);
    fields[25] = fmt::format("{:.1f}", gf_normaliseDeg(state.headingDeg));
    fields[28] = identity.category;
    return fmt::format("{}", fmt::join(fields, ","));
}

std::string gf_restampLine(std::string_view line, double timestamp)
{
    std::size_t start = 0;
    for (int field = 0; field < kTimestampField; ++field) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            return std::string(line);
        }
        start = comma + 1;
    }
    const std::size_t end = std::min(line.find(',', start), line.size());
    const std::string_view old = line.substr(start, end - start);
    double value = 0.0;
    const auto [rest, error] = std::from_chars(old.data(), old.data() + old.size(), value);
    if (error != std::errc() || rest == old.data()) {
        return std::string(line);
    }
    std::string result(line.substr(0, start));
    result += gf_formatTimestamp(timestamp);
    result += line.substr(end);
    return result;
}

} // namespace hlw::feed
