#pragma once
// The simulator link's reports as the traffic run takes them: stops through the run's one stop rule, a lost
// simulator through gf_simDisconnected, and the painter's values on the status board.
#include "core/status_board.h"
#include "engine/sim/sim_link_events.h"

namespace hlw {

class SimLinkRunEvents final : public SimLinkEvents {
public:
    explicit SimLinkRunEvents(StatusBoard& status) : status_(status) {}

    // "NEW FLIGHT" 45 s, "SIMCONNECT ERROR" 9 s, "SYSTEM ERROR" 0 s.
    void requestStop(SimLinkStop stop) override;
    void simDisconnected(bool otherVersion) override;
    void showSimConnected(bool connected) override;
    void showFlightRunning(bool running) override;
    void showSimText(const std::string& text) override;
    void showAircraftText(const std::string& text) override;
    void showWingSpanKnown(bool known) override;
    void showStandText(const std::string& text) override;

private:
    StatusBoard& status_;
};

} // namespace hlw
