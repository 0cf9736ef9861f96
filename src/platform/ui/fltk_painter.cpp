#include "platform/ui/fltk_painter.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

namespace hlw::ui {
namespace {

constexpr Fl_Fontsize textSize = 13;

Fl_Color lf_flColour(Colour colour)
{
    const Rgb rgb = gf_rgbOf(colour);
    return fl_rgb_color(rgb.red, rgb.green, rgb.blue);
}

} // namespace

void FltkPainter::fillRect(Rect rect, Colour colour)
{
    if (!rect.empty()) {
        fl_rectf(rect.left, rect.top, rect.width(), rect.height(), lf_flColour(colour));
    }
}

void FltkPainter::line(Point from, Point to, Colour colour)
{
    fl_color(lf_flColour(colour));
    fl_line_style(FL_SOLID, 1);
    fl_line(from.x, from.y, to.x, to.y);
    fl_line_style(0);
}

void FltkPainter::text(Point topLeft, std::string_view text, Colour colour)
{
    fl_font(FL_HELVETICA, textSize);
    fl_color(lf_flColour(colour));
    // FLTK places text by its baseline.
    fl_draw(text.data(), static_cast<int>(text.size()), topLeft.x, topLeft.y + fl_height() - fl_descent());
}

void gf_useDejaVuFonts()
{
    // FLTK's Xft names begin with a style letter: ' ' regular, 'B' bold.
    Fl::set_font(FL_HELVETICA, " DejaVu Sans");
    Fl::set_font(FL_HELVETICA_BOLD, "BDejaVu Sans");
}

} // namespace hlw::ui
