#pragma once
// Writing setting values into the main window's controls, through the window layer's control port.
// Callable from any thread; every call is posted to the window and never waits for it.
#include "platform/ui/control_port.h"
#include "settings/parameter.h"

namespace hlw {

// The two bands of the main window's client area that the program repaints.
inline constexpr ui::Rect statusBandRect{0, 28, 880, 112};
inline constexpr ui::Rect settingsPanelRect{0, 112, 880, 392};

void gf_enableControl(const ControlBinding& binding, bool enabled = true);

// Writes the value as decimal text into the setting's control (a list selects the entry equal to it, or none)
// and repaints the settings panel. Logs "GetDlgItem failed for ID {}" when the window has no such control; a
// program without a window says nothing.
void gf_setIntControlText(const IntComboParameter& parameter);
// The same for a text setting.
void gf_setStringControlText(const StringEditParameter& parameter);

// Makes every message-line change post the window's repaint message.
void gf_routeMessageLineToControlPort();

} // namespace hlw
