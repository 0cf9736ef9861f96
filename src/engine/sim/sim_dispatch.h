#pragma once
// The simulator client thread's handling of every message the simulator sends: flight state, the open
// reply, new and removed objects, frames (the frame send), object data and exceptions. It never touches the
// engine's aircraft: what the engine must act on goes into the reply queue. Everything here runs on the
// simulator client thread; an exception thrown by a handler leaves through SimConnect_CallDispatch.
#include "engine/sim/sim_creation_tracking.h"
#include "engine/sim/sim_frame_send.h"
#include "engine/sim/sim_link_shared.h"
#include "engine/sim/sim_object_data.h"
#include "engine/sim/user_model_rules.h"

#include <span>

namespace hlw {

class SimDispatcher {
public:
    SimDispatcher(SimLinkShared& shared, ModelFacts facts);

    // The procedure for SimConnect_CallDispatch; the context is the dispatcher.
    static void dispatchProc(SIMCONNECT_RECV* record, DWORD bytes, void* context);
    void dispatch(const SIMCONNECT_RECV* record, DWORD bytes);

    // The simulator said goodbye.
    bool quitReceived() const { return quitReceived_; }

    // The frame send on the connection the client thread holds.
    void sendFrame(HANDLE handle) { frameSender_.sendFrame(handle); }

    const PendingCreations& pendingCreations() const { return pending_; }
    const AddedObjects& addedObjects() const { return added_; }

private:
    void onException(const SIMCONNECT_RECV* record, DWORD bytes);
    void onOpen(const SIMCONNECT_RECV* record, DWORD bytes);
    void onEvent(const SIMCONNECT_RECV* record, DWORD bytes);
    void onObjectAddRemove(const SIMCONNECT_RECV* record, DWORD bytes);
    void onNewFlight();

    SimLinkShared& shared_;
    PendingCreations pending_;
    AddedObjects added_;
    // Both refer to the creations above.
    SimObjectData objectData_;
    SimFrameSender frameSender_;
    bool quitReceived_ = false;
};

} // namespace hlw
