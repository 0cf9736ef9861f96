// Calls that read, write, create and remove objects, and the facility requests.
#include "simulation.h"

#include "flight_plan_reader.h"
#include "records.h"
#include "world_limits.h"

#include "core/string_helpers.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <numbers>

namespace hlw::standin {
namespace {

constexpr double lf_radPerDeg = std::numbers::pi / 180.0;

double lf_fraction16383(DWORD value) { return std::min(100.0, static_cast<double>(value) / 16383.0 * 100.0); }

void lf_setLight(SimObject& object, uint64_t bit, DWORD value) {
    object.lights = value != 0 ? (object.lights | bit) : (object.lights & ~bit);
}

void lf_applyEvent(SimObject& object, SimEvent event, DWORD value) {
    EventRecord& record = object.events[event];
    record.lastValue = value;
    ++record.count;
    switch (event) {
    case SimEvent::BeaconLightsSet: lf_setLight(object, gc_lightBeacon, value); break;
    case SimEvent::NavLightsSet: lf_setLight(object, gc_lightNav, value); break;
    case SimEvent::TaxiLightsSet: lf_setLight(object, gc_lightTaxi, value); break;
    case SimEvent::StrobesSet: lf_setLight(object, gc_lightStrobe, value); break;
    case SimEvent::LandingLightsSet: lf_setLight(object, gc_lightLanding, value); break;
    case SimEvent::CabinLightsSet: lf_setLight(object, gc_lightCabin, value); break;
    case SimEvent::LogoLightsSet: lf_setLight(object, gc_lightLogo, value); break;
    case SimEvent::AllLightsToggle: object.lights = object.lights != 0 ? 0 : gc_lightAll; break;
    case SimEvent::FreezeLatLonSet: object.freezeLatLon = value != 0; break;
    case SimEvent::FreezeAltitudeSet: object.freezeAltitude = value != 0; break;
    case SimEvent::FreezeAttitudeSet: object.freezeAttitude = value != 0; break;
    case SimEvent::FlapsSet: object.flaps = std::min<DWORD>(value, 16383); break;
    case SimEvent::SpoilersSet: object.spoilersPct = lf_fraction16383(value); break;
    case SimEvent::GearSet: object.gearDown = value != 0; break;
    case SimEvent::EngineAutoStart: object.enginesRunning = true; break;
    case SimEvent::EngineAutoShutdown: object.enginesRunning = false; break;
    case SimEvent::ThrottleSet:
        object.throttle1Pct = lf_fraction16383(value);
        object.throttle2Pct = object.throttle1Pct;
        break;
    }
}

} // namespace

SimObject& Simulation::user() { return objects_.at(userId_); }

SimObject* Simulation::findObject(uint32_t, DWORD objectId) {
    const DWORD id = objectId == SIMCONNECT_OBJECT_ID_USER ? userId_ : objectId;
    const auto found = objects_.find(id);
    return found == objects_.end() ? nullptr : &found->second;
}

SimObject* Simulation::objectOfCall(const ClientState& client, const SimCall& call, std::string_view action) {
    const DWORD objectId = call.numbers.at(0);
    SimObject* object = findObject(client.id, objectId);
    if (object == nullptr) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 1,
                      fmt::format("{}: object {} unknown", action, objectId));
    }
    return object;
}

Surroundings Simulation::surroundingsOf(const SimObject& object, Clock::time_point now) const {
    return {terrain_.elevationFt(object.latDeg, object.lonDeg), zulu_.at(now)};
}

void Simulation::announceAdded(const SimObject& object) {
    broadcastSystemEvent(SystemEvent::ObjectAdded,
                         [&](DWORD eventId) { return gf_objectAddRemoveRecord(eventId, object.id); });
}

void Simulation::removeObject(uint32_t objectId) {
    if (objects_.erase(objectId) == 0) {
        return;
    }
    std::erase(addedAfterByType_, objectId);
    for (auto& [id, client] : clients_) {
        std::erase_if(client.standing, [objectId, this](const StandingRequest& r) {
            return r.objectId == objectId && objectId != userId_;
        });
    }
    broadcastSystemEvent(SystemEvent::ObjectRemoved,
                         [&](DWORD eventId) { return gf_objectAddRemoveRecord(eventId, objectId); });
}

