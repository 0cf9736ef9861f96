#pragma once
// Where the main window goes: its stored corner ("MAIN_WINDOW_X", "MAIN_WINDOW_Y"), kept on a screen.
#include "platform/ui/window.h"

namespace hlw {

// How much of the window stays inside the work area on every side.
inline constexpr int32_t visibleMargin = 48;

// The window's new top-left corner: a window wider (higher) than the work area starts at its left (top) edge;
// then it is shifted so that its right edge lies at least 48 pixels right of the work area's left edge and its
// left edge at most 48 pixels left of the work area's right edge, and the same vertically. A rectangle without
// size (a window not created yet) keeps its corner within [left + 48, right - 48] × [top + 48, bottom - 48].
ui::Point gf_cornerOnWorkArea(ui::Rect window, ui::Rect workArea);

// Keeps the window on its screen. A stored coordinate at a bound of its range (a screen that has gone) becomes
// the fallback and is saved. The window's normal rectangle (none while it does not exist yet), moved to the stored
// corner, is then kept on the work area of the nearest screen; a changed corner is stored, saved and, when the
// window exists, the window is moved there.
void gf_placeOnMonitor(ui::Window& window, bool windowExists, int32_t fallbackX, int32_t fallbackY);

// Reads the stored corner from "parameters.xml" before the settings are loaded. Without the file the corner
// stays at its defaults and nothing is checked. A file that does not load is reported, kept as one older
// generation and removed; the corner then stays at its defaults. Otherwise each stored value is clamped into its
// range (an absent one gives the default) and the corner is kept on its screen.
void gf_readWindowPosition(ui::Window& window);

// The program quits: the window's normal rectangle (not the minimised one) becomes the stored corner, which is
// kept on its screen with the previous corner as fallback.
void gf_saveWindowPosition(ui::Window& window);

} // namespace hlw
