#pragma once
// The simulator client thread's handling of every message the simulator sends: flight state, the open
// reply, new and removed objects, frames (the frame send), object data and exceptions. It never touches the
// engine's aircraft: what the engine must act on goes into the reply queue. Everything here runs on the
// simulator client thread; an exception thrown by a handler leaves through SimConnect_CallDispatch.
#include "engine/sim/sim_creation_tracking.h"
#include "engine/sim/sim_link_shared.h"
#include "engine/sim/user_model_rules.h"

#include <span>

namespace hlw {

struct InRangeData;

class SimDispatcher {
public:
    SimDispatcher(SimLinkShared& shared, ModelFacts facts);

    // The procedure for SimConnect_CallDispatch; the context is the dispatcher.
    static void dispatchProc(SIMCONNECT_RECV* record, DWORD bytes, void* context);
    void dispatch(const SIMCONNECT_RECV* record, DWORD bytes);

    // The simulator said goodbye.
    bool quitReceived() const { return quitReceived_; }

    // The frame send on the connection the client thread holds.
    void sendFrame(HANDLE handle);

    const PendingCreations& pendingCreations() const { return pending_; }
    const AddedObjects& addedObjects() const { return added_; }

private:
    void onException(const SIMCONNECT_RECV* record, DWORD bytes);
    void onOpen(const SIMCONNECT_RECV* record, DWORD bytes);
    void onEvent(const SIMCONNECT_RECV* record, DWORD bytes);
    void onObjectAddRemove(const SIMCONNECT_RECV* record, DWORD bytes);
    void onNewFlight();
    void onObjectData(const SIMCONNECT_RECV* record, DWORD bytes);
    void onObjectDataByType(const SIMCONNECT_RECV* record, DWORD bytes);
    void onNewObjectInRange(uint32_t objectId, const InRangeData& data, const std::string& atcId);

    void onUserOnGround(std::span<const uint8_t> data);
    void onUserBlock(uint32_t objectId, std::span<const uint8_t> data);
    void onUserTitle(std::span<const uint8_t> data);
    void onUserModel(std::span<const uint8_t> data);
    void applyUserModel(const std::string& model);

    void createInSim(HANDLE handle, const AiCreateRequest& request);
    void removeFromSim(HANDLE handle, uint32_t objectId, uint32_t userObjectId);
    void transmitFailed(uint32_t eventId);
    void forgetOldCreations();

    SimLinkShared& shared_;
    const ModelFacts facts_;
    PendingCreations pending_;
    AddedObjects added_;
    bool asGenLogged_ = false;
    bool quitReceived_ = false;
    SteadyTime lastTransmitMessage_{};
    bool transmitMessageShown_ = false;
    SteadyTime lastForget_{};
};

} // namespace hlw
