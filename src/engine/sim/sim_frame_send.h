#pragma once
// The frame send: on each simulator frame the queued AI positions, client events, creations and removals go
// to the simulator, in that order, unless the worker holds the command mutex just then.
// Runs on the simulator client thread, for its dispatcher (engine/sim/sim_dispatch.h), which owns the creations
// it tracks.
#include "engine/sim/sim_creation_tracking.h"
#include "engine/sim/sim_link_shared.h"

#include <cstdint>

namespace hlw {

class SimFrameSender {
public:
    SimFrameSender(SimLinkShared& shared, PendingCreations& pending, AddedObjects& added)
        : shared_(shared), pending_(pending), added_(added)
    {
    }

    // The frame send on the connection the client thread holds.
    void sendFrame(HANDLE handle);

private:
    void createInSim(HANDLE handle, const AiCreateRequest& request);
    void removeFromSim(HANDLE handle, uint32_t objectId, uint32_t userObjectId);
    void transmitFailed(uint32_t eventId);
    void forgetOldCreations();

    SimLinkShared& shared_;
    PendingCreations& pending_;
    AddedObjects& added_;
    SteadyTime lastTransmitMessage_{};
    bool transmitMessageShown_ = false;
    SteadyTime lastForget_{};
};

} // namespace hlw