bool Simulation::sendObjectData(ClientState& client, DWORD requestId, DWORD defineId, DWORD objectId) {
    const auto definition = client.definitions.find(defineId);
    SimObject* object = findObject(client.id, objectId);
    if (definition == client.definitions.end() || object == nullptr) {
        return false;
    }
    const Bytes data = gf_packDefinition(definition->second, *object, surroundingsOf(*object, Clock::now()));
    const ObjectDataHead head{requestId, object->id, defineId, 1, 1,
                              static_cast<DWORD>(definition->second.size())};
    send(client.id, gf_objectDataRecord(false, head, data));
    return true;
}

void Simulation::onRequestData(ClientState& client, const SimCall& call) {
    const DWORD requestId = call.numbers.at(0);
    const DWORD defineId = call.numbers.at(1);
    const DWORD objectId = call.numbers.at(2);
    const DWORD period = call.numbers.at(3);
    if (!client.definitions.contains(defineId)) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 2,
                      fmt::format("data request {}: definition {} unknown", requestId, defineId));
        return;
    }
    if (findObject(client.id, objectId) == nullptr) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 3,
                      fmt::format("data request {}: object {} unknown", requestId, objectId));
        return;
    }
    if (period > SIMCONNECT_PERIOD_SECOND) {
        sendException(client.id, gc_exceptionDataError, call.packetId, 4, fmt::format("period {} unknown", period));
        return;
    }
    // A request id names one standing request; asking again replaces it.
    std::erase_if(client.standing, [requestId](const StandingRequest& r) { return r.requestId == requestId; });
    if (period == SIMCONNECT_PERIOD_NEVER) {
        return;
    }
    sendObjectData(client, requestId, defineId, objectId);
    if (period != SIMCONNECT_PERIOD_ONCE) {
        const DWORD standingObject = objectId == SIMCONNECT_OBJECT_ID_USER ? userId_ : objectId;
        client.standing.push_back({requestId, defineId, standingObject, period, Clock::now() + std::chrono::seconds(1)});
    }
}

void Simulation::onRequestByType(ClientState& client, const SimCall& call) {
    const DWORD requestId = call.numbers.at(0);
    const DWORD defineId = call.numbers.at(1);
    const double radiusNm = call.numbers.at(2) / 1852.0;
    const DWORD type = call.numbers.at(3);
    const auto definition = client.definitions.find(defineId);
    if (definition == client.definitions.end()) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 2,
                      fmt::format("by-type request {}: definition {} unknown", requestId, defineId));
        return;
    }
    if (type > SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT) {
        return; // no boats or ground vehicles in this world
    }
    const SimObject& center = user();
    std::vector<const SimObject*> found{&center};
    if (type != SIMCONNECT_SIMOBJECT_TYPE_USER) {
        for (const auto& [id, object] : objects_) {
            if (id != userId_ &&
                gf_distanceNm(center.latDeg, center.lonDeg, object.latDeg, object.lonDeg) <= radiusNm) {
                found.push_back(&object);
            }
        }
    }
    const Clock::time_point now = Clock::now();
    std::vector<uint32_t> reported;
    for (size_t i = 0; i < found.size(); ++i) {
        const SimObject& object = *found[i];
        const ObjectDataHead head{requestId, object.id, defineId, static_cast<DWORD>(i + 1),
                                  static_cast<DWORD>(found.size()), static_cast<DWORD>(definition->second.size())};
        send(client.id,
             gf_objectDataRecord(true, head, gf_packDefinition(definition->second, object, surroundingsOf(object, now))));
        reported.push_back(object.id);
    }
    for (uint32_t id : reported) {
        if (std::erase(addedAfterByType_, id) > 0) {
            announceAdded(objects_.at(id));
        }
    }
}

void Simulation::onSetData(ClientState& client, const SimCall& call) {
    const DWORD defineId = call.numbers.at(0);
    const DWORD objectId = call.numbers.at(1);
    const DWORD arrayCount = call.numbers.at(3);
    const DWORD unitSize = call.numbers.at(4);
    const auto definition = client.definitions.find(defineId);
    if (definition == client.definitions.end()) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 1,
                      fmt::format("set data: definition {} unknown", defineId));
        return;
    }
    const auto size = gf_definitionSize(definition->second);
    const size_t expected = static_cast<size_t>(unitSize) * std::max<DWORD>(1, arrayCount);
    if (!size || *size != unitSize || call.block.size() != expected || arrayCount > 1) {
        sendException(client.id, SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, call.packetId, 5,
                      fmt::format("set data {}: {} bytes for a definition of {}", defineId, call.block.size(),
                                  size ? fmt::format("{}", *size) : std::string("variable size")));
        return;
    }
    SimObject* object = findObject(client.id, objectId);
    if (object == nullptr) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 2,
                      fmt::format("set data {}: object {} unknown", defineId, objectId));
        return;
    }
    gf_unpackDefinition(definition->second, *object, call.block);
}

