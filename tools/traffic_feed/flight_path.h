#pragma once
// A flight of the scenario and its movement: straight or turning great-circle flight, taxi and push-back legs
// towards a point, and holds, integrated in small steps.
#include "traffic_feed/feed_geo.h"
#include "traffic_feed/traffic_line.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace hlw::feed {

enum class LegKind { fly, taxi, push, hold, approach };

struct Leg {
    LegKind kind = LegKind::fly;
    double seconds = 0.0;                    // fly and hold
    GeoPoint target;                         // taxi, push and approach (the runway threshold)
    std::optional<double> turnDegPerS;       // fly: positive turns right
    std::optional<double> groundSpeedKt;     // fly, taxi, push, approach
    std::optional<double> verticalFpm;       // fly
    std::optional<double> trackDeg;          // fly
};

struct FlightSpec {
    AircraftIdentity identity;
    std::optional<GeoPoint> start;    // absolute start; otherwise bearing and distance from the traffic centre
    double bearingDeg = 0.0;
    double distanceNm = 0.0;
    double altitudeFt = 0.0;
    double trackDeg = 0.0;
    double groundSpeedKt = 0.0;
    double verticalFpm = 0.0;
    double turnDegPerS = 0.0;
    double elevationFt = 0.0;         // ground level for taxi, push and hold, and the floor of a descent
    double startTime = 0.0;           // seconds after the feed start
    std::optional<double> endTime;    // no more samples after this
    double intervalMin = 3.0;         // seconds between samples, drawn from [min, max]
    double intervalMax = 3.0;
    std::vector<double> sampleTimes;  // the first samples at these seconds after the start (0 first), then interval
    std::optional<std::uint32_t> twinHexId; // every sample also sent under this hex id
    // Imperfect data: each sample's position moved by up to this many metres in a random direction; the ground
    // speed sent as it was this many seconds earlier (drawn for each sample up to speedLagMaxSeconds when that is
    // larger); no samples within the gaps (feed seconds); every n-th sample sent twice; every n-th sample held back
    // and sent after the next one, with its own older timestamp (0 = never).
    double noiseMetres = 0.0;
    double speedLagSeconds = 0.0;
    double speedLagMaxSeconds = 0.0;
    std::vector<std::pair<double, double>> gaps;
    int duplicateEvery = 0;
    int lateEvery = 0;
    std::vector<Leg> legs;            // empty: fly straight (or turn) with the start values until the end
};

class FlightPath {
public:
    FlightPath(const FlightSpec& spec, GeoPoint centre);

    // Moves the aircraft on by seconds.
    void advance(double seconds);
    const AircraftState& state() const noexcept { return state_; }
    // Every leg is flown (never for a flight without legs).
    bool finished() const noexcept { return finished_; }

private:
    void startLeg(const Leg& leg);
    void flyStep(double step);
    void moveStep(double step, bool backwards);
    // Straight toward the threshold on a 3 degree glide path, on the ground at the threshold.
    void approachStep(double step);

    std::vector<Leg> legs_;
    double elevationFt_;
    AircraftState state_;
    double turnDegPerS_ = 0.0;
    std::size_t legIndex_ = 0;
    bool legStarted_ = false;
    double legTime_ = 0.0;
    double legLength_ = 0.0;
    bool finished_ = false;
};

// The shortest time between two samples that the receiving program accepts as a new position of a state
// like this one (plus a small margin): more than 1 s; 450 m at the ground speed above 120 kt in the air;
// 20 m at the ground speed, at most 15 s, below 30 kt on the ground.
double gf_minimumSampleInterval(const AircraftState& state);

} // namespace hlw::feed
