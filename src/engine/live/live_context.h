#pragma once
// What the live-aircraft code works with: the engine's state, the command queues of the simulator link, the
// parking port, the clock, and two seams that later parts of the engine fill in:
// - LiveServices: the farthest-aircraft removal, flight plans, the static-CG request, the airborne safety test
//   and the callsign list. The defaults make no room, write no plan, request nothing and find nothing ahead.
// - MotionSteps: how a leg is set up and flown in the air and on the ground, and the stand steps of a ground
//   aircraft. LiveMotion (engine/live/live_motion.h) is the motion of the program; tests of the stream alone
//   fly a plain straight step of their own.
#include "core/steady_time_source.h"
#include "engine/live/live_engine_state.h"
#include "engine/sim/sim_commands.h"
#include "engine/sim/sim_data_records.h"
#include "parking/parking_port.h"

#include <cstdint>

namespace hlw {

class LiveServices {
public:
    virtual ~LiveServices() = default;

    // Removes the active live aircraft farthest from the user when it lies more than 0.1 nm beyond distanceNm,
    // to make room for a new one; true when room was made.
    virtual bool makeRoomFor(double distanceNm)
    {
        static_cast<void>(distanceNm);
        return false;
    }
    // Writes (and with the 2020 simulator assigns) the flight plan of the object; true when the plan is set. A
    // failure is logged by the implementation.
    virtual bool createFlightPlan(uint32_t objectId, const FlightRecord& flight)
    {
        static_cast<void>(objectId);
        static_cast<void>(flight);
        return false;
    }
    virtual void deleteFlightPlan(uint32_t objectId) { static_cast<void>(objectId); }
    // Asks the simulator for the object's static CG (once per object); a failure raises the request error.
    virtual void requestStaticCg(uint32_t objectId) { static_cast<void>(objectId); }
    // The aircraft, placed at its front position, lies ahead of the airborne user aircraft.
    virtual bool aheadOfAirborneUser(const LiveAircraft& aircraft)
    {
        static_cast<void>(aircraft);
        return false;
    }
    // Sets the object's spoiler handle and throttle levers as data (the end of a landing roll).
    virtual void setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data)
    {
        static_cast<void>(objectId);
        static_cast<void>(data);
    }
    // The selected object went away: the main window's callsign list starts again.
    virtual void resetCallsignList() {}
    // Chooses the livery title of a new live aircraft (liveries/livery_matching.h); empty when none matches.
    virtual void chooseLivery(FlightRecord& flight);
};

struct LiveContext;

// Whether a ground spawn found a stand and parked the aircraft on it.
enum class SpawnStand { none, parked };

class MotionSteps {
public:
    virtual ~MotionSteps() = default;

    // Sets up an air leg toward the position behind the front (rates, phase, configuration).
    virtual void stepAirborne(LiveContext& context, LiveAircraft& aircraft) = 0;
    // Sets up a ground leg toward the position behind the front.
    virtual void stepGround(LiveContext& context, LiveAircraft& aircraft) = 0;
    // One tick of motion along the current leg.
    virtual void stepMotion(LiveContext& context, LiveAircraft& aircraft) = 0;
    // Times the next position of an aircraft in ground mode (push-back, turns, speed changes).
    virtual void retimeGround(LiveContext& context, LiveAircraft& aircraft) = 0;
    // The timing step that ends every ground timing; also for a stationary next position of a rotorcraft.
    virtual void groundPathStep(LiveContext& context, LiveAircraft& aircraft) = 0;
    // Phase "parking" with its stream run out: the aircraft reaches its stand. True when it was removed.
    virtual bool arriveAtStand(LiveContext& context, LiveAircraft& aircraft) = 0;
    // A new aircraft with a ground front position looks for its stand; it may set the erase flag.
    virtual SpawnStand chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft) = 0;
    // The object of an aircraft with a ground front position was created.
    virtual void parkCreated(LiveContext& context, LiveAircraft& aircraft) = 0;
    virtual void startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft) = 0;
    // A static aircraft's object was configured 200 ticks after its creation: engines and lights of a parked
    // aircraft. The ground motion fills it in; until then a created static aircraft keeps the simulator's defaults.
    virtual void setParkedConfig(LiveContext& context, StaticAircraft& aircraft)
    {
        static_cast<void>(context);
        static_cast<void>(aircraft);
    }
};

struct LiveContext {
    LiveEngineState& state;
    SimCommandQueues& commands;
    ParkingPort& parking;
    LiveServices& services;
    MotionSteps& motion;
    SteadyTimeSource& time;

    int32_t tick() const noexcept { return state.tick; }
};

} // namespace hlw
