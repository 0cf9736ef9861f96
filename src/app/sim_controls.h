#pragma once
// The state of the main window's controls around a traffic run: the start-up state that every worker start
// restores, the parking controls switched off and on around a static-parking calculation, and the selected text
// of a list. Any thread may call these; they reach the controls through the control port and never wait.
#include "core/status_board.h"
#include "platform/ui/window.h"

#include <atomic>
#include <optional>
#include <string>

namespace hlw {

struct ListChoice {
    int32_t index = 0;
    std::string text;

    friend bool operator==(const ListChoice&, const ListChoice&) = default;
};

// The entry the user chose in the list with this id: only for a selection change of exactly that list, while
// it has a selection. The text has whatever length the entry has.
std::optional<ListChoice> gf_comboText(ui::ControlId id, const ui::Command& command);

class SimControls {
  public:
    // The board shows the static-parking state and the minutes to the next update.
    explicit SimControls(StatusBoard& status) : status_(status) {}
    SimControls(const SimControls&) = delete;
    SimControls& operator=(const SimControls&) = delete;

    // The worker's start-up, after the settings were loaded: every control enabled or disabled, filled and
    // selected as a fresh run starts. The same after a restart (the controls are never created again).
    void enableForStartUp();
    // A static-parking calculation begins: the parking controls are switched off ("Now" keeps its state while
    // "INITIAL_LOAD_ONLY" is on) and the board shows static parking busy.
    void disableParking();
    // It ended: the parking controls are switched on again and the next update is 20 minutes away.
    void enableParking();

    // "Now" may be enabled: true from the first start-up on.
    bool nowAllowed() const noexcept { return nowAllowed_.load(); }

  private:
    StatusBoard& status_;
    std::atomic<bool> nowAllowed_{false};
};

} // namespace hlw
