#pragma once
// A painter that draws nothing and logs every operation, one line each:
//   "fill <left>,<top>,<right>,<bottom> 0x<BBGGRR>", "line <x1>,<y1> <x2>,<y2> 0x<BBGGRR>",
//   "text <x>,<y> 0x<BBGGRR> <text>".
#include "platform/ui/painter.h"

#include <string>
#include <vector>

namespace hlw::ui {

class RecordingPainter final : public Painter {
  public:
    void fillRect(Rect rect, Colour colour) override;
    void line(Point from, Point to, Colour colour) override;
    void text(Point topLeft, std::string_view text, Colour colour) override;

    const std::vector<std::string>& operations() const noexcept { return operations_; }

  private:
    std::vector<std::string> operations_;
};

} // namespace hlw::ui
