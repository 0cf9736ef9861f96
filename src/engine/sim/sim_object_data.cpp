#include "engine/sim/sim_object_data.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_record_reader.h"
#include "engine/sim/sim_time.h"
#include "platform/sim/sim_program_ids.h"
#include "records/flight_record.h"

#include <fmt/format.h>

#include <chrono>

namespace hlw {
namespace {

using namespace sim_ids;

constexpr double newObjectHeightLimitFt = 2500.0;
constexpr double teleportDistanceNm = 10.0;
constexpr size_t userTitleBytes = 48;

void logShortData(DWORD requestId, size_t bytes, size_t expected) {
    gf_log(fmt::format("! SimConnect data of request {} holds {} bytes, {} expected, skipped", requestId, bytes,
                       expected));
}

template <class Value>
std::optional<Value> readData(DWORD requestId, std::span<const uint8_t> data) {
    std::optional<Value> value = gf_readData<Value>(data);
    if (!value) {
        logShortData(requestId, data.size(), sizeof(Value));
    }
    return value;
}

} // namespace

SimObjectData::SimObjectData(SimLinkShared& shared, ModelFacts facts, PendingCreations& pending, AddedObjects& added)
    : shared_(shared), facts_(std::move(facts)), pending_(pending), added_(added)
{
}

void SimObjectData::onObjectData(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto head = gf_readRecord<SimObjectDataHead>(record, bytes);
    if (!head) {
        return;
    }
    const std::span<const uint8_t> data = gf_objectDataBlock(record, bytes);
    switch (head->dwRequestID) {
    case kReqStaticCg:
        if (const auto cg = readData<StaticCgData>(kReqStaticCg, data)) {
            shared_.replies.push({head->dwObjectID, 0, 0, SimReplyType::staticCg, cg->cgToGroundFt, cg->staticPitchRad});
        }
        break;
    case kReqUserTitle: onUserTitle(data); break;
    case kReqUserModel: onUserModel(data); break;
    case kReqUserOnGround: onUserOnGround(data); break;
    case kReqUserBlock: onUserBlock(head->dwObjectID, data); break;
    default: break;
    }
}

void SimObjectData::onObjectDataByType(const SIMCONNECT_RECV* record, DWORD bytes) {
    const auto head = gf_readRecord<SimObjectDataHead>(record, bytes);
    if (!head || head->dwRequestID != kReqInRange) {
        return;
    }
    const auto data = readData<InRangeData>(kReqInRange, gf_objectDataBlock(record, bytes));
    const uint32_t objectId = head->dwObjectID;
    if (!data || objectId <= shared_.user.objectId()) {
        return;
    }
    const std::string atcId = gf_fieldText(data->atcId, sizeof data->atcId);
    if (added_.take(objectId)) {
        onNewObjectInRange(objectId, *data, atcId);
        return;
    }
    if (data->altAboveGroundFt > newObjectHeightLimitFt || atcId.empty() || atcId.back() == '*') {
        return;
    }
    shared_.replies.push({objectId, data->onGround != 0 ? 1u : 0u, 0, SimReplyType::onGroundStatus,
                          data->groundAltitudeFt, data->altAboveGroundFt});
}

void SimObjectData::onNewObjectInRange(uint32_t objectId, const InRangeData& data, const std::string& atcId) {
    std::optional<uint32_t> hexId;
    if (!atcId.empty()) {
        hexId = pending_.takeByCallsign(atcId);
    }
    if (!hexId && !atcId.empty()) {
        if (const std::optional<PendingCreate> overdue = pending_.takeOverdue(atcId)) {
            removeLateObject(objectId, *overdue);
            return;
        }
    }
    if (!hexId || *hexId == 0) {
        if (atcId == "AS-GEN") {
            if (!asGenLogged_) {
                asGenLogged_ = true;
                gf_logAlert(fmt::format("\nSpawned by Asobo, oid: {}, callsign AS-GEN, altaboveGnd:{:.0f} ft, "
                                        "onground:{}, gnd_alt:{:.0f} ft\nThis message will be logged only once...\n",
                                        gf_objectIdText(objectId), data.altAboveGroundFt, data.onGround,
                                        data.groundAltitudeFt));
            }
        } else {
            gf_log(fmt::format("just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, "
                               "onground:{}, gnd_alt:{:.0f} ft",
                               productName, gf_objectIdText(objectId), atcId, data.altAboveGroundFt, data.onGround,
                               data.groundAltitudeFt));
        }
        return;
    }
    {
        // The object is the program's: take it over from the simulator's AI and hold it where it is. The
        // command mutex is released before the reply is pushed, so this thread never holds both.
        const SimCommandQueues::Lock held = shared_.commands.lock();
        SimConnect_AIReleaseControl(shared_.handle.load(), objectId, kReqReleaseControl);
        const std::array<ClientEventRequest, 3> freeze = {{
            {objectId, kClientFreezeLatLonSet, 1},
            {objectId, kClientFreezeAltitudeSet, 1},
            {objectId, kClientFreezeAttitudeSet, 1},
        }};
        shared_.commands.queueEvents(freeze.data(), freeze.size());
    }
    if (*hexId <= staticHexIdLimit) {
        shared_.replies.push({objectId, *hexId, 0, SimReplyType::staticCreated, 0.0, 0.0});
    } else {
        shared_.replies.push({objectId, *hexId, 0, SimReplyType::liveCreated, 0.0, data.altAboveGroundFt});
    }
}

// The engine gave the aircraft up when its creation was not confirmed in time; no record waits for the object, which
// would otherwise stay in the simulator for good.
void SimObjectData::removeLateObject(uint32_t objectId, const PendingCreate& overdue) {
    const auto waited = std::chrono::duration_cast<std::chrono::seconds>(shared_.now() - overdue.sentAt);
    gf_log(fmt::format("{:>8}: object {} of the creation given up (hexid {:x}) came {} s after it was sent, removed",
                       overdue.callsign, gf_objectIdText(objectId), overdue.hexId, waited.count()));
    shared_.commands.queueRemoval(objectId);
}

void SimObjectData::onUserOnGround(std::span<const uint8_t> data) {
    const auto onGround = readData<int64_t>(kReqUserOnGround, data);
    if (!onGround) {
        return;
    }
    shared_.user.storeOnGround(*onGround != 0);
    userDataArrived.store(true);
}

void SimObjectData::onUserBlock(uint32_t objectId, std::span<const uint8_t> data) {
    const auto block = readData<UserBlock>(kReqUserBlock, data);
    if (!block) {
        return;
    }
    const LatLon position{block->latDeg, block->lonDeg};
    const LatLon previous = shared_.user.storeBlock(*block, objectId);
    if (gf_isKnownPosition(previous) && gf_isKnownPosition(position) &&
        gf_distanceNm(previous, position) > teleportDistanceNm) {
        gf_log("Teleport");
        shared_.events.requestStop(SimLinkStop::NewFlight);
    }
    if (simTimeInUse.load()) {
        if (const auto seconds = gf_simUtcSeconds(block->zuluYear, block->zuluDayOfYear, block->zuluTimeSeconds)) {
            simUtcSeconds.store(*seconds);
        }
    }
}

void SimObjectData::onUserTitle(std::span<const uint8_t> data) {
    const std::string title(gf_cutUtf8(gf_fieldText(data), userTitleBytes));
    if (title.empty()) {
        gf_log("! Title of your aircraft is empty?");
        return;
    }
    if (shared_.user.storeTitle(title)) {
        shared_.events.showAircraftText(title);
        gf_logContinuation(fmt::format("SimConnect: User aircraft title: {}", title));
    }
}

void SimObjectData::onUserModel(std::span<const uint8_t> data) {
    if (data.size() < 32) {
        logShortData(kReqUserModel, data.size(), 32);
        return;
    }
    const std::string model = gf_fieldText(data.first(32));
    try {
        applyUserModel(model);
    } catch (const UserErrorException&) {
        throw;
    } catch (...) {
        throw UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
    }
}

void SimObjectData::applyUserModel(const std::string& model) {
    if (model.empty()) {
        shared_.events.showAircraftText(std::string(kUnknownUserAircraftText));
        gf_setMessage(fmt::format("171: No model info from your user aircraft received in SimConnect, {} is taken "
                                  "instead",
                                  kFallbackUserModel),
                      true);
        shared_.user.storeHalfWingSpan(gf_fallbackUserHalfSpan(facts_));
        return;
    }
    gf_logContinuation(fmt::format("model raw: {}", model));
    const UserModelOutcome outcome = gf_resolveUserModel(model, shared_.user.title(), facts_);
    shared_.user.storeHalfWingSpan(outcome.halfSpanNm);
    shared_.events.showWingSpanKnown(outcome.wingSpanKnown);
    if (!outcome.message.empty()) {
        gf_setMessage(outcome.message, true);
    }
    gf_logContinuation(outcome.logLine);
}

} // namespace hlw
