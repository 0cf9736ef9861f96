#pragma once
// The traffic engine: the live and static aircraft of the worker and the 10 ms engine tick that moves them. One
// tick, in this order:
//   1. the simulator's replies (engine/reply_application.h);
//   2. every live aircraft's update, then the records to erase swept out keeping the order of the others;
//   3. the tick's AI positions handed to the simulator client thread, or dropped when its mutex is busy;
//   4. pacing: one removal every 10 ticks; every 50 ticks one live creation, else one static creation and one
//      static placement by the parking port;
//   5. the intake of at most 2 received traffic records;
//   6. the newest hex id on the adding stack turned into a creation request;
//   7. every 20 ticks the aircraft-in-range request, every 100 ticks the user position to the live-traffic
//      application and the user position snapshot refreshed;
//   8. tick + 1, published to the traffic reader, which stamps received positions 3000 ticks later.
// The tick never waits: the position hand-over is a try-lock, the intake holds no lock while it works and the link
// sends without blocking.
#include "engine/live/engine_links.h"
#include "engine/live/engine_services.h"
#include "engine/live/engine_tick.h"
#include "engine/live/live_context.h"
#include "engine/live/reply_application.h"

#include <cstdint>

namespace hlw {

class TrafficEngine final : public EngineTick {
public:
    static constexpr int32_t removalEveryTicks = 10;
    static constexpr int32_t creationEveryTicks = 50;
    static constexpr int32_t inRangeEveryTicks = 20;
    static constexpr int32_t userPositionEveryTicks = 100;
    static constexpr int intakePerTick = 2;

    TrafficEngine(EngineLinks links, MotionSteps& motion);

    void tick() override;
    void applySimReplies() override;
    void reserve() override;
    void reset() override;

    LiveEngineState& state() noexcept { return state_; }
    const ReplyApplication& replies() const noexcept { return replies_; }
    const EngineLinks& links() const noexcept { return links_; }
    LiveContext context() { return {state_, links_.commands, links_.parking, services_, motion_, links_.time}; }

    // The tick's steps, for the benchmark's shares.
    void updateLiveAircraft(LiveContext& live);
    void publishPositions();
    void paceSimRequests();
    void takeTraffic(LiveContext& live);
    void requestFromAddingStack();
    void requestAcInRange();

private:
    const EngineLinks links_;
    MotionSteps& motion_;
    LiveEngineState state_;
    EngineServices services_{state_, links_, motion_};
    ReplyApplication replies_;
};

} // namespace hlw
