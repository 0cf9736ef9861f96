#include "bench_flights.h"

#include "traffic_feed/traffic_line.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace hlw::bench {

namespace {

constexpr double metresPerNm = 1852.0;
constexpr double glideFtPerNm = 318.4; // 3 degrees
constexpr double longSeconds = 1e7;

// Airline and type pairs that the sample livery tables hold.
constexpr std::array<std::pair<const char*, const char*>, 9> fleet = {{{"KLM", "B738"},
                                                                       {"BAW", "A320"},
                                                                       {"EZY", "A320"},
                                                                       {"DLH", "A320"},
                                                                       {"RYR", "B738"},
                                                                       {"KLM", "B789"},
                                                                       {"BAW", "B772"},
                                                                       {"AFR", "A319"},
                                                                       {"KLC", "E190"}}};

feed::GeoPoint lf_point(const LatLon& at)
{
    return {at.lat, at.lon};
}

feed::GeoPoint lf_offset(const LatLon& from, double northMetres, double eastMetres)
{
    const feed::GeoPoint north =
        feed::gf_destination(lf_point(from), northMetres >= 0 ? 0.0 : 180.0, std::abs(northMetres) / metresPerNm);
    return feed::gf_destination(north, eastMetres >= 0 ? 90.0 : 270.0, std::abs(eastMetres) / metresPerNm);
}

class Maker {
  public:
    Maker(const LatLon& airport, uint32_t seed) : airport_(airport), random_(seed) {}

    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
    double side() { return uniform(0.0, 1.0) < 0.5 ? -1.0 : 1.0; }

    feed::FlightSpec base(int index)
    {
        feed::FlightSpec spec;
        const auto& [airline, type] = fleet[static_cast<std::size_t>(index) % fleet.size()];
        spec.identity.hexId = firstHexId + static_cast<uint32_t>(index);
        spec.identity.callsign = fmt::format("{}{}", airline, 100 + index);
        spec.identity.type = type;
        spec.identity.registration =
            fmt::format("PH-{}{}{}", char('A' + index % 26), char('A' + index / 26 % 26), char('A' + index / 676 % 26));
        if (index % 2 == 0) {
            spec.identity.origin = "LHR";
            spec.identity.destination = "AMS";
        }
        spec.identity.category = std::string(type) == "B789" || std::string(type) == "B772" ? "A5" : "A3";
        spec.startTime = uniform(0.0, 5.0);
        spec.intervalMin = 2.0;
        spec.intervalMax = 5.0;
        return spec;
    }

    // Racetracks: straight for 60 to 120 s, then a half circle at 1 degree per second, always to the same side.
    feed::FlightSpec cruise(int index)
    {
        feed::FlightSpec spec = airborne(index, 2.0, 12.0);
        spec.altitudeFt = std::round(uniform(24000.0, 38000.0) / 100.0) * 100.0;
        spec.groundSpeedKt = uniform(400.0, 480.0);
        const double turn = side();
        for (int leg = 0; leg < 20; ++leg) {
            spec.legs.push_back({feed::LegKind::fly, uniform(60.0, 120.0), {}, 0.0, {}, {}, {}});
            spec.legs.push_back({feed::LegKind::fly, 180.0, {}, turn, {}, {}, {}});
        }
        return spec;
    }

    feed::FlightSpec circling(int index)
    {
        feed::FlightSpec spec = airborne(index, 2.0, 15.0);
        spec.altitudeFt = std::round(uniform(4000.0, 15000.0) / 100.0) * 100.0;
        spec.groundSpeedKt = uniform(200.0, 300.0);
        spec.turnDegPerS = side() * uniform(1.0, 3.0);
        return spec;
    }

    // Racetracks of 90 s straight and a half circle in 120 s, climbing round one and descending round the next.
    feed::FlightSpec climbDescent(int index)
    {
        feed::FlightSpec spec = airborne(index, 2.0, 12.0);
        spec.altitudeFt = std::round(uniform(8000.0, 16000.0) / 100.0) * 100.0;
        spec.groundSpeedKt = uniform(250.0, 320.0);
        const double rate = uniform(800.0, 1500.0);
        const double turn = side() * 1.5;
        for (int leg = 0; leg < 40; ++leg) {
            const double vertical = leg % 4 < 2 ? rate : -rate;
            spec.legs.push_back({feed::LegKind::fly, 90.0, {}, 0.0, {}, vertical, {}});
            spec.legs.push_back({feed::LegKind::fly, 120.0, {}, turn, {}, vertical, {}});
        }
        return spec;
    }

    // Touchdown 80 to 640 s after the start, on the runway 2 km south and 1.5 km west of the reference point.
    feed::FlightSpec arrival(int index, const LatLon& stand)
    {
        feed::FlightSpec spec = base(index);
        const feed::GeoPoint threshold = lf_offset(airport_, -2000.0, -1500.0);
        const double distanceNm = uniform(3.0, 25.0);
        spec.start = feed::gf_destination(threshold, 180.0, distanceNm);
        spec.altitudeFt = distanceNm * glideFtPerNm;
        spec.groundSpeedKt = 140.0;
        spec.trackDeg = 0.0;
        const auto taxi = [](feed::GeoPoint target, double knots) {
            return feed::Leg{feed::LegKind::taxi, 0.0, target, {}, knots, {}, {}};
        };
        const LatLon at{threshold.lat, threshold.lon};
        spec.legs.push_back({feed::LegKind::approach, 0.0, threshold, {}, 140.0, {}, {}});
        spec.legs.push_back(taxi(lf_offset(at, 800.0, 0.0), 110.0));
        spec.legs.push_back(taxi(lf_offset(at, 1200.0, 0.0), 60.0));
        spec.legs.push_back(taxi(lf_offset(at, 1400.0, 0.0), 25.0));
        const feed::GeoPoint exit = lf_offset(at, 1400.0, 150.0);
        spec.legs.push_back(taxi(exit, 15.0));
        spec.legs.push_back(taxi({stand.lat, exit.lon}, 18.0));
        spec.legs.push_back(taxi(lf_offset(stand, -60.0, 0.0), 15.0));
        spec.legs.push_back(taxi(lf_point(stand), 5.0));
        spec.legs.push_back({feed::LegKind::hold, longSeconds, {}, {}, {}, {}, {}});
        return spec;
    }

