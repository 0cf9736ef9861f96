#pragma once
// The removals that keep live aircraft clear of the user aircraft and static aircraft clear of live ones, run by
// the per-second step, and the count of parked live aircraft with their mean time at the stand. The removal
// passes that say so remove at most one aircraft per run, so that a crowd near the user thins out over seconds.
#include "core/status_board.h"
#include "engine/live/safety_removals.h"

namespace hlw {

// The distance, height band and offset from the user's line of sight within which an aircraft heading away from
// the user aircraft is ahead of it.
struct AheadTable {
    double distanceNm = 0.0;
    double heightBandFt = 0.0;
    double offsetFt = 0.0;
};
inline constexpr AheadTable groundAheadTable{4.0, 1000.0, 700.0};
inline constexpr AheadTable airAheadTable{6.0, 3000.0, 4000.0};

// The aircraft at its position with its heading lies ahead of the user (within the table's distance and height
// band, heading away from the user, its offset from the line from the user through it within the table's).
bool gf_isAheadOfUser(const LiveAircraft& aircraft, const UserAircraftFix& user, const AheadTable& table);

// Active live aircraft in phase "parked"; with the status board, also their mean time parked in hours (half-hours
// from the parked slot to now, wrapped over the week of 336 half-hours, / 2, + 0.5; 0 with none) for the status area.
int32_t gf_countParkedLive(const LiveEngineState& state, StatusBoard* status);
// Static aircraft in the simulator (active, or being removed); with the status board and while the stand selection
// uses no other weekdays, also their mean time parked in hours by the same rule.
int32_t gf_staticParkedCount(const LiveEngineState& state, StatusBoard* status);

class LiveSafety final : public SafetyRemovals {
public:
    // Ground aircraft within both half wing spans x 1.15 of the user; once the user moved, the first static one
    // whose stand lies within both half wing spans x 1.1.
    void removeGroundAircraftNearUser(LiveContext& context) override;
    // The first active aircraft ahead of the user: low down on the user's heading line within 1 nm (ground mode),
    // else by the ground table.
    void removeGroundAircraftAheadOfUser(LiveContext& context) override;
    // A taxiing or parking aircraft that moved: the first static aircraft of another callsign it touches.
    void checkMovingAgainstParked(LiveContext& context) override;
    // Static aircraft with the registration of an active ground aircraft, or its callsign followed by "*".
    void removeStaticTwins(LiveContext& context) override;
    // The first static aircraft of the same flight as the arriving live one.
    void removeStaticTwinOf(LiveContext& context, const LiveAircraft& aircraft) override;
    // The static aircraft, else the parked live one, on the named stand.
    void freeStand(LiveContext& context, std::string_view stand) override;

private:
    LatLon lastUserPosition_;
};

} // namespace hlw
