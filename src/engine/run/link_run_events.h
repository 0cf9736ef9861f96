#pragma once
// The traffic run's answer to the live-traffic link (engine/link_events.h): the user aircraft from the simulator
// link, the readers' reset and the removals for a lost link by the live aircraft's own rule.
#include "engine/intake/traffic_readers.h"
#include "engine/link/link_events.h"
#include "engine/live/lifecycle_hooks.h"
#include "engine/sim/sim_link.h"

namespace hlw {

class LinkRunEvents final : public LinkEvents {
public:
    LinkRunEvents(SimLink& sim, TrafficReaders& readers, LifecycleHooks& lifecycle)
        : sim_(sim), readers_(readers), lifecycle_(lifecycle)
    {
    }

    UserAircraftFix userAircraft() const override { return sim_.userAircraft(); }
    void resetReaders() override { readers_.resetState(); }
    void removeLiveAircraft() override { lifecycle_.removeForLostLink(); }

private:
    SimLink& sim_;
    TrafficReaders& readers_;
    LifecycleHooks& lifecycle_;
};

} // namespace hlw
