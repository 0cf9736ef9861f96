#pragma once
// The few X11 calls the FLTK back end needs beyond FLTK's own, kept apart because the X11 headers define names
// (Window, Status, None) that clash with the program's.
class Fl_Window;

namespace hlw::ui {

// Opens the display named by DISPLAY for FLTK unless FLTK has one; false when none can be opened (FLTK itself
// would end the process).
bool gf_openFltkDisplay();
// Asks the window manager to keep the window above others, or no longer; nothing before the window is shown.
void gf_keepAbove(Fl_Window& window, bool above);

} // namespace hlw::ui
