#pragma once
// What the worker asks of the simulator link: its client thread, the user-aircraft requests and the user
// aircraft's data. The link sets flightRunning and userDataArrived (engine/run_state.h) from its own thread.
#include "engine/base/user_aircraft_fix.h"
#include "parking/parking_port.h"

#include <optional>

namespace hlw {

class SimLink {
public:
    virtual ~SimLink() = default;

    // Worker, traffic start: empties the command and reply queues of an earlier run.
    virtual void resetQueues() = 0;
    // Worker: starts the client thread. A thread of an earlier run that still runs is stopped and joined first.
    virtual void start() = 0;
    // Any thread: asks the client thread to end and wakes it.
    virtual void stop() = 0;
    // Worker: waits until the client thread has ended; returns at once when none runs.
    virtual void join() = 0;

    // The user aircraft's on-ground data once per second (request 108); false when the request failed (the link
    // has then raised the request error itself: the error flag and the stop "SIMCONNECT ERROR").
    virtual bool requestUserOnGround() = 0;
    // Asks for the user position (request 109) and returns the latest report; empty until one has arrived.
    virtual std::optional<UserAircraftFix> requestUserPosition() = 0;
    // Asks for the user aircraft's title and model (requests 106 and 107).
    virtual void requestUserTitle() = 0;
    // The latest report; zeros until one has arrived.
    virtual UserAircraftFix userAircraft() const = 0;

    // Worker, first step without a running flight: drops the AI positions waiting to be sent.
    virtual void discardAiPositions() = 0;

    // Worker, per-second step: the name of the stand nearest to the user aircraft for the status area.
    virtual void showUserStand(const ParkingPort& parking) { static_cast<void>(parking); }
    // Worker, closing down after join() and before the park airport is left: the stand the user aircraft stands
    // on (on the ground, at most 2 kt) becomes the park airport's reserved stand.
    virtual void keepUserStand(ParkingPort& parking) { static_cast<void>(parking); }
};

} // namespace hlw
