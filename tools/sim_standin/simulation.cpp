// Connections, the dispatch of received calls and the registrations.
#include "simulation.h"

#include "records.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw::standin {
namespace {

constexpr double lf_defaultLat = 47.4647;
constexpr double lf_defaultLon = 8.5492;
constexpr double lf_defaultAltFt = 1416.0;

nlohmann::json lf_auditEntry(const SimCall& call) {
    return {{"call", gf_simCallName(call.kind)},
            {"packet", call.packetId},
            {"numbers", call.numbers},
            {"texts", call.texts},
            {"result", "ok"}};
}

} // namespace

Simulation::Simulation(ClientSink& sink, StartOptions options, Clock::time_point now)
    : sink_(sink), options_(std::move(options)), startedAt_(now), userId_(options_.userId),
      nextObjectId_(options_.firstObjectId != 0 ? options_.firstObjectId
                                                : std::max(defaultFirstObjectId, options_.userId + 1)),
      frameHz_(options_.frameHz), nextFrame_(now), lastAdvance_(now), facilityDir_(options_.facilityDir) {
    resetWorld();
}

void Simulation::resetWorld() {
    const Clock::time_point now = Clock::now();
    std::vector<uint32_t> others;
    for (const auto& [id, object] : objects_) {
        if (object.kind != ObjectKind::User) {
            others.push_back(id);
        }
    }
    for (uint32_t id : others) {
        removeObject(id);
    }
    pending_.clear();
    addedAfterByType_.clear();
    objects_.erase(userId_);
    SimObject userObject;
    userObject.id = userId_;
    userObject.kind = ObjectKind::User;
    userObject.title = "Stand-in Airliner A320 Hollowmere";
    userObject.atcId = "HB-SIM";
    userObject.model = "A320";
    userObject.latDeg = lf_defaultLat;
    userObject.lonDeg = lf_defaultLon;
    userObject.altFt = lf_defaultAltFt;
    userObject.scriptedOnGround = true;
    userObject.createdAt = now;
    objects_[userId_] = userObject;
    userScript_.reset();
    creation_ = CreationOptions{};
    titles_.clear();
    terrain_.clear();
    // The two sample airports stand on their real elevations.
    terrain_.add({47.464699, 8.54917, 5.0, 1416.0});
    terrain_.add({51.956902, 4.43722, 3.0, -15.0});
    zulu_ = ZuluClock(std::chrono::system_clock::now(), now);
    keepOrphans_ = false;
    framesWhilePaused_ = true;
    facilityNoEnd_ = false;
    facilityFaults_.clear();
    facilityAnswers_.clear();
    if (!running_) {
        setRunning(true);
    }
}

void Simulation::connect(uint32_t clientId, const std::string& clientName) {
    std::lock_guard lock(mutex_);
    ClientState& client = clients_[clientId];
    client.id = clientId;
    client.name = clientName;
    trace_.note(std::chrono::duration<double>(Clock::now() - startedAt_).count(), clientId, clientName, "connect");
    send(clientId, gf_openRecord(identity_.appName, identity_.version));
}

void Simulation::disconnect(uint32_t clientId) {
    std::lock_guard lock(mutex_);
    const auto found = clients_.find(clientId);
    if (found == clients_.end()) {
        return;
    }
    trace_.note(std::chrono::duration<double>(Clock::now() - startedAt_).count(), clientId, found->second.name,
                "disconnect");
    clients_.erase(found);
    std::erase_if(pending_, [clientId](const PendingCreation& p) { return p.clientId == clientId; });
    std::erase_if(facilityAnswers_, [clientId](const PendingFacilityAnswer& a) { return a.clientId == clientId; });
    if (keepOrphans_) {
        return;
    }
    std::vector<uint32_t> owned;
    for (const auto& [id, object] : objects_) {
        if (object.kind == ObjectKind::Own && object.ownerClient == clientId) {
            owned.push_back(id);
        }
    }
    for (uint32_t id : owned) {
        removeObject(id);
    }
}

void Simulation::handleCall(uint32_t clientId, const SimCall& call) {
    std::lock_guard lock(mutex_);
    const auto found = clients_.find(clientId);
    if (found == clients_.end()) {
        return;
    }
    ClientState& client = found->second;
    const Clock::time_point now = Clock::now();
    countCall(call.kind, now);
    trace_.write(std::chrono::duration<double>(now - startedAt_).count(), clientId, client.name, call);
    client.lastPacketId = call.packetId;
    switch (call.kind) {
    case SimCallKind::SubscribeToSystemEvent:
    case SimCallKind::AddToDataDefinition:
    case SimCallKind::MapClientEventToSimEvent:
    case SimCallKind::AddClientEventToNotificationGroup:
    case SimCallKind::SetNotificationGroupPriority:
    case SimCallKind::AddToFacilityDefinition: onRegistration(client, call); break;
    case SimCallKind::RequestDataOnSimObjectType: onRequestByType(client, call); break;
    case SimCallKind::RequestDataOnSimObject: onRequestData(client, call); break;
    case SimCallKind::SetDataOnSimObject: onSetData(client, call); break;
    case SimCallKind::TransmitClientEvent: onTransmitEvent(client, call); break;
    case SimCallKind::AIReleaseControl: onReleaseControl(client, call); break;
    case SimCallKind::AICreateNonATCAircraft: onCreate(client, call); break;
    case SimCallKind::AIRemoveObject: onRemove(client, call); break;
    case SimCallKind::AISetAircraftFlightPlan: onFlightPlan(client, call); break;
    case SimCallKind::RequestFacilityData: onRequestFacility(client, call); break;
    default: break; // Close: the connection layer sees the end of the stream.
    }
}

