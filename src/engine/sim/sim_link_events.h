#pragma once
// What the simulator link tells the traffic run that owns it: the stops it asks for, a lost simulator, and
// the values the status painter shows. The run decides what a stop means (its one stop rule); the link only
// reports. Called from the simulator client thread and, for request errors, from the worker.
#include <string>

namespace hlw {

enum class SimLinkStop {
    NewFlight,       // a flight was loaded or the user aircraft jumped: "NEW FLIGHT", 45 s
    SimConnectError, // a request failed or the connection broke: "SIMCONNECT ERROR", 9 s
    SystemError,     // the simulator refused the program (codes 73, 77, 95): "SYSTEM ERROR", 0 s
};

class SimLinkEvents {
public:
    virtual ~SimLinkEvents() = default;

    virtual void requestStop(SimLinkStop stop) = 0;
    // The simulator said goodbye (otherVersion false), or it is the other simulator version (true).
    virtual void simDisconnected(bool otherVersion) = 0;

    // Status values for the painter; each change repaints.
    virtual void showSimConnected(bool connected) = 0;
    virtual void showFlightRunning(bool running) = 0;
    virtual void showSimText(const std::string& text) = 0;
    virtual void showAircraftText(const std::string& text) = 0;
    virtual void showWingSpanKnown(bool known) = 0;
    virtual void showStandText(const std::string& text) = 0;
};

} // namespace hlw
