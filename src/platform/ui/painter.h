#pragma once
// What a paint of the main window draws with. Coordinates are client pixels; texts are UTF-8.
#include "platform/ui/colour.h"
#include "platform/ui/geometry.h"

#include <string_view>

namespace hlw::ui {

class Painter {
  public:
    virtual ~Painter() = default;

    // Fills the rectangle, right and bottom exclusive.
    virtual void fillRect(Rect rect, Colour colour) = 0;
    // A solid line one pixel wide.
    virtual void line(Point from, Point to, Colour colour) = 0;
    // The text with its top-left corner at the point, on a transparent background.
    virtual void text(Point topLeft, std::string_view text, Colour colour) = 0;
};

} // namespace hlw::ui
