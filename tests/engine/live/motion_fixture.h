#pragma once
// The live-aircraft bench of LiveFixture with the program's motion and the fixture airport behind the parking
// port: aircraft built with their category's performance values, the QNH the motion reads, and helpers that run
// the per-tick motion.
#include "live_fixture.h"
#include "stand_fixture.h"

#include "engine/intake/traffic_readers.h"
#include "engine/live/live_motion.h"

#include <vector>

namespace hlw::test {

class QnhReaders final : public TrafficReaders {
  public:
    int32_t qnh() const override { return hpa; }
    int32_t hpa = 1013;
};

// The category's performance values as a new aircraft takes them (without the random variation), a half wing span
// typical of the category, static CG 8 ft and static pitch 0.7 degrees as the simulator reports them.
void gf_setPerformance(FlightRecord& flight, AircraftCategory category);

class MotionFixture : public LiveFixture {
  protected:
    // An active aircraft of the category and phase at the stream's front, with its performance values.
    LiveAircraft& active(AircraftCategory category, MovementPhase phase, std::vector<PositionRecord> stream);
    // The motion step, ticks times, the engine tick counting on.
    void step(LiveAircraft& aircraft, int32_t ticks);

    StandFixture airport;
    QnhReaders readers;
    LiveMotion motion{readers};
    LiveContext live{state, commands, airport, services, motion, time};
};

} // namespace hlw::test