void Simulation::onTransmitEvent(ClientState& client, const SimCall& call) {
    const DWORD eventId = call.numbers.at(1);
    SimObject* object = objectOfCall(client, call, fmt::format("client event {}", eventId));
    if (object == nullptr) {
        return;
    }
    const auto mapped = client.clientEvents.find(eventId);
    if (mapped == client.clientEvents.end()) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 2,
                      fmt::format("client event {} is not mapped", eventId));
        return;
    }
    lf_applyEvent(*object, mapped->second, call.numbers.at(2));
}

void Simulation::onCreate(ClientState& client, const SimCall& call) {
    PendingCreation pending;
    pending.clientId = client.id;
    pending.packetId = call.packetId;
    pending.title = call.texts.at(0);
    pending.tail = call.texts.at(1);
    pending.requestId = call.numbers.at(0);
    if (call.block.size() != sizeof pending.position) {
        sendException(client.id, SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, call.packetId, 3, "initial position size");
        return;
    }
    std::memcpy(&pending.position, call.block.data(), sizeof pending.position);
    const auto& p = pending.position;
    size_t objectCount = pending_.size();
    for (const auto& [id, object] : objects_) {
        objectCount += object.kind == ObjectKind::Own ? 1 : 0;
    }
    if (objectCount >= creation_.maxObjects) {
        sendException(client.id, SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, call.packetId, 0,
                      fmt::format("'{}': object limit {} reached", pending.tail, creation_.maxObjects));
        return;
    }
    bool known = !creation_.strict;
    for (const std::string& pattern : creation_.knownTitles) {
        known = known || gf_titleMatches(pattern, pending.title);
    }
    bool placeable = gf_isLatitude(p.Latitude) && gf_isLongitude(p.Longitude);
    for (const double value : {p.Altitude, p.Pitch, p.Bank, p.Heading, static_cast<double>(p.Airspeed)}) {
        placeable = placeable && gf_isWorldNumber(value);
    }
    if (!known || titles_.isRefused(pending.title) || !placeable) {
        sendException(client.id, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, call.packetId, 1,
                      fmt::format("title '{}' refused", pending.title));
        return;
    }
    pending.due = Clock::now() + creation_.delay;
    pending_.push_back(std::move(pending));
}

void Simulation::completeCreation(const PendingCreation& pending, Clock::time_point now) {
    SimObject object;
    object.id = nextObjectId_++;
    while (objects_.contains(object.id) || object.id <= userId_) {
        object.id = nextObjectId_++;
    }
    object.kind = ObjectKind::Own;
    object.ownerClient = pending.clientId;
    object.title = pending.title;
    object.atcId = pending.tail.substr(0, 31);
    object.latDeg = pending.position.Latitude;
    object.lonDeg = pending.position.Longitude;
    object.altFt = pending.position.Altitude;
    object.pitchRad = pending.position.Pitch * lf_radPerDeg;
    object.bankRad = pending.position.Bank * lf_radPerDeg;
    object.headingRad = pending.position.Heading * lf_radPerDeg;
    object.airspeedKt = pending.position.Airspeed;
    object.groundSpeedKt = pending.position.Airspeed;
    const StaticCg cg = titles_.cgFor(pending.title);
    object.staticCgFt = cg.heightFt;
    object.staticPitchRad = cg.pitchRad;
    if (pending.position.OnGround != 0) {
        object.altFt = terrain_.elevationFt(object.latDeg, object.lonDeg) + object.staticCgFt;
    }
    object.createdAt = now;
    const SimObject& stored = objects_[object.id] = object;
    send(pending.clientId, gf_assignedObjectIdRecord(pending.requestId, stored.id));
    if (creation_.addedLate) {
        addedAfterByType_.push_back(stored.id);
    } else if (!creation_.suppressAdded) {
        announceAdded(stored);
    }
}

void Simulation::onRemove(ClientState& client, const SimCall& call) {
    SimObject* object = objectOfCall(client, call, "remove");
    if (object == nullptr) {
        return;
    }
    if (object->kind != ObjectKind::Own || object->ownerClient != client.id) {
        sendException(client.id, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, call.packetId, 1,
                      fmt::format("remove: object {} is not this client's", call.numbers.at(0)));
        return;
    }
    removeObject(object->id);
}

