#pragma once
// The painter of the FLTK back end: draws into FLTK's current drawing target (the window's off-screen buffer
// during a paint). Texts use the window layer's text font (DejaVu Sans through fontconfig).
#include "platform/ui/painter.h"

namespace hlw::ui {

class FltkPainter final : public Painter {
  public:
    void fillRect(Rect rect, Colour colour) override;
    void line(Point from, Point to, Colour colour) override;
    void text(Point topLeft, std::string_view text, Colour colour) override;
};

// Makes FLTK's sans-serif faces DejaVu Sans; the painter's text and the controls use them.
void gf_useDejaVuFonts();

} // namespace hlw::ui
