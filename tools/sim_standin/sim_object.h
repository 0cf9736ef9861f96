#pragma once
// One aircraft of the stand-in's world: the user aircraft, one created by a client, or a foreign one
// (the simulator's own traffic, spawned from the control port).
#include "name_tables.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace hlw::standin {

enum class ObjectKind { User, Own, Foreign };

// The kind as the control port and the track file write it.
constexpr const char* gf_objectKindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::User: return "user";
    case ObjectKind::Own: return "own";
    case ObjectKind::Foreign: return "foreign";
    }
    return "?";
}

struct EventRecord {
    uint32_t lastValue = 0;
    uint32_t count = 0;
};

struct FlightPlanInfo {
    std::string path;
    std::string type;
    std::string departure;
    std::string destination;
};

// Light bits as the mask variables report them.
inline constexpr uint64_t gc_lightNav = 0x1;
inline constexpr uint64_t gc_lightBeacon = 0x2;
inline constexpr uint64_t gc_lightLanding = 0x4;
inline constexpr uint64_t gc_lightTaxi = 0x8;
inline constexpr uint64_t gc_lightStrobe = 0x10;
inline constexpr uint64_t gc_lightLogo = 0x100;
inline constexpr uint64_t gc_lightCabin = 0x200;
inline constexpr uint64_t gc_lightAll = 0x3FF;

struct SimObject {
    uint32_t id = 0;
    ObjectKind kind = ObjectKind::Foreign;
    uint32_t ownerClient = 0; // 0: nobody
    std::string title;
    std::string atcId; // at most 31 characters, as the 32-byte text carries it
    std::string model;
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double altFt = 0.0;
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double verticalSpeedFps = 0.0;
    double airspeedKt = 0.0;
    double groundSpeedKt = 0.0;
    double spoilersPct = 0.0;
    double throttle1Pct = 0.0;
    double throttle2Pct = 0.0;
    uint32_t flaps = 0;
    bool gearDown = true;
    uint64_t lights = 0;
    std::map<SimEvent, EventRecord> events;
    bool enginesRunning = false;
    bool freezeLatLon = false;
    bool freezeAltitude = false;
    bool freezeAttitude = false;
    bool aiReleased = false;
    double staticCgFt = 8.0;
    double staticPitchRad = 0.012;
    FlightPlanInfo flightPlan;
    // For the user aircraft: the scripted on-ground flag (AI objects derive it from the terrain).
    bool scriptedOnGround = false;
    std::chrono::steady_clock::time_point createdAt{};
};

} // namespace hlw::standin