void Simulation::onReleaseControl(ClientState& client, const SimCall& call) {
    SimObject* object = objectOfCall(client, call, "release");
    if (object == nullptr) {
        return;
    }
    if (object->kind == ObjectKind::User) {
        sendException(client.id, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, call.packetId, 1,
                      "release: the user aircraft has no AI");
        return;
    }
    object->aiReleased = true;
}

void Simulation::onFlightPlan(ClientState& client, const SimCall& call) {
    SimObject* object = objectOfCall(client, call, "flight plan");
    if (object == nullptr) {
        return;
    }
    std::string error;
    const auto plan = gf_readFlightPlan(call.texts.at(0), error);
    if (!plan) {
        sendException(client.id, SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED, call.packetId, 2, error);
        return;
    }
    object->flightPlan = *plan;
}

void Simulation::onRequestFacility(ClientState& client, const SimCall& call) {
    const DWORD defineId = call.numbers.at(0);
    const DWORD requestId = call.numbers.at(1);
    const std::string& icao = call.texts.at(0);
    const auto definition = client.facilityDefinitions.find(defineId);
    if (definition == client.facilityDefinitions.end()) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 1,
                      fmt::format("facility definition {} unknown", defineId));
        return;
    }
    std::string error;
    const auto layout = gf_facilityLayout(definition->second, error);
    if (!layout) {
        sendException(client.id, gc_exceptionDataError, call.packetId, 1, error);
        return;
    }
    std::optional<FacilityAirport> airport;
    try {
        airport = gf_loadFacility(facilityDir_, icao);
    } catch (const std::exception& e) {
        sendException(client.id, SIMCONNECT_EXCEPTION_ERROR, call.packetId, 3, fmt::format("{}: {}", icao, e.what()));
        return;
    }
    if (!airport) {
        sendException(client.id, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, call.packetId, 3,
                      fmt::format("no facility data for '{}'", icao));
        return;
    }
    const auto fault = facilityFaults_.find(gf_toUpperAscii(icao));
    const FacilityFault faults = fault == facilityFaults_.end() ? FacilityFault{} : fault->second;
    // A cut data block keeps its head; the record's size says how much data follows.
    const auto data = [&](Bytes bytes) {
        if (faults.shortPayloads) {
            bytes.resize(bytes.size() / 2);
        }
        return bytes;
    };
    PendingFacilityAnswer answer{client.id, Clock::now() + faults.delay, {}, faults.drop};
    constexpr DWORD airportUnique = 1;
    answer.records.push_back(
        gf_facilityDataRecord({requestId, airportUnique, 0, SIMCONNECT_FACILITY_DATA_AIRPORT, false, 0, 0},
                              data(gf_packAirport(*layout, *airport))));
    DWORD unique = airportUnique;
    if (layout->parkings) {
        const auto count = static_cast<DWORD>(airport->parkings.size());
        for (DWORD i = 0; i < count; ++i) {
            answer.records.push_back(gf_facilityDataRecord(
                {requestId, ++unique, airportUnique, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, true, i, count},
                data(gf_packParking(*layout, airport->parkings[i]))));
        }
    }
    if (layout->helipads) {
        const auto count = static_cast<DWORD>(airport->helipads.size());
        for (DWORD i = 0; i < count; ++i) {
            answer.records.push_back(gf_facilityDataRecord(
                {requestId, ++unique, airportUnique, SIMCONNECT_FACILITY_DATA_HELIPAD, true, i, count},
                data(gf_packHelipad(*layout, airport->helipads[i]))));
        }
    }
    if (!facilityNoEnd_ && !faults.noEnd) {
        answer.records.push_back(gf_facilityDataEndRecord(requestId));
    }
    if (faults.drop) {
        // Half of the answer, then the connection ends.
        answer.records.resize((answer.records.size() + 1) / 2);
    }
    if (faults.delay.count() > 0) {
        facilityAnswers_.push_back(std::move(answer));
    } else {
        deliverFacilityAnswer(answer);
    }
}

void Simulation::deliverFacilityAnswer(const PendingFacilityAnswer& answer) {
    if (!clients_.contains(answer.clientId)) {
        return;
    }
    for (const Bytes& record : answer.records) {
        send(answer.clientId, record);
    }
    if (answer.dropAfter) {
        sink_.closeAfterFlush(answer.clientId);
    }
}

} // namespace hlw::standin
