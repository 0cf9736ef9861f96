#pragma once
// The close button of a window's title bar as a window manager serves it: a click there becomes the client message
// WM_PROTOCOLS / WM_DELETE_WINDOW to the window. A virtual display has no window manager; this sends that message
// itself. A file of its own, because the X11 headers define names (Window, Status, None) that clash with others.
#include <string>

namespace hlw::test {

// True when the message was sent to the window (its id as xdotool prints it) on the display (":<number>").
bool gf_pressCloseButton(const std::string& display, unsigned long window);

} // namespace hlw::test
