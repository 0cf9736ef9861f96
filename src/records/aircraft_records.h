#pragma once
// The records of the AI aircraft the engine puts into the simulator: a StaticAircraft is parked at a stand of the
// park airport, a LiveAircraft replays the received positions of a real aircraft. A LiveAircraft begins with the
// fields of a StaticAircraft, so that removal, the parked configuration and the stand bookkeeping take either.
// Only the worker thread touches them; parking reads them through the interfaces it declares.
#include "core/geodesy.h"
#include "records/flight_record.h"
#include "records/position_queue.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace hlw {

// The relation of a record to its simulator object.
enum class SimObjectState : uint32_t {
    buffer = 0,          // no object requested yet (waiting for its first due position)
    adding2sim = 1,      // creation queued or sent, object not yet bound
    active = 2,          // the object exists and is moved every tick
    liveryrespawn = 3,   // the object is removed so that it can be created again with another livery
    removingfromsim = 4, // removal requested; the record goes when the simulator reports the object removed
};

// What a live aircraft is doing.
enum class MovementPhase : uint32_t {
    pushing_back = 0, // backwards off a stand behind a tug
    pushed_back = 1,  // push-back done: standing, engines starting, waiting for the hold counter
    taxi = 2,         // on the ground under its own power, also after landing
    take_off = 3,     // take-off run, rotation and initial climb
    flying = 4,
    parking = 5, // the last metres to a chosen stand
    parked = 6,
    birth = 7, // created from the first traffic record; no movement decided yet
};

// "buffer", "adding2sim", ...; "?" for a value outside the enumeration.
std::string_view gf_simStateName(SimObjectState state) noexcept;
// "pushing_back", "pushed_back", ...; "?" for a value outside the enumeration.
std::string_view gf_phaseName(MovementPhase phase) noexcept;

// Throttle and flaps indexes of a record whose object has had none sent yet, so that the first command of
// each is always sent.
inline constexpr uint32_t noThrottleSent = 5;
inline constexpr uint32_t noFlapsSent = 4;

struct StaticAircraft {
    StaticAircraft() = default;
    StaticAircraft(FlightRecord flightData, int32_t stand, double standLatDeg, double standLonDeg,
                   double standHeadingRad, bool cargoStandFlag);

    FlightRecord flight;
    uint32_t objectId = 0; // 0 = none
    double standLat = 0.0;
    double standLon = 0.0;
    double standHeading = 0.0; // radians
    // The engine's weekday and half-hour slot (0..47) when the aircraft parked.
    uint32_t parkedWeekday = 0;
    uint32_t parkedSlot = 0;
    int32_t standNumber = 0; // 0 or less = none
    SimObjectState state = SimObjectState::buffer;
    uint32_t lastThrottleIndex = noThrottleSent;
    uint32_t lastFlapsIndex = noFlapsSent;
    uint8_t cargoStand = 0; // the stand's cargo flag: the parked configuration leaves the cabin lights off
    // Removal was asked for when the creation could no longer be withdrawn: removed once the object exists.
    uint8_t removeWhenCreated = 0;
    uint8_t erase = 0;             // erased at the end of this tick
    uint8_t creationCancelled = 0; // the queued creation was withdrawn; erased at the end of this tick
    // The engine tick of the last state change: an object that is never bound or never reported removed
    // times out from it.
    int32_t stateSinceTick = 0;
};

// A turn on the ground as a quadratic Bezier curve: three control points in local metres east and north of the
// start position, and the times of its ends; NaN times and points mean no curve.
struct GroundCurve {
    static constexpr double none = std::numeric_limits<double>::quiet_NaN();

    double startLat = 0.0;
    double startLon = 0.0;
    double east[3] = {none, none, none};
    double north[3] = {none, none, none};
    double startTime = none;
    double endTime = none;
    double lengthNm = none; // along the curve
    // The speeds at its ends, between which the speed along it changes as a steady acceleration does.
    double startKt = none;
    double endKt = none;

    bool set() const noexcept { return !std::isnan(east[1]) && !std::isnan(startTime); }
    void clear() noexcept { *this = GroundCurve{}; }
};

struct LiveAircraft : StaticAircraft {
    // A record in "buffer", phase "birth", whose stream holds the first position.
    LiveAircraft(const PositionRecord& first, FlightRecord flightData, double timestamp);

    // Stores the old phase as the previous one unless the phase stays the same.
    void setPhase(MovementPhase next) noexcept;

