#include "engine/sim/sim_dispatch.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_record_reader.h"
#include "platform/sim/sim_program_ids.h"

#include <fmt/format.h>

#include <cctype>
#include <utility>

namespace hlw {
namespace {

using namespace sim_ids;

// Record ids the simulator sends that the program has no use for.
bool isIgnoredRecord(DWORD recvId) { return recvId == 12 || recvId == 16 || recvId == 27; }

// The letters, digits and white space of the name, in order.
std::string plainName(const std::string& name) {
    std::string plain;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && (std::isalnum(byte) != 0 || std::isspace(byte) != 0)) {
            plain.push_back(c);
        }
    }
    return plain;
}

} // namespace

SimDispatcher::SimDispatcher(SimLinkShared& shared, ModelFacts facts)
    : shared_(shared), objectData_(shared, std::move(facts), pending_, added_), frameSender_(shared, pending_, added_) {
    pending_.reserve(256);
    added_.reserve(256);
}

void SimDispatcher::dispatchProc(SIMCONNECT_RECV* record, DWORD bytes, void* context) {
    if (context != nullptr) {
        static_cast<SimDispatcher*>(context)->dispatch(record, bytes);
    }
}

void SimDispatcher::dispatch(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto head = gf_readRecord<SIMCONNECT_RECV>(record, bytes);
    if (!head) {
        return;
    }
    const DWORD recvId = head->dwID;
    const size_t needed = gf_recordBytesNeeded(recvId);
    if (needed == 0) {
        if (!isIgnoredRecord(recvId)) {
            gf_log(fmt::format("! Unknown Dispatch dwID {}", recvId));
        }
        return;
    }
    if (bytes < needed) {
        gf_log(fmt::format("! SimConnect record dwID {} of {} bytes is shorter than {} bytes, skipped", recvId, bytes,
                           needed));
        return;
    }
    switch (recvId) {
    case SIMCONNECT_RECV_ID_EXCEPTION: onException(record, bytes); break;
    case SIMCONNECT_RECV_ID_OPEN: onOpen(record, bytes); break;
    case SIMCONNECT_RECV_ID_QUIT:
        flightRunning.store(false);
        quitReceived_ = true;
        break;
    case SIMCONNECT_RECV_ID_EVENT: onEvent(record, bytes); break;
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE: onObjectAddRemove(record, bytes); break;
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        gf_logAlert("SimConnect: New file event");
        onNewFlight();
        break;
    case SIMCONNECT_RECV_ID_EVENT_FRAME: sendFrame(shared_.handle.load()); break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA: objectData_.onObjectData(record, bytes); break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE: objectData_.onObjectDataByType(record, bytes); break;
    default: break;
    }
}

void SimDispatcher::onNewFlight() { shared_.events.requestStop(SimLinkStop::NewFlight); }

void SimDispatcher::onEvent(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto event = gf_readRecord<SIMCONNECT_RECV_EVENT>(record, bytes);
    if (!event) {
        return;
    }
    if (event->uEventID == kEventSim) {
        const bool running = event->dwData == 1;
        flightRunning.store(running);
        shared_.events.showFlightRunning(running);
    } else if (event->uEventID == kEventFlightLoaded) {
        gf_log("SimConnect: flight loaded event");
        onNewFlight();
    }
}

void SimDispatcher::onObjectAddRemove(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto event = gf_readRecord<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(record, bytes);
    if (!event || event->eObjType != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT) {
        return;
    }
    const uint32_t objectId = event->dwData;
    if (event->uEventID == kEventObjectAdded) {
        if (objectId > shared_.user.objectId()) {
            added_.add(objectId, shared_.now());
        }
    } else if (event->uEventID == kEventObjectRemoved) {
        added_.remove(objectId);
        shared_.replies.push({objectId, 0, 0, SimReplyType::objectRemoved, 0.0, 0.0});
    }
}

void SimDispatcher::onOpen(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto open = gf_readRecord<SIMCONNECT_RECV_OPEN>(record, bytes);
    if (!open) {
        return;
    }
    const std::string name = gf_fieldText(open->szApplicationName, sizeof open->szApplicationName);
    if (name.empty()) {
        gf_log("! Simulator name empty?");
        return;
    }
    shared_.events.showSimConnected(true);
    const std::string plain = plainName(name);
    const bool msfs2020Chosen = simIsMsfs2020.load();
    std::string_view displayName;
    if (plain == "KittyHawk") {
        if (!msfs2020Chosen) {
            throw UserErrorException(2024, "");
        }
        displayName = "MSFS 2020";
    } else if (plain == "SunRise") {
        if (msfs2020Chosen) {
            throw UserErrorException(2024, "");
        }
        displayName = "MSFS 2024";
    } else {
        throw UserErrorException(77, fmt::format("'{}' not being MSFS 2020 or MSFS 2024 connects ... ?", plain));
    }
    const std::string text =
        fmt::format("{} ({}.{}.{}.{})", displayName, open->dwApplicationVersionMajor, open->dwApplicationVersionMinor,
                    open->dwApplicationBuildMajor, open->dwApplicationBuildMinor);
    gf_log(fmt::format("{} connected", text));
    shared_.events.showSimText(text);
    gf_clearMessage();
}

void SimDispatcher::onException(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto exception = gf_readRecord<SIMCONNECT_RECV_EXCEPTION>(record, bytes);
    if (!exception) {
        return;
    }
    switch (exception->dwException) {
    case SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID:
        if (shared_.user.positionKnown() && !stopRequested.load() && !userClosing.load()) {
            gf_logAlert("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
        }
        break;
    case SIMCONNECT_EXCEPTION_VERSION_MISMATCH:
        throw UserErrorException(95, fmt::format("SimConnect Version Mismatch, dwIndex: {}", exception->dwIndex));
    case SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS: gf_setMessage("SimConnect: too many objects (max 1000)", true); break;
    case SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE: gf_log("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"); break;
    case SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED:
        if (const auto failed = pending_.takeByPacket(exception->dwSendID); failed && failed->hexId != 0) {
            shared_.replies.push({0, failed->hexId, 0, SimReplyType::createFailed, 0.0, 0.0});
        }
        break;
    case SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED: gf_logAlert("SimConnect exception: load flight plan failed"); break;
    case SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE:
        gf_log("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
        break;
    default: gf_logAlert(fmt::format("SIMCONNECT_EXCEPTION #{}", exception->dwException)); break;
    }
}

} // namespace hlw
