#pragma once
// The live-aircraft work that the worker's per-second step, its periodic tasks, closing down and the live-traffic
// link ask of the traffic engine: counts, arrivals, the object-id lookup and the callsign list, removals on request,
// the trim to "MAX_LIVE_SEL", the lost link, "ObjectIdList.txt" and the summaries of the names it keeps.
#include "engine/live/lifecycle_hooks.h"
#include "engine/live/safety_removals.h"
#include "engine/live/traffic_engine.h"

namespace hlw {

class EngineLifecycle final : public LifecycleHooks {
public:
    EngineLifecycle(TrafficEngine& engine, SafetyRemovals& safety) : engine_(&engine), safety_(safety) {}
    // For an owner that makes the engine after the link that calls this: attach() before the first call.
    explicit EngineLifecycle(SafetyRemovals& safety) : safety_(safety) {}
    void attach(TrafficEngine& engine) noexcept { engine_ = &engine; }

    // Live aircraft active and not parked, active parked ones, active static ones.
    void refreshCounts(StatusBoard& status) override;
    // The oldest arrival: its slots marked once and its static twin removed.
    void takeArrival() override;
    // The active live aircraft with the callsign; its object becomes the selected one.
    std::optional<uint32_t> objectIdOf(std::string_view callsign) override;
    // Every static aircraft: active ones removed, queued ones withdrawn or removed once created.
    void removeAllStatic() override;
    void fillCallsignList() override;
    void removeGroundAircraftNearUser() override;
    void removeGroundAircraftAheadOfUser() override;
    void checkMovingAgainstParked() override;
    // The active live aircraft with the callsign.
    void removeByCallsign(std::string_view callsign) override;
    void removeStaticTwins() override;
    // Active live aircraft removed; those being added withdrawn, or removed once created.
    void removeForLostLink() override;
    void freeStand(std::string_view stand) override;
    void forgetMatchingNames() override;
    void forgetTitlesPerHexId() override;
    void forgetGhostNames() override;
    void writeObjectIdList() override;
    void logUnmatchedNames() override;
    // The farthest active live aircraft, one per aircraft beyond "MAX_LIVE_SEL".
    void trimToLiveLimit() override;
    void setParkedNavLights(bool on) override;

private:
    // Throws std::logic_error before attach().
    TrafficEngine& engine() const;

    TrafficEngine* engine_ = nullptr;
    SafetyRemovals& safety_;
};

} // namespace hlw
