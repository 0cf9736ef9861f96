#pragma once
// The screens of the desktop and the work area a window belongs on.
#include "platform/ui/geometry.h"

#include <vector>

namespace hlw::ui {

// A screen with its work area (the screen without panels and task bars).
struct Screen {
    Rect bounds;
    Rect workArea;
};

// The screen a rectangle overlaps most; with no overlap the one nearest to it; the first on a tie. Its work area,
// or an empty rectangle without screens.
Rect gf_nearestWorkArea(const Rect& rect, const std::vector<Screen>& screens);

} // namespace hlw::ui
