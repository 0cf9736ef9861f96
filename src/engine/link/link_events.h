#pragma once
// What the live-traffic link needs of the parts around it: the user aircraft it sends on, and what follows when the
// application connects or goes away. The link knows neither the readers, the simulator link nor the live aircraft;
// the traffic run implements this on them (engine/link_run_events.h). Worker thread only.
#include "engine/base/user_aircraft_fix.h"

namespace hlw {

class LinkEvents {
public:
    virtual ~LinkEvents() = default;
    // The user aircraft as the simulator link last reported it.
    virtual UserAircraftFix userAircraft() const = 0;
    // Before waiting for the application and after losing it: the readers' state as after a run reset.
    virtual void resetReaders() = 0;
    // The application went away while the program goes on: every live aircraft is removed.
    virtual void removeLiveAircraft() = 0;
};

} // namespace hlw
