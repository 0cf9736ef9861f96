#pragma once
// What the live-aircraft code asks of the engine around it: room for a new aircraft, flight plans, the static-CG
// request and the reset of the callsign list.
#include "engine/live/engine_links.h"
#include "engine/live/live_context.h"

namespace hlw {

class EngineServices final : public LiveServices {
public:
    EngineServices(LiveEngineState& state, const EngineLinks& links, MotionSteps& motion)
        : state_(state), links_(links), motion_(motion)
    {
    }

    // Removes the farthest active aircraft beyond distanceNm + 0.1 nm.
    bool makeRoomFor(double distanceNm) override;
    // Writes the plan; with MSFS 2020 it is assigned to the object too. A failure is logged with the aircraft and
    // leaves no file behind.
    bool createFlightPlan(uint32_t objectId, const FlightRecord& flight) override;
    // A deletion that fails is logged as "gf_removeFlightPlan: {}".
    void deleteFlightPlan(uint32_t objectId) override;
    void requestStaticCg(uint32_t objectId) override { links_.sim.requestStaticCg(objectId); }
    void setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) override
    {
        links_.sim.setSpoilersThrottle(objectId, data);
    }
    // The air table of the ahead test against the user aircraft as last reported.
    bool aheadOfAirborneUser(const LiveAircraft& aircraft) override;
    void resetCallsignList() override;

private:
    LiveContext context() { return {state_, links_.commands, links_.parking, *this, motion_, links_.time}; }

    LiveEngineState& state_;
    const EngineLinks& links_;
    MotionSteps& motion_;
};

} // namespace hlw
