#pragma once
// The numeric ids this program registers with the simulator, shared by the engine, the simulator
// stand-in and the tests so that both ends agree on them.
#include <cstdint>

namespace hlw::sim_ids {

// System events.
inline constexpr uint32_t kEventSim = 201;
inline constexpr uint32_t kEventObjectAdded = 202;
inline constexpr uint32_t kEventObjectRemoved = 203;
inline constexpr uint32_t kEventFrame = 204;
inline constexpr uint32_t kEventFlightLoaded = 205;

// Data definitions of the main connection.
inline constexpr uint32_t kDefSpoilersThrottle = 401;
inline constexpr uint32_t kDefAiPosition = 402;
inline constexpr uint32_t kDefUserBlock = 403;
inline constexpr uint32_t kDefInRange = 404;
inline constexpr uint32_t kDefStaticCg = 405;
inline constexpr uint32_t kDefLightStates = 406;
inline constexpr uint32_t kDefUserTitle = 407;
inline constexpr uint32_t kDefUserModel = 408;
inline constexpr uint32_t kDefUserOnGround = 409;

// Client events mapped to simulator events.
inline constexpr uint32_t kClientBeaconLightsSet = 206;
inline constexpr uint32_t kClientNavLightsSet = 207;
inline constexpr uint32_t kClientTaxiLightsSet = 208;
inline constexpr uint32_t kClientStrobesSet = 209;
inline constexpr uint32_t kClientLandingLightsSet = 210;
inline constexpr uint32_t kClientCabinLightsSet = 211;
inline constexpr uint32_t kClientLogoLightsSet = 212;
inline constexpr uint32_t kClientAllLightsToggle = 213;
inline constexpr uint32_t kClientFreezeLatLonSet = 214;
inline constexpr uint32_t kClientFreezeAltitudeSet = 215;
inline constexpr uint32_t kClientFreezeAttitudeSet = 216;
inline constexpr uint32_t kClientFlapsSet = 217;
inline constexpr uint32_t kClientSpoilersSet = 218;
inline constexpr uint32_t kClientGearSet = 219;
inline constexpr uint32_t kClientEngineAutoStart = 220;
inline constexpr uint32_t kClientEngineAutoShutdown = 221;
inline constexpr uint32_t kClientThrottleSet = 222;

inline constexpr uint32_t kGroupAi = 301;
inline constexpr uint32_t kGroupAiPriority = 1;

// Requests.
inline constexpr uint32_t kReqInRange = 101;
inline constexpr uint32_t kReqStaticCg = 102;
inline constexpr uint32_t kReqReleaseControl = 103;
inline constexpr uint32_t kReqCreate = 104;
inline constexpr uint32_t kReqRemove = 105;
inline constexpr uint32_t kReqUserTitle = 106;
inline constexpr uint32_t kReqUserModel = 107;
inline constexpr uint32_t kReqUserOnGround = 108;
inline constexpr uint32_t kReqUserBlock = 109;
inline constexpr uint32_t kReqFlightPlan = 110;

// The airport facility connection.
inline constexpr uint32_t kDefFacility = 1001;
inline constexpr uint32_t kReqFacility = 2001;

// Reply sizes the stand-in produces for the fixed-size definitions.
inline constexpr uint32_t kUserBlockBytes = 96;
inline constexpr uint32_t kInRangeBytes = 56;
inline constexpr uint32_t kStaticCgBytes = 16;
inline constexpr uint32_t kUserModelBytes = 32;
inline constexpr uint32_t kUserOnGroundBytes = 8;
inline constexpr uint32_t kAiPositionBytes = 64;
inline constexpr uint32_t kSpoilersThrottleBytes = 24;

}  // namespace hlw::sim_ids
