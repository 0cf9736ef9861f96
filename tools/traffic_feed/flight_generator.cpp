#include "traffic_feed/flight_generator.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <set>

namespace hlw::feed {

namespace {

const std::vector<std::string> kDefaultAirlines{"KLM", "DLH", "BAW", "EZY", "AFR", "SAS", "UAE", "TRA"};
const std::vector<std::string> kDefaultTypes{"A320", "B738", "A321", "E190", "A20N", "B38M", "A333", "B77W"};
const std::set<std::string> kHeavyTypes{"A332", "A333", "A359", "A388", "B744", "B763", "B772", "B77W", "B788", "B789"};
constexpr double kLongSeconds = 1e7;

double lf_uniform(std::mt19937& random, double low, double high)
{
    return std::uniform_real_distribution<double>(low, high)(random);
}

const std::string& lf_pick(std::mt19937& random, const std::vector<std::string>& items)
{
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
}

std::string lf_registration(std::mt19937& random, const std::string& prefix)
{
    const auto letter = [&random] { return static_cast<char>('A' + std::uniform_int_distribution<int>(0, 25)(random)); };
    if (!prefix.empty() && prefix.back() == '-') {
        return prefix + letter() + letter() + letter();
    }
    return fmt::format("{}{}{}{}", prefix, std::uniform_int_distribution<int>(100, 999)(random), letter(), letter());
}

} // namespace

std::vector<FlightSpec> gf_generateFlights(const GenerateSpec& spec, std::uint32_t firstHexId, std::mt19937& random)
{
    const std::vector<std::string>& airlines = spec.airlines.empty() ? kDefaultAirlines : spec.airlines;
    const std::vector<std::string>& types = spec.types.empty() ? kDefaultTypes : spec.types;
    std::vector<FlightSpec> flights;
    for (int i = 0; i < spec.count; ++i) {
        FlightSpec flight;
        flight.identity.hexId = firstHexId + static_cast<std::uint32_t>(i);
        flight.identity.callsign =
            fmt::format("{}{}", lf_pick(random, airlines), std::uniform_int_distribution<int>(1, 9999)(random));
        flight.identity.type = lf_pick(random, types);
        flight.identity.registration = lf_registration(random, spec.registrationPrefix);
        flight.identity.category = kHeavyTypes.count(flight.identity.type) != 0 ? "A5" : "A3";
        flight.bearingDeg = lf_uniform(random, 0.0, 360.0);
        flight.distanceNm = lf_uniform(random, 0.2, std::max(0.3, spec.radiusNm));
        flight.altitudeFt = std::round(lf_uniform(random, 2500.0, 39000.0) / 100.0) * 100.0;
        // Ground speed by altitude: approach, climb and descent, cruise.
        if (flight.altitudeFt < 10000.0) {
            flight.groundSpeedKt = lf_uniform(random, 180.0, 250.0);
        } else if (flight.altitudeFt < 20000.0) {
            flight.groundSpeedKt = lf_uniform(random, 280.0, 360.0);
        } else {
            flight.groundSpeedKt = lf_uniform(random, 380.0, 490.0);
        }
        flight.trackDeg = lf_uniform(random, 0.0, 360.0);
        flight.startTime = spec.start + lf_uniform(random, 0.0, std::min(spec.intervalMax, 5.0));
        flight.endTime = spec.end;
        flight.intervalMin = spec.intervalMin;
        flight.intervalMax = spec.intervalMax;
        // Some climb or descend for the first minutes (a descent only from high enough to stay well above the
        // ground), half of them turn for 30 to 90 s; then every one flies level and straight.
        const double verticalChoice = lf_uniform(random, 0.0, 1.0);
        if (verticalChoice > 0.8 || (verticalChoice > 0.6 && flight.altitudeFt > 9000.0)) {
            flight.verticalFpm = std::round(lf_uniform(random, 500.0, 1500.0)) * (verticalChoice > 0.8 ? 1.0 : -1.0);
        }
        const bool turning = lf_uniform(random, 0.0, 1.0) < 0.5;
        const double rate = lf_uniform(random, 0.5, 2.0) * (lf_uniform(random, 0.0, 1.0) < 0.5 ? -1.0 : 1.0);
        flight.legs.push_back({LegKind::fly, lf_uniform(random, 10.0, 120.0), {}, 0.0, {}, {}, {}});
        flight.legs.push_back({LegKind::fly, lf_uniform(random, 30.0, 90.0), {}, turning ? rate : 0.0, {}, {}, {}});
        flight.legs.push_back({LegKind::fly, kLongSeconds, {}, 0.0, {}, 0.0, {}});
        flights.push_back(std::move(flight));
    }
    return flights;
}

} // namespace hlw::feed
