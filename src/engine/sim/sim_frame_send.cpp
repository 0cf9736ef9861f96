#include "engine/sim/sim_frame_send.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/time_text.h"
#include "engine/base/run_state.h"
#include "platform/sim/sim_program_ids.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {
namespace {

using namespace sim_ids;

constexpr std::chrono::seconds transmitMessageInterval{1};
constexpr std::chrono::seconds forgetInterval{1};

} // namespace

void SimFrameSender::sendFrame(HANDLE handle) {
    forgetOldCreations();
    const SimCommandQueues::Lock held = shared_.commands.tryLock();
    if (!held.owns_lock()) {
        return; // the worker is busy with the queues: everything waits for the next frame
    }
    QueuedCommands& queued = shared_.commands.queued(held);
    if (simConnectError.load()) {
        queued.clear();
        return;
    }
    const uint32_t userObjectId = shared_.user.objectId();
    for (AiPositionUpdate& update : queued.positions) {
        if (update.objectId > userObjectId) {
            SimConnect_SetDataOnSimObject(handle, kDefAiPosition, update.objectId, SIMCONNECT_DATA_SET_FLAG_DEFAULT, 0,
                                          sizeof(AiPositionData), &update.data);
        }
    }
    queued.positions.clear();
    for (const ClientEventRequest& event : queued.events) {
        const bool flaps = event.eventId == kClientFlapsSet;
        if (flaps) {
            SimConnect_AIReleaseControl(handle, event.objectId, kReqReleaseControl);
        }
        if (SimConnect_TransmitClientEvent(handle, event.objectId, event.eventId, event.value, kGroupAi,
                                           SIMCONNECT_EVENT_FLAG_DEFAULT) < 0) {
            transmitFailed(event.eventId);
        } else if (flaps) {
            SimConnect_AIReleaseControl(handle, event.objectId, kReqReleaseControl);
        }
    }
    queued.events.clear();
    for (const AiCreateRequest& request : queued.creations) {
        createInSim(handle, request);
    }
    queued.creations.clear();
    for (const uint32_t objectId : queued.removals) {
        removeFromSim(handle, objectId, userObjectId);
    }
    queued.removals.clear();
}

void SimFrameSender::transmitFailed(uint32_t eventId) {
    const SteadyTime now = shared_.now();
    if (transmitMessageShown_ && now - lastTransmitMessage_ < transmitMessageInterval) {
        return;
    }
    transmitMessageShown_ = true;
    lastTransmitMessage_ = now;
    gf_setMessage(fmt::format("SimConnect TransmitClientEvent: {} fails", eventId), true);
}

void SimFrameSender::createInSim(HANDLE handle, const AiCreateRequest& request) {
    if (SimConnect_AICreateNonATCAircraft(handle, request.title.c_str(), request.callsign.c_str(), request.position,
                                          kReqCreate) < 0) {
        gf_logAlert(fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                                request.hexId, request.title, request.callsign));
        gf_onSimRequestError(shared_);
        return;
    }
    DWORD packetId = 0;
    if (SimConnect_GetLastSentPacketID(handle, &packetId) < 0) {
        gf_logAlert("GetLastSentPacketID");
        packetId = 0;
    }
    pending_.add({packetId, request.hexId, request.callsign, shared_.now()});
}

void SimFrameSender::removeFromSim(HANDLE handle, uint32_t objectId, uint32_t userObjectId) {
    if (objectId <= userObjectId) {
        gf_logAlert(fmt::format("SimConnect call to remove ac with objectid {}", gf_objectIdText(objectId)));
        return;
    }
    if (SimConnect_AIRemoveObject(handle, objectId, kReqRemove) < 0) {
        gf_logAlert(fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?", gf_clockText(),
                                gf_objectIdText(objectId)));
        gf_onSimRequestError(shared_);
    }
}

void SimFrameSender::forgetOldCreations() {
    const SteadyTime now = shared_.now();
    if (now - lastForget_ < forgetInterval) {
        return;
    }
    lastForget_ = now;
    pending_.setOverdueBefore(now - kCreationMemory);
    // An overdue creation's object is announced after the creation was sent.
    added_.dropAnnouncedBefore(std::min(now - kCreationMemory, pending_.oldestOverdue().value_or(now)));
}

} // namespace hlw
