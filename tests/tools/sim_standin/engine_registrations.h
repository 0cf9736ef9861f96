#pragma once
// What the engine registers with the simulator: its data definitions datum by datum, its client events, the
// members of its notification group, and the parking reader's facility definition. The process tests register
// them through the client layer; the world tests build the same definitions directly.
#include "platform/sim/sim_program_ids.h"
#include "platform/sim/simconnect_shim.h"

#include <cstdint>

namespace hlw::test {

struct EngineDatum {
    uint32_t define;
    const char* name;
    const char* unit;
    SIMCONNECT_DATATYPE type;
};

inline constexpr EngineDatum gc_engineDatums[] = {
    {sim_ids::kDefUserTitle, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV},
    {sim_ids::kDefUserModel, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {sim_ids::kDefUserOnGround, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefAiPosition, "Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Plane Pitch degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Plane Bank degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Plane Heading degrees true", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Vertical Speed", "feet per second", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefAiPosition, "Airspeed True", "knots", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Pitch degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Bank degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Heading degrees true", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "Ground Velocity", "knots", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefUserBlock, "ZULU TIME", "Seconds", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefUserBlock, "ZULU DAY OF YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefUserBlock, "ZULU YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefUserBlock, "LIGHT STATES", "Mask", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefStaticCg, "Static CG to Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefStaticCg, "Static Pitch", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefLightStates, "Light On States", "Mask", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefInRange, "Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefInRange, "Ground Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefInRange, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    {sim_ids::kDefInRange, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {sim_ids::kDefSpoilersThrottle, "SPOILERS HANDLE POSITION", "percent", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefSpoilersThrottle, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", SIMCONNECT_DATATYPE_FLOAT64},
    {sim_ids::kDefSpoilersThrottle, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", SIMCONNECT_DATATYPE_FLOAT64},
};

struct EngineEvent {
    uint32_t id;
    const char* name;
};

inline constexpr EngineEvent gc_engineEvents[] = {
    {sim_ids::kClientGearSet, "GEAR_SET"},
    {sim_ids::kClientEngineAutoStart, "ENGINE_AUTO_START"},
    {sim_ids::kClientEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {sim_ids::kClientThrottleSet, "THROTTLE_SET"},
    {sim_ids::kClientFlapsSet, "FLAPS_SET"},
    {sim_ids::kClientSpoilersSet, "SPOILERS_SET"},
    {sim_ids::kClientNavLightsSet, "NAV_LIGHTS_SET"},
    {sim_ids::kClientBeaconLightsSet, "BEACON_LIGHTS_SET"},
    {sim_ids::kClientLandingLightsSet, "LANDING_LIGHTS_SET"},
    {sim_ids::kClientTaxiLightsSet, "TAXI_LIGHTS_SET"},
    {sim_ids::kClientStrobesSet, "STROBES_SET"},
    {sim_ids::kClientLogoLightsSet, "LOGO_LIGHTS_SET"},
    {sim_ids::kClientCabinLightsSet, "CABIN_LIGHTS_SET"},
    {sim_ids::kClientAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {sim_ids::kClientFreezeLatLonSet, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {sim_ids::kClientFreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
    {sim_ids::kClientFreezeAttitudeSet, "FREEZE_ATTITUDE_SET"},
};

inline constexpr uint32_t gc_engineGroupMembers[] = {
    sim_ids::kClientNavLightsSet,    sim_ids::kClientBeaconLightsSet,    sim_ids::kClientLandingLightsSet,
    sim_ids::kClientTaxiLightsSet,   sim_ids::kClientStrobesSet,         sim_ids::kClientLogoLightsSet,
    sim_ids::kClientCabinLightsSet,  sim_ids::kClientAllLightsToggle,    sim_ids::kClientFlapsSet,
    sim_ids::kClientSpoilersSet,     sim_ids::kClientGearSet,            sim_ids::kClientEngineAutoShutdown,
    sim_ids::kClientThrottleSet,     sim_ids::kClientFreezeLatLonSet,    sim_ids::kClientFreezeAltitudeSet,
    sim_ids::kClientFreezeAttitudeSet,
};

inline constexpr const char* gc_parkingFacilityFields[] = {
    "OPEN AIRPORT", "LATITUDE", "LONGITUDE", "ALTITUDE", "NAME", "N_HELIPADS", "N_TAXI_PARKINGS",
    "OPEN TAXI_PARKING", "TYPE", "TAXI_POINT_TYPE", "NAME", "SUFFIX", "NUMBER", "ORIENTATION", "HEADING",
    "RADIUS", "BIAS_X", "BIAS_Z", "CLOSE TAXI_PARKING", "OPEN HELIPAD", "LATITUDE", "LONGITUDE", "ALTITUDE",
    "HEADING", "LENGTH", "WIDTH", "SURFACE", "TYPE", "CLOSE HELIPAD", "CLOSE AIRPORT"};

} // namespace hlw::test