    // The values sent to the simulator.
    double latitude = 0.0;
    double longitude = 0.0;
    double pitch = 0.0; // radians, positive nose down
    double bank = 0.0;  // radians
    double heading = 0.0; // radians true, 0..2 pi
    double altitudeFt = 0.0;
    double verticalSpeedFps = 0.0; // the leg's vertical speed in ft/min / 60
    double trueAirspeedKt = 0.0;   // 0 while the next position is stationary

    // The stream still to fly: the front is the position last reached (during a leg: the one flown to).
    PositionQueue positions;
    double lastTimestamp = 0.0; // of the newest traffic record
    LatLon savedPosition;       // at the last static overlap check
    std::chrono::steady_clock::time_point parkedSince{};
    // 0: real data; above 0: made-up positions still allowed; -1: exhausted.
    int32_t extrapolationCount = 0;
    int32_t holdStartTick = 0;
    MovementPhase phase = MovementPhase::birth;
    MovementPhase previousPhase = MovementPhase::birth;
    uint8_t standOccupied = 0; // stands on (or has left) a stand whose use is learned
    uint8_t groundMode = 0;    // moves by the ground rules
    uint8_t flightPlanSet = 0;
    uint8_t userClearance = 0; // positions of a new aircraft are skipped near the user aircraft
    uint8_t holding = 0;       // holds in place for want of data

    // The current leg.
    double latStep = 0.0; // degrees per tick
    double lonStep = 0.0;
    double pitchRate = 0.0;   // radians per tick
    double bankRate = 0.0;    // radians per tick
    double headingRate = 0.0; // radians per tick, turns in the air
    // The heading change per tick that each radian of bank flies at the air leg's speed.
    double turnPerBankRad = 0.0;
    double altitudeRate = 0.0; // ft per tick
    double legVerticalSpeedFpm = 0.0;
    double legTrueAirspeedKt = 0.0; // negative while pushing back
    GroundCurve curve;
    double curveTime = 0.0;  // 0 .. 0.999999
    double curveShare = 0.0; // of the curve's length flown
    double curveTimeStep = 0.0;
    double turnAngleDeg = 0.0;

    PositionRecord savedPositionRecord; // held back during a push-back hold
    LatLon lastParkingAttempt;
    // How far a re-timed due tick may move before or after its received due tick.
    int32_t earlyWindow = 1000;
    int32_t lateWindow = 1000;
    // The received due tick of the position the current leg flies to (the front's, once the leg has ended): the
    // time between two reports, which the next leg's timing compares with its speeds.
    int32_t legReceivedDueTick = 0;
    int32_t phaseCountdown = 1; // ticks left in the take-off run; 1 outside a take-off
    int32_t pushBackHoldCounter = 0;
    uint32_t movingAwayCount = 0; // positions of a parked aircraft each farther from the stand
    double bearingToNext = 0.0;   // radians, from the front position to the next one
    double heightAboveGroundFt = 2500.0;
    double heightAboveAirportFt = 0.0;
    // The ground altitude of the simulator's latest on-ground report; NaN until the first. The sent altitude never
    // goes below it plus the static CG height.
    double groundAltitudeFt = std::numeric_limits<double>::quiet_NaN();
    double headingAtTouchdown = 0.0;
    // Nautical miles the aircraft may move from where its push-back ended before it counts as having left.
    double pushBackAllowanceNm = 0.0;
    double firstStandDistanceNm = 0.0;
    double largestStandDistanceNm = 0.0;
    double headingDifferenceDeg = 0.0;
    double respawnHeading = 0.0;
    uint8_t respawn = 0; // a respawn is under way: the new object takes the respawn heading
    uint8_t pushBackTurnSide = 0; // 1 = positive turn at the end of the push-back
    uint8_t pushBackTurnKnown = 0;
    std::optional<double> airportElevationFt; // the park airport's elevation, taken once per approach
    uint32_t flareStage = 0;                  // 0 none, 1 to 4
    uint8_t landing = 0;
    uint8_t mayBeTowed = 0;
    uint8_t towed = 0;
    uint8_t climbConfigured = 0;
    uint8_t takeOffRoll = 0;
    uint8_t cruiseConfigured = 0;
    uint8_t below10000Configured = 0;
    uint8_t touchdown = 0;
    uint8_t landingRoll = 0;
    // Came down from the air onto the ground; cleared when a take-off roll starts. Reports at the ground's height
    // do not start one then.
    uint8_t landed = 0;
    uint8_t leavingStand = 0;
    uint8_t turnToBearing = 0;
};

} // namespace hlw
