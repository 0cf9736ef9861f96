#pragma once
// A recording control port installed for the lifetime of the object, with the main window's controls created
// from the catalogue as the window creates them. Suites that use it link the settings library.
#include "settings/catalogue.h"
#include "support/recording_control_port.h"

namespace hlw::test {

inline ui::ControlKind controlKindOf(const ControlBinding& binding)
{
    if (dynamic_cast<const BoolCheckBoxParameter*>(&binding) != nullptr)
        return ui::ControlKind::checkBox;
    if (dynamic_cast<const ButtonControl*>(&binding) != nullptr)
        return ui::ControlKind::button;
    if (dynamic_cast<const StringComboParameter*>(&binding) != nullptr ||
        dynamic_cast<const SharedStringComboParameter*>(&binding) != nullptr ||
        dynamic_cast<const IntComboParameter*>(&binding) != nullptr ||
        dynamic_cast<const FloatComboParameter*>(&binding) != nullptr) {
        return ui::ControlKind::comboBox;
    }
    return ui::ControlKind::editBox;
}

class RecordedWindow {
  public:
    // Without controls: the state before the window has created them.
    explicit RecordedWindow(bool createControls = true)
    {
        if (createControls) {
            for (const Parameter* setting : settings::allSettings) {
                if (const auto* binding = dynamic_cast<const ControlBinding*>(setting)) {
                    port.createControl(binding->controlId(), controlKindOf(*binding));
                }
            }
            for (const ButtonControl* button : settings::allButtons) {
                port.createControl(button->controlId(), ui::ControlKind::button);
            }
        }
        ui::gf_installControlPort(&port);
    }
    ~RecordedWindow() { ui::gf_installControlPort(nullptr); }
    RecordedWindow(const RecordedWindow&) = delete;
    RecordedWindow& operator=(const RecordedWindow&) = delete;

    ui::RecordingControlPort port;
};

} // namespace hlw::test
