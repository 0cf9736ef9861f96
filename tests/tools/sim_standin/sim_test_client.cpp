#include "sim_test_client.h"

#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

namespace hlw::test {
namespace {

using namespace hlw::sim_ids;

void lf_keep(SIMCONNECT_RECV* record, DWORD size, void* context) {
    auto* inbox = static_cast<std::vector<Record>*>(context);
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    inbox->emplace_back(bytes, bytes + size);
}

struct DatumLine {
    uint32_t define;
    const char* name;
    const char* unit;
    SIMCONNECT_DATATYPE type;
};

constexpr DatumLine lf_datums[] = {
    {kDefUserTitle, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV},
    {kDefUserModel, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {kDefUserOnGround, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    {kDefAiPosition, "Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Plane Pitch degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Plane Bank degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Plane Heading degrees true", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Vertical Speed", "feet per second", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefAiPosition, "Airspeed True", "knots", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Pitch degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Bank degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Heading degrees true", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "Ground Velocity", "knots", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefUserBlock, "ZULU TIME", "Seconds", SIMCONNECT_DATATYPE_INT64},
    {kDefUserBlock, "ZULU DAY OF YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    {kDefUserBlock, "ZULU YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    {kDefUserBlock, "LIGHT STATES", "Mask", SIMCONNECT_DATATYPE_INT64},
    {kDefStaticCg, "Static CG to Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefStaticCg, "Static Pitch", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefLightStates, "Light On States", "Mask", SIMCONNECT_DATATYPE_INT64},
    {kDefInRange, "Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefInRange, "Ground Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefInRange, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    {kDefInRange, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {kDefSpoilersThrottle, "SPOILERS HANDLE POSITION", "percent", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefSpoilersThrottle, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", SIMCONNECT_DATATYPE_FLOAT64},
    {kDefSpoilersThrottle, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", SIMCONNECT_DATATYPE_FLOAT64},
};

struct EventLine {
    uint32_t id;
    const char* name;
};

constexpr EventLine lf_events[] = {
    {kClientGearSet, "GEAR_SET"},
    {kClientEngineAutoStart, "ENGINE_AUTO_START"},
    {kClientEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {kClientThrottleSet, "THROTTLE_SET"},
    {kClientFlapsSet, "FLAPS_SET"},
    {kClientSpoilersSet, "SPOILERS_SET"},
    {kClientNavLightsSet, "NAV_LIGHTS_SET"},
    {kClientBeaconLightsSet, "BEACON_LIGHTS_SET"},
    {kClientLandingLightsSet, "LANDING_LIGHTS_SET"},
    {kClientTaxiLightsSet, "TAXI_LIGHTS_SET"},
    {kClientStrobesSet, "STROBES_SET"},
    {kClientLogoLightsSet, "LOGO_LIGHTS_SET"},
    {kClientCabinLightsSet, "CABIN_LIGHTS_SET"},
    {kClientAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {kClientFreezeLatLonSet, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {kClientFreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
    {kClientFreezeAttitudeSet, "FREEZE_ATTITUDE_SET"},
};

constexpr uint32_t lf_groupMembers[] = {
    kClientNavLightsSet,  kClientBeaconLightsSet, kClientLandingLightsSet,  kClientTaxiLightsSet,
    kClientStrobesSet,    kClientLogoLightsSet,   kClientCabinLightsSet,    kClientAllLightsToggle,
    kClientFlapsSet,      kClientSpoilersSet,     kClientGearSet,           kClientEngineAutoShutdown,
    kClientThrottleSet,   kClientFreezeLatLonSet, kClientFreezeAltitudeSet, kClientFreezeAttitudeSet,
};

} // namespace

DWORD gf_recordId(const Record& record) { return gf_recordAs<SIMCONNECT_RECV>(record).dwID; }

std::vector<uint8_t> gf_recordData(const Record& record) {
    constexpr size_t head = SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE;
    return record.size() > head ? std::vector<uint8_t>(record.begin() + head, record.end()) : std::vector<uint8_t>{};
}

SimTestClient::~SimTestClient() { close(); }

HRESULT SimTestClient::open(uint16_t port, const char* name) {
    ::setenv("HLMR_SIM_PORT", std::to_string(port).c_str(), 1);
    return SimConnect_Open(&handle_, name, nullptr, 0, nullptr, 0);
}

void SimTestClient::close() {
    if (handle_ != nullptr) {
        SimConnect_Close(handle_);
        handle_ = nullptr;
    }
}

HRESULT SimTestClient::pump() {
    lastDispatch_ = SimConnect_CallDispatch(handle_, lf_keep, &inbox_);
    return lastDispatch_;
}

std::optional<Record> SimTestClient::waitFor(const std::function<bool(const Record&)>& match,
                                             std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
            if (match(*it)) {
                Record found = std::move(*it);
                inbox_.erase(it);
                return found;
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<Record> SimTestClient::collect(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pump();
    return std::exchange(inbox_, {});
}

void SimTestClient::registerLikeTheEngine() {
    SimConnect_SubscribeToSystemEvent(handle_, kEventSim, "Sim");
    SimConnect_SubscribeToSystemEvent(handle_, kEventObjectAdded, "ObjectAdded");
    SimConnect_SubscribeToSystemEvent(handle_, kEventObjectRemoved, "ObjectRemoved");
    SimConnect_SubscribeToSystemEvent(handle_, kEventFlightLoaded, "FlightLoaded");
    SimConnect_SubscribeToSystemEvent(handle_, kEventFrame, "Frame");
    for (const DatumLine& datum : lf_datums) {
        SimConnect_AddToDataDefinition(handle_, datum.define, datum.name, datum.unit, datum.type, 0.0f,
                                       SIMCONNECT_UNUSED);
    }
    for (const EventLine& event : lf_events) {
        SimConnect_MapClientEventToSimEvent(handle_, event.id, event.name);
    }
    for (uint32_t member : lf_groupMembers) {
        SimConnect_AddClientEventToNotificationGroup(handle_, kGroupAi, member, TRUE);
    }
    SimConnect_SetNotificationGroupPriority(handle_, kGroupAi, kGroupAiPriority);
}

DWORD SimTestClient::lastPacketId() {
    DWORD id = 0;
    SimConnect_GetLastSentPacketID(handle_, &id);
    return id;
}

} // namespace hlw::test