    // Round a rectangle of its own on the apron south-east of the stands.
    feed::FlightSpec taxi(int index)
    {
        feed::FlightSpec spec = base(index);
        const feed::GeoPoint start = lf_offset(airport_, uniform(-1500.0, 0.0), uniform(0.0, 2500.0));
        const LatLon corner{start.lat, start.lon};
        const std::array<feed::GeoPoint, 4> loop = {lf_point(corner), lf_offset(corner, 0.0, 300.0),
                                                    lf_offset(corner, 200.0, 300.0), lf_offset(corner, 200.0, 0.0)};
        spec.start = loop[0];
        spec.groundSpeedKt = uniform(12.0, 20.0);
        for (int leg = 0; leg < 200; ++leg) {
            spec.legs.push_back({feed::LegKind::taxi,
                                 0.0,
                                 loop[static_cast<std::size_t>(leg + 1) % loop.size()],
                                 {},
                                 spec.groundSpeedKt,
                                 {},
                                 {}});
        }
        return spec;
    }

    feed::FlightSpec parked(int index, const LatLon& stand)
    {
        feed::FlightSpec spec = base(index);
        spec.start = lf_point(stand);
        spec.legs.push_back({feed::LegKind::hold, longSeconds, {}, {}, {}, {}, {}});
        return spec;
    }

  private:
    feed::FlightSpec airborne(int index, double minNm, double maxNm)
    {
        feed::FlightSpec spec = base(index);
        spec.start = feed::gf_destination(lf_point(airport_), uniform(0.0, 360.0), uniform(minNm, maxNm));
        spec.trackDeg = uniform(0.0, 360.0);
        return spec;
    }

    LatLon airport_;
    std::mt19937 random_;
};

} // namespace

TrafficMix TrafficMix::of(int count)
{
    TrafficMix mix;
    mix.cruise = count * 30 / 100;
    mix.circling = count * 20 / 100;
    mix.climbDescent = count * 10 / 100;
    mix.arrivals = count * 16 / 100;
    mix.taxi = count * 10 / 100;
    mix.parked = count - mix.cruise - mix.circling - mix.climbDescent - mix.arrivals - mix.taxi;
    return mix;
}

std::vector<BenchFlight> gf_benchFlights(const TrafficMix& mix, const LatLon& airport,
                                         const std::vector<LatLon>& freeStands, uint32_t seed)
{
    if (freeStands.size() < static_cast<std::size_t>(mix.standsNeeded())) {
        throw std::runtime_error(
            fmt::format("{} free stands for {} flights at stands", freeStands.size(), mix.standsNeeded()));
    }
    Maker make(airport, seed);
    std::vector<BenchFlight> flights;
    int index = 0;
    std::size_t stand = 0;
    const auto add = [&flights, &index](FlightKind kind, int count, const auto& build) {
        for (int i = 0; i < count; ++i, ++index) {
            flights.push_back({kind, build(index)});
        }
    };
    add(FlightKind::cruise, mix.cruise, [&make](int i) { return make.cruise(i); });
    add(FlightKind::circling, mix.circling, [&make](int i) { return make.circling(i); });
    add(FlightKind::climbDescent, mix.climbDescent, [&make](int i) { return make.climbDescent(i); });
    add(FlightKind::arrival, mix.arrivals, [&](int i) { return make.arrival(i, freeStands[stand++]); });
    add(FlightKind::taxi, mix.taxi, [&make](int i) { return make.taxi(i); });
    add(FlightKind::parked, mix.parked, [&](int i) { return make.parked(i, freeStands[stand++]); });
    return flights;
}

FlightSender::FlightSender(std::vector<BenchFlight> flights, const LatLon& airport, uint32_t seed)
    : flights_(std::move(flights)), random_(seed)
{
    for (const BenchFlight& flight : flights_) {
        paths_.emplace_back(flight.spec, lf_point(airport));
        next_.push_back(flight.spec.startTime);
        at_.push_back(0.0);
    }
}

void FlightSender::due(double seconds, double epochSeconds, std::vector<std::string>& lines)
{
    for (std::size_t i = 0; i < flights_.size(); ++i) {
        const feed::FlightSpec& spec = flights_[i].spec;
        while (next_[i] <= seconds) {
            paths_[i].advance(next_[i] - at_[i]);
            at_[i] = next_[i];
            lines.push_back(feed::gf_formatTrafficLine(spec.identity, paths_[i].state(), epochSeconds + next_[i]));
            next_[i] += std::uniform_real_distribution<double>(spec.intervalMin, spec.intervalMax)(random_);
        }
    }
}

} // namespace hlw::bench