void Simulation::send(uint32_t clientId, const Bytes& record) {
    sink_.sendFrame(clientId, gf_encodeRecordFrame(record));
}

void Simulation::sendException(uint32_t clientId, DWORD code, DWORD sendId, DWORD index, std::string_view why) {
    exceptionsSent_.push_back({{"client", clientId}, {"code", code}, {"send_id", sendId}, {"index", index}, {"why", why}});
    fmt::print(stderr, "sim-standin: exception {} to client {} (packet {}, index {}): {}\n", code, clientId, sendId,
               index, why);
    send(clientId, gf_exceptionRecord(code, sendId, index));
}

void Simulation::broadcastSystemEvent(SystemEvent event, const std::function<Bytes(DWORD eventId)>& build) {
    for (const auto& [id, client] : clients_) {
        for (const auto& [subscribed, eventId] : client.subscriptions) {
            if (subscribed == event) {
                send(id, build(eventId));
            }
        }
    }
}

void Simulation::onRegistration(ClientState& client, const SimCall& call) {
    nlohmann::json entry = lf_auditEntry(call);
    const auto refuse = [&](DWORD code, DWORD index, std::string_view why) {
        entry["result"] = fmt::format("exception {}", code);
        sendException(client.id, code, call.packetId, index, why);
    };
    switch (call.kind) {
    case SimCallKind::SubscribeToSystemEvent: {
        const auto event = gf_findSystemEvent(call.texts.at(0));
        if (!event) {
            refuse(gc_exceptionNameUnrecognized, 2, fmt::format("unknown system event '{}'", call.texts[0]));
            break;
        }
        client.subscriptions.emplace_back(*event, call.numbers.at(0));
        if (*event == SystemEvent::Sim) {
            send(client.id, gf_eventRecord(call.numbers[0], running_ ? 1 : 0));
        }
        break;
    }
    case SimCallKind::AddToDataDefinition: {
        const DatumCheck check = gf_checkDatum(call.texts.at(0), call.texts.at(1), call.numbers.at(1));
        if (check.problem != DatumProblem::None) {
            const DWORD code = check.problem == DatumProblem::WrongType ? gc_exceptionDataError
                                                                         : gc_exceptionNameUnrecognized;
            refuse(code, gf_datumProblemIndex(check.problem),
                   fmt::format("datum '{}' unit '{}' type {} refused", call.texts[0], call.texts[1], call.numbers[1]));
            break;
        }
        client.definitions[call.numbers.at(0)].push_back(*check.datum);
        break;
    }
    case SimCallKind::MapClientEventToSimEvent: {
        const auto event = gf_findSimEvent(call.texts.at(0));
        if (!event) {
            refuse(gc_exceptionNameUnrecognized, 2, fmt::format("unknown simulator event '{}'", call.texts[0]));
            break;
        }
        client.clientEvents[call.numbers.at(0)] = *event;
        break;
    }
    case SimCallKind::AddClientEventToNotificationGroup:
        if (!client.clientEvents.contains(call.numbers.at(1))) {
            refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, fmt::format("event {} is not mapped", call.numbers[1]));
            break;
        }
        client.groups[call.numbers.at(0)].insert(call.numbers[1]);
        break;
    case SimCallKind::SetNotificationGroupPriority:
        if (!client.groups.contains(call.numbers.at(0))) {
            refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1, fmt::format("group {} has no events", call.numbers[0]));
            break;
        }
        client.groupPriorities[call.numbers[0]] = call.numbers.at(1);
        break;
    case SimCallKind::AddToFacilityDefinition:
        if (!gf_isFacilityField(call.texts.at(0))) {
            refuse(gc_exceptionNameUnrecognized, 2, fmt::format("unknown facility field '{}'", call.texts[0]));
            break;
        }
        client.facilityDefinitions[call.numbers.at(0)].push_back(call.texts[0]);
        break;
    default: break;
    }
    client.audit.push_back(std::move(entry));
}

void Simulation::countCall(SimCallKind kind, Clock::time_point now) {
    CallCounter& counter = callCounts_[std::string(gf_simCallName(kind))];
    const int64_t second = std::chrono::duration_cast<std::chrono::seconds>(now - startedAt_).count();
    if (counter.second != second) {
        counter.lastSecond = counter.second == second - 1 ? counter.thisSecond : 0;
        counter.thisSecond = 0;
        counter.second = second;
    }
    ++counter.total;
    ++counter.thisSecond;
}

} // namespace hlw::standin
