#include "support/recording_painter.h"

#include <fmt/format.h>

namespace hlw::ui {

void RecordingPainter::fillRect(Rect rect, Colour colour)
{
    operations_.push_back(
        fmt::format("fill {},{},{},{} 0x{:06X}", rect.left, rect.top, rect.right, rect.bottom, colour));
}

void RecordingPainter::line(Point from, Point to, Colour colour)
{
    operations_.push_back(fmt::format("line {},{} {},{} 0x{:06X}", from.x, from.y, to.x, to.y, colour));
}

void RecordingPainter::text(Point topLeft, std::string_view text, Colour colour)
{
    operations_.push_back(fmt::format("text {},{} 0x{:06X} {}", topLeft.x, topLeft.y, colour, text));
}

} // namespace hlw::ui
