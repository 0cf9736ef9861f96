#pragma once
// The removals that keep live aircraft clear of the user aircraft and of each other, run by the per-second step:
// the air and ground motion fills them in. The defaults remove nothing.
#include "engine/live/live_context.h"

namespace hlw {

class SafetyRemovals {
public:
    virtual ~SafetyRemovals() = default;

    virtual void removeGroundAircraftNearUser(LiveContext& context) { static_cast<void>(context); }
    virtual void removeGroundAircraftAheadOfUser(LiveContext& context) { static_cast<void>(context); }
    virtual void checkMovingAgainstParked(LiveContext& context) { static_cast<void>(context); }
    // Every static aircraft that stands where a live one of the same flight is.
    virtual void removeStaticTwins(LiveContext& context) { static_cast<void>(context); }
    // The static twin of one arriving live aircraft.
    virtual void removeStaticTwinOf(LiveContext& context, const LiveAircraft& aircraft)
    {
        static_cast<void>(context);
        static_cast<void>(aircraft);
    }
    // Frees the stand of any static or parked live aircraft.
    virtual void freeStand(LiveContext& context, std::string_view stand)
    {
        static_cast<void>(context);
        static_cast<void>(stand);
    }
};

} // namespace hlw
