#pragma once
// The live aircraft without a worker: a fresh engine state that takes timed traffic records and runs tick by tick
// in simulated time (100 ticks per simulated second, no wall time), with a small tick of its own around the live
// code: the simulator's replies (binding a created object, moving an airborne one at once and a ground one 200
// ticks later, removals, on-ground reports, static CG, refused creations), every aircraft's update and the sweep
// of erased records, the positions handed to the simulator, removals every 10 ticks and one creation every 50
// ticks, at most two records taken per tick, and the adding stack turned into creation requests. Every sent
// AiPositionUpdate is kept.
//
// The simulator is whatever drains the command queues and fills the reply queue: the in-process FakeSimulator, or
// the real simulator client thread against the stand-in.
#include "engine/intake/traffic_readers.h"
#include "engine/live/live_context.h"
#include "engine/live/live_motion.h"
#include "engine/sim/sim_replies.h"
#include "engine/sim/sim_requests.h"
#include "live_fixture.h"
#include "support/fake_steady_time.h"
#include "support/straight_motion.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

// A traffic record that reaches the engine at its arrival tick; its position is due 3000 ticks later.
struct TimedRecord {
    int32_t arrivalTick = 0;
    TrafficRecord record;
};

// Traffic readers that receive nothing and report a QNH the test sets.
class FixedQnh final : public TrafficReaders {
public:
    int32_t qnh() const override { return hpa; }
    int32_t hpa = 1013;
};

// The simulator requests of the reply application: the touchdown's spoiler data is kept, the rest answered.
class DriverSimRequests final : public SimRequests {
public:
    bool requestAircraftInRange(uint32_t) override { return true; }
    std::optional<UserAircraftFix> requestUserPosition() override { return std::nullopt; }
    bool requestStaticCg(uint32_t) override { return true; }
    bool setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) override
    {
        spoilerData.emplace_back(objectId, data);
        return true;
    }
    bool assignFlightPlan(uint32_t, const std::string&) override { return true; }

    std::vector<std::pair<uint32_t, SpoilersThrottleData>> spoilerData;
};

struct SentPosition {
    int32_t tick = 0;
    AiPositionUpdate update;
};

class HeadlessDriver {
public:
    HeadlessDriver(SimCommandQueues& commands, SimReplyQueue& replies);
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

    // Records in arrival order; they join those scheduled before.
    void schedule(const std::vector<TimedRecord>& records);
    // One tick; the hooks run around it.
    void tick();
    void runTicks(int32_t count);
    // Runs until no aircraft and no scheduled record are left, or the tick limit.
    void runUntilEmpty(int32_t maxTicks);

    // Runs before every tick (the checker's snapshot) and after it (the simulator's frame, the checks).
    std::function<void()> beforeTick;
    std::function<void()> afterTick;

    LiveEngineState state;
    RecordingParking parking;
    // The parking port the live code uses; the recording one unless a test sets another before the first tick.
    ParkingPort* parkingPort = &parking;
    RecordingServices recordingServices;
    // The services the live code uses; the recording ones unless a test sets others before the first tick.
    LiveServices* services = &recordingServices;
    DriverSimRequests simRequests;
    // The simulator requests of the reply application; the recording ones unless a test sets others.
    SimRequests* sim = &simRequests;
    // The QNH the motion reads.
    FixedQnh qnh;
    LiveMotion liveMotion{qnh};
    StraightMotion straight;
    // The motion the aircraft move by; the program's motion unless a test sets another before the first tick.
    MotionSteps* motion = &liveMotion;
    FakeSteadyTime time;
    std::vector<SentPosition> sent;
    // Creations handed to the simulator, for the checks of a run.
    std::vector<AiCreateRequest> handedCreations;

    LiveContext context();

private:
    void applyReplies(LiveContext& live);
    void applyReply(LiveContext& live, const SimReply& reply);
    void configureDeferred(LiveContext& live);
    void intake(LiveContext& live, const TrafficRecord& record);
    void paceRequests();
    void turnAddingStackIntoRequest();

    SimCommandQueues& commands_;
    SimReplyQueue& replies_;
    std::deque<TimedRecord> scheduled_;
    std::vector<SimReply> deferred_;
};

} // namespace hlw::test
