#pragma once
// The live traffic of the engine benchmarks around the park airport, as the traffic feed would send it: flights in
// cruise with long turns, circling flights, climbs and descents, arrivals on a runway west of the stands (approach,
// flare, roll-out, taxi to a free stand, parked there), aircraft taxiing round the apron and aircraft parked at
// free stands. Each flight sends a datagram every 2 to 5 s.
#include "core/geodesy.h"
#include "traffic_feed/flight_path.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace hlw::bench {

// The hex id of the first flight; the others follow one apart.
inline constexpr uint32_t firstHexId = 0x400000;

enum class FlightKind { cruise, circling, climbDescent, arrival, taxi, parked };

struct BenchFlight {
    FlightKind kind = FlightKind::cruise;
    feed::FlightSpec spec;
};

// The share of each kind in a traffic of count flights; parked and arrival flights need a free stand each.
struct TrafficMix {
    int cruise = 0;
    int circling = 0;
    int climbDescent = 0;
    int arrivals = 0;
    int taxi = 0;
    int parked = 0;

    static TrafficMix of(int count);
    int standsNeeded() const { return arrivals + parked; }
};

// The flights of the mix around the airport's reference point, the arrivals and parked flights each at one of the
// free stands (which must hold standsNeeded() of them).
std::vector<BenchFlight> gf_benchFlights(const TrafficMix& mix, const LatLon& airport,
                                         const std::vector<LatLon>& freeStands, uint32_t seed);

// The flights that send datagrams: each with its path and the time of its next datagram.
class FlightSender {
  public:
    FlightSender(std::vector<BenchFlight> flights, const LatLon& airport, uint32_t seed);

    // The datagram lines due by simulated time seconds (in time order per flight); the timestamp of each is
    // epochSeconds + its time.
    void due(double seconds, double epochSeconds, std::vector<std::string>& lines);
    const std::vector<BenchFlight>& flights() const noexcept { return flights_; }

  private:
    std::vector<BenchFlight> flights_;
    std::vector<feed::FlightPath> paths_;
    std::vector<double> next_;
    std::vector<double> at_;
    std::mt19937 random_;
};

} // namespace hlw::bench
