#pragma once
// Named sets of status values, panel settings and message line that show the main window in one of the states a
// user meets, for screenshots, pixel checks and the painter's tests.
#include "app/status_painter.h"
#include "core/status_board.h"

#include <string>
#include <string_view>
#include <vector>

namespace hlw::demo {

struct WindowScenario {
    std::string name;
    std::string description;
    StatusValues status;
    PanelView panel;
    std::string message;
    std::string error;
};

const std::vector<WindowScenario>& gf_windowScenarios();
// Nullptr for an unknown name.
const WindowScenario* gf_findWindowScenario(std::string_view name);

// Sets the settings the panel's labels and controls show from the scenario's panel.
void gf_applyPanelSettings(const PanelView& panel);

} // namespace hlw::demo
