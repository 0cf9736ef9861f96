#pragma once
// What the simulator reported about the program's objects, applied by the engine at the start of every tick (and
// while no flight runs): created objects are bound to their records (an airborne live one is moved from then on)
// and configured 200 ticks later, removed objects
// finish their records, touchdowns and static CGs update the aircraft, failed creations refuse their livery.
//
// The reply mutex is held for the whole application by a scoped lock, so that an exception (error 81 of the 20th
// refused livery) leaves it free for the simulator client thread. A deferred reply whose aircraft is gone when it
// matures, or whose object was reported removed, is dropped: a reused hex id never binds a dead object.
#include "engine/live/live_context.h"
#include "engine/sim/sim_replies.h"
#include "engine/sim/sim_requests.h"

#include <cstdint>
#include <vector>

namespace hlw {

class ReplyApplication {
public:
    // A created object is configured this many ticks after its creation reply; a live one toggles its lights at
    // the two marks before.
    static constexpr int32_t configureAfterTicks = 200;
    static constexpr int32_t lightToggleTicks[2] = {50, 100};

    // Applies and empties the reply queue, then advances the deferred replies.
    void apply(LiveContext& context, SimReplyQueue& replies, SimRequests& sim);

    const std::vector<SimReply>& deferred() const noexcept { return deferred_; }
    void reserve() { deferred_.reserve(128); }
    void clear() { deferred_.clear(); }

private:
    void applyOne(LiveContext& context, SimRequests& sim, const SimReply& reply);
    void onLiveCreated(LiveContext& context, const SimReply& reply);
    void onObjectRemoved(LiveContext& context, uint32_t objectId);
    void onCreateFailed(LiveContext& context, uint32_t hexId);
    void parkCreatedObjects(LiveContext& context);
    // True when the reply is done (configured or stale).
    bool configureStatic(LiveContext& context, const SimReply& reply);
    bool configureLive(LiveContext& context, const SimReply& reply);

    std::vector<SimReply> deferred_;
};

// The simulator's on-ground report of an object: ground mode, a touchdown with its spoilers and settling, the
// height above ground and the altitude on the ground; a bound object created on the ground becomes active with it
// once its static CG height is known.
void gf_applyOnGroundStatus(LiveContext& context, SimRequests& sim, LiveAircraft& aircraft, const SimReply& reply);
// The static CG height (1 to 35 ft, else kept) and static pitch (-1 to 2.5 degrees, else 0.7 degrees).
void gf_applyStaticCg(FlightRecord& flight, double heightFt, double pitchRad) noexcept;

} // namespace hlw
