#pragma once
// The data blocks exchanged with the simulator for the program's data definitions, in the packed order of
// their datums (sim_vocabulary.h). Every block is copied in and out with memcpy, never read in place.
#include <cstdint>

namespace hlw {

// Definition 401: written to an AI aircraft, in percent.
struct SpoilersThrottleData {
    double spoilersPct = 0.0;
    double throttle1Pct = 0.0;
    double throttle2Pct = 0.0;
};

// Definition 402: one AI aircraft's position for one frame.
struct AiPositionData {
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double altitudeFt = 0.0;
    double verticalSpeedFps = 0.0;
    double airspeedKt = 0.0;
};

// Definition 403: the user aircraft's position, attitude, simulator time and lights.
struct UserBlock {
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double altitudeFt = 0.0;
    double altAboveGroundFt = 0.0;
    double groundVelocityKt = 0.0;
    int64_t zuluTimeSeconds = 0;
    int64_t zuluDayOfYear = 0;
    int64_t zuluYear = 0;
    int64_t lightStates = 0;
};

// Definition 404: one aircraft within range.
struct InRangeData {
    double altAboveGroundFt = 0.0;
    double groundAltitudeFt = 0.0;
    int64_t onGround = 0;
    char atcId[32] = {}; // not always terminated
};

// Definition 405: the static CG of an AI aircraft.
struct StaticCgData {
    double cgToGroundFt = 0.0;
    double staticPitchRad = 0.0;
};

static_assert(sizeof(SpoilersThrottleData) == 24);
static_assert(sizeof(AiPositionData) == 64);
static_assert(sizeof(UserBlock) == 96);
static_assert(sizeof(InRangeData) == 56);
static_assert(sizeof(StaticCgData) == 16);

} // namespace hlw
