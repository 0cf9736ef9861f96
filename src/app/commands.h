#pragma once
// What happens when the user operates a control of the main window: push buttons, check boxes, lists and the
// Enter key in the three edit boxes. A command changes its setting and saves it at once, tells the user on the
// message line, and hands whatever belongs to the traffic run to the worker as a request (WorkerRequests), or
// stops the run so that the worker restarts with the new setting. The window thread never touches the worker's
// aircraft, stands or park-airport list.
#include "app/main_window_state.h"
#include "app/sim_controls.h"
#include "core/geodesy.h"
#include "core/status_board.h"
#include "engine/run/worker_requests.h"
#include "platform/ui/window.h"
#include "settings/parameter.h"

#include <functional>
#include <string>

namespace hlw {

class WindowCommands final : public CommandHandler {
  public:
    WindowCommands(ui::Window& window, StatusBoard& status, SimControls& controls, WorkerRequests& requests);

    void onCommand(const ui::Command& command) override { handle(command); }
    // True when a handler took the command. Otherwise, and after an exception (logged), the panel is repainted
    // and the result is false.
    bool handle(const ui::Command& command);

  private:
    bool buttons(ui::ControlId id);
    bool checkBoxes(ui::ControlId id);
    bool lists(const ui::Command& command);
    bool enter(ui::ControlId id);

    void staticParkingCountdown();
    void checkBlockCallsign(const std::string& typed);
    void unblockCallsign();
    void blockCallsign(const std::string& callsign);
    void checkDestination(const std::string& typed);
    void applyAutoRange(bool wasOn);

    ui::Window& window_;
    StatusBoard& status_;
    SimControls& controls_;
    WorkerRequests& requests_;
    // The range the user chose before the automatic range took over; RANGE's default until then.
    int32_t manualRange_;
};

// Stores and shows the destination, tells the user, and has the airport put first into the park-airport list by
// addToList (the window's request, or the worker's own call at start-up); "Re-read" waits for that.
void gf_setDestination(const std::string& code, const LatLon& position,
                       const std::function<void(const FixedCode<4>&, const LatLon&)>& addToList);

// The typed simulator packages folder, or its "Community" folder itself, for the target setting: the folder that
// holds "Community" is stored and the run restarts; anything else only tells the user why not.
void gf_checkInstallPath(StringParameter& target, const std::string& typed);

} // namespace hlw
