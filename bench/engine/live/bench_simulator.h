#pragma once
// The simulator of the engine benchmarks, in process, answering as the simulator client thread hands its answers
// to the engine: each frame (between two ticks) it takes what the tick queued; a creation becomes an object with
// its "created" reply (live or static by the hex id), a removal is answered with "removed", an asked static CG with
// 8 ft and 0.7 degrees, and the aircraft-in-range request with an on-ground report of each live object no higher
// than 2500 ft above the ground (the flat ground of the park airport). The user aircraft stands at a fixed place.
#include "core/geodesy.h"
#include "engine/sim/sim_commands.h"
#include "engine/sim/sim_replies.h"
#include "engine/sim/sim_requests.h"

#include <cstdint>
#include <vector>

namespace hlw::bench {

class BenchSimulator final : public SimRequests {
  public:
    BenchSimulator(SimCommandQueues& commands, SimReplyQueue& replies, const LatLon& user, double groundFt);

    bool requestAircraftInRange(uint32_t radiusMeters) override;
    std::optional<UserAircraftFix> requestUserPosition() override { return user_; }
    bool requestStaticCg(uint32_t objectId) override;
    bool setSpoilersThrottle(uint32_t, SpoilersThrottleData) override { return true; }
    bool assignFlightPlan(uint32_t, const std::string&) override { return true; }

    // One frame: the queued commands taken and answered.
    void frame();

    std::size_t objectCount() const noexcept { return objectCount_; }
    uint64_t positionsTaken() const noexcept { return positionsTaken_; }

  private:
    struct Object {
        bool exists = false;
        bool isStatic = false;
        double altitudeFt = 0.0;
    };
    static constexpr uint32_t firstObjectId = 1000;

    Object* find(uint32_t objectId);

    SimCommandQueues& commands_;
    SimReplyQueue& replies_;
    UserAircraftFix user_;
    double groundFt_;
    QueuedCommands taken_;
    std::vector<Object> objects_; // by object id - firstObjectId
    std::vector<uint32_t> cgAsked_;
    bool inRangeAsked_ = false;
    std::size_t objectCount_ = 0;
    uint64_t positionsTaken_ = 0;
};

} // namespace hlw::bench
