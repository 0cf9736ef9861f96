#pragma once
// The live-aircraft work that the per-second step, the periodic tasks and closing down ask for. The defaults
// have no aircraft: lookups find nothing and removals remove nothing.
#include "core/status_board.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace hlw {

class LifecycleHooks {
public:
    virtual ~LifecycleHooks() = default;

    // The live, parked-live and static counts of the status area.
    virtual void refreshCounts(StatusBoard& status) { static_cast<void>(status); }
    // Takes one entry of the arrivals queue: used slots and the static twin of that aircraft.
    virtual void takeArrival() {}
    // The object id of the active live aircraft with the callsign.
    virtual std::optional<uint32_t> objectIdOf(std::string_view callsign)
    {
        static_cast<void>(callsign);
        return std::nullopt;
    }
    virtual void removeAllStatic() {}
    // Fills the callsign-to-object-id choice list from the live aircraft.
    virtual void fillCallsignList() {}
    virtual void removeGroundAircraftNearUser() {}
    virtual void removeGroundAircraftAheadOfUser() {}
    virtual void checkMovingAgainstParked() {}
    virtual void removeByCallsign(std::string_view callsign) { static_cast<void>(callsign); }
    virtual void removeStaticTwins() {}
    // The live-traffic application went away: every active live aircraft is removed, creations are withdrawn or
    // marked for removal once created; the traffic that follows no longer belongs to the user's position.
    virtual void removeForLostLink() {}
    // Frees the user's reserved stand of any static or parked live aircraft.
    virtual void freeStand(std::string_view stand) { static_cast<void>(stand); }
    // The names kept for the livery choice (after a "MATCHING_DEPTH" change).
    virtual void forgetMatchingNames() {}
    // The titles remembered per hex id for the livery choice.
    virtual void forgetTitlesPerHexId() {}
    // The names kept by the ghost check.
    virtual void forgetGhostNames() {}
    // Lowers the live aircraft to "MAX_LIVE_SEL" (the window lowered it): the farthest ones are removed.
    virtual void trimToLiveLimit() {}
    // The navigation lights of every active static aircraft and every active parked live aircraft.
    virtual void setParkedNavLights(bool on) { static_cast<void>(on); }
    // "ObjectIdList.txt".
    virtual void writeObjectIdList() {}
    virtual void logUnmatchedNames() {}
};

} // namespace hlw
