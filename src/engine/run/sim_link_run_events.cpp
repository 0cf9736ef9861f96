#include "engine/run/sim_link_run_events.h"

#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"

namespace hlw {

void SimLinkRunEvents::requestStop(SimLinkStop stop) {
    switch (stop) {
    case SimLinkStop::NewFlight: gf_requestStop(ExitReason::newFlight, 45); break;
    case SimLinkStop::SimConnectError: gf_requestStop(ExitReason::simConnectError, 9); break;
    case SimLinkStop::SystemError: gf_requestStop(ExitReason::systemError, 0); break;
    }
}

void SimLinkRunEvents::simDisconnected(bool otherVersion) { gf_simDisconnected(otherVersion); }

void SimLinkRunEvents::showSimConnected(bool connected) {
    status_.update([connected](StatusValues& v) { v.simConnected = connected; });
}

void SimLinkRunEvents::showFlightRunning(bool running) {
    status_.update([running](StatusValues& v) { v.flightRunningShown = running; });
}

void SimLinkRunEvents::showSimText(const std::string& text) {
    status_.update([&text](StatusValues& v) { v.simulatorText = text; });
}

void SimLinkRunEvents::showAircraftText(const std::string& text) {
    status_.update([&text](StatusValues& v) { v.aircraftTitleText = text; });
}

void SimLinkRunEvents::showWingSpanKnown(bool known) {
    status_.update([known](StatusValues& v) { v.wingSpanKnown = known; });
}

void SimLinkRunEvents::showStandText(const std::string& text) {
    status_.update([&text](StatusValues& v) { v.userStandText = text; });
}

} // namespace hlw
