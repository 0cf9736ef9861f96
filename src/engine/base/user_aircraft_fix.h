#pragma once
// The user aircraft as the simulator link reports it once per second: read by the live aircraft, the parking code's
// side of the engine and the live-traffic link, which sends it on.

namespace hlw {

// The user aircraft as the link's once-per-second report last gave it.
struct UserAircraftFix {
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    bool onGround = false;
    // Pitch positive nose down, bank positive to the left, the true heading; radians.
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double groundSpeedKt = 0.0;
    double heightAboveGroundFt = 0.0;
    // From the reference data; 0 while unknown.
    double halfWingSpanNm = 0.0;
};

} // namespace hlw
