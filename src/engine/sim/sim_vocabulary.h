#pragma once
// Everything the program registers with the simulator after each successful open: the system events it
// subscribes to, the datums of its data definitions, the client events it maps and the notification group
// that carries them. The tables are in registration order; gf_registerSimVocabulary walks them.
#include "engine/sim/sim_data_records.h"
#include "platform/sim/sim_program_ids.h"
#include "platform/sim/simconnect_shim.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hlw {

struct SystemEventEntry {
    uint32_t id;
    std::string_view name;
};

struct DatumEntry {
    uint32_t definition;
    std::string_view name;
    std::string_view unit; // empty: the datum has no unit
    SIMCONNECT_DATATYPE type;
};

struct ClientEventEntry {
    uint32_t id;
    std::string_view simEvent;
};

namespace vocabulary_detail {
using namespace sim_ids;
constexpr SIMCONNECT_DATATYPE F64 = SIMCONNECT_DATATYPE_FLOAT64;
constexpr SIMCONNECT_DATATYPE I64 = SIMCONNECT_DATATYPE_INT64;
constexpr SIMCONNECT_DATATYPE S32 = SIMCONNECT_DATATYPE_STRING32;
constexpr SIMCONNECT_DATATYPE SV = SIMCONNECT_DATATYPE_STRINGV;
} // namespace vocabulary_detail

inline constexpr std::array<SystemEventEntry, 5> kSimSystemEvents = {{
    {sim_ids::kEventSim, "Sim"},
    {sim_ids::kEventObjectAdded, "ObjectAdded"},
    {sim_ids::kEventObjectRemoved, "ObjectRemoved"},
    {sim_ids::kEventFlightLoaded, "FlightLoaded"},
    {sim_ids::kEventFrame, "Frame"},
}};

// Names and units are the simulator's, passed exactly as written (mixed case included). Registered by definition
// in the order 407, 408, 409, 402, 403, 405, 406, 404, 401.
inline constexpr auto kSimDatums = [] {
    using namespace vocabulary_detail;
    return std::to_array<DatumEntry>({
        {kDefUserTitle, "TITLE", "", SV},
        {kDefUserModel, "ATC MODEL", "", S32},
        {kDefUserOnGround, "SIM ON GROUND", "Bool", I64},
        {kDefAiPosition, "Plane Latitude", "degree", F64},
        {kDefAiPosition, "Plane Longitude", "degree", F64},
        {kDefAiPosition, "Plane Pitch degrees", "radians", F64},
        {kDefAiPosition, "Plane Bank degrees", "radians", F64},
        {kDefAiPosition, "Plane Heading degrees true", "radians", F64},
        {kDefAiPosition, "Plane Altitude", "feet", F64},
        {kDefAiPosition, "Vertical Speed", "feet per second", F64},
        {kDefAiPosition, "Airspeed True", "knots", F64},
        {kDefUserBlock, "Plane Latitude", "degree", F64},
        {kDefUserBlock, "Plane Longitude", "degree", F64},
        {kDefUserBlock, "Plane Pitch degrees", "radians", F64},
        {kDefUserBlock, "Plane Bank degrees", "radians", F64},
        {kDefUserBlock, "Plane Heading degrees true", "radians", F64},
        {kDefUserBlock, "Plane Altitude", "feet", F64},
        {kDefUserBlock, "Plane Alt Above Ground", "feet", F64},
        {kDefUserBlock, "Ground Velocity", "knots", F64},
        {kDefUserBlock, "ZULU TIME", "Seconds", I64},
        {kDefUserBlock, "ZULU DAY OF YEAR", "Number", I64},
        {kDefUserBlock, "ZULU YEAR", "Number", I64},
        {kDefUserBlock, "LIGHT STATES", "Mask", I64},
        {kDefStaticCg, "Static CG to Ground", "feet", F64},
        {kDefStaticCg, "Static Pitch", "radians", F64},
        {kDefLightStates, "Light On States", "Mask", I64},
        {kDefInRange, "Plane Alt Above Ground", "feet", F64},
        {kDefInRange, "Ground Altitude", "feet", F64},
        {kDefInRange, "SIM ON GROUND", "Bool", I64},
        {kDefInRange, "ATC ID", "", S32},
        {kDefSpoilersThrottle, "SPOILERS HANDLE POSITION", "percent", F64},
        {kDefSpoilersThrottle, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", F64},
        {kDefSpoilersThrottle, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", F64},
    });
}();

// In mapping order.
inline constexpr auto kSimClientEvents = [] {
    using namespace sim_ids;
    return std::to_array<ClientEventEntry>({
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
    });
}();

// The members of group 301, in the order they are added; ENGINE_AUTO_START is mapped but no member.
inline constexpr auto kSimGroupMembers = [] {
    using namespace sim_ids;
    return std::to_array<uint32_t>({
        kClientNavLightsSet, kClientBeaconLightsSet, kClientLandingLightsSet, kClientTaxiLightsSet,
        kClientStrobesSet, kClientLogoLightsSet, kClientCabinLightsSet, kClientAllLightsToggle,
        kClientFlapsSet, kClientSpoilersSet, kClientGearSet, kClientEngineAutoShutdown,
        kClientThrottleSet, kClientFreezeLatLonSet, kClientFreezeAltitudeSet, kClientFreezeAttitudeSet,
    });
}();

// Bytes of one datum in a delivered record; 0 for a variable-length text.
constexpr size_t gf_datumBytes(SIMCONNECT_DATATYPE type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_FLOAT64:
    case SIMCONNECT_DATATYPE_INT64: return 8;
    case SIMCONNECT_DATATYPE_STRING32: return 32;
    default: return 0;
    }
}

// Bytes of a definition's fixed-size datums in the table.
constexpr size_t gf_definitionBytes(uint32_t definition) {
    size_t bytes = 0;
    for (const DatumEntry& datum : kSimDatums) {
        if (datum.definition == definition) {
            bytes += gf_datumBytes(datum.type);
        }
    }
    return bytes;
}

static_assert(gf_definitionBytes(sim_ids::kDefSpoilersThrottle) == sizeof(SpoilersThrottleData));
static_assert(gf_definitionBytes(sim_ids::kDefAiPosition) == sizeof(AiPositionData));
static_assert(gf_definitionBytes(sim_ids::kDefUserBlock) == sizeof(UserBlock));
static_assert(gf_definitionBytes(sim_ids::kDefInRange) == sizeof(InRangeData));
static_assert(gf_definitionBytes(sim_ids::kDefStaticCg) == sizeof(StaticCgData));

// Subscribes, defines, maps and groups everything above on the connection, without looking at the results:
// a refused name comes back later as an exception record naming the call's packet id.
void gf_registerSimVocabulary(HANDLE handle);

} // namespace hlw
