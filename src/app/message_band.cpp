#include "app/message_band.h"

#include "app/window_layout.h"

#include <string>
#include <string_view>

namespace hlw {
namespace {

bool lf_isControl(char c) noexcept
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The line as one row of text: the painter would draw a control character (the "\n" that ends some messages) as
// a box. Those at either end go, any other becomes a blank.
std::string lf_printable(std::string_view text)
{
    while (!text.empty() && lf_isControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && lf_isControl(text.back())) {
        text.remove_suffix(1);
    }
    std::string line(text);
    for (char& c : line) {
        if (lf_isControl(c)) {
            c = ' ';
        }
    }
    return line;
}

} // namespace

void gf_paintMessageBand(ui::Painter& painter, const MessageLineTexts& texts)
{
    const bool error = !texts.error.empty();
    // One pixel wider and higher than the band: the client area clips it.
    painter.fillRect({0, 448, 881, 477}, error ? red : green);
    const std::string text = lf_printable(error ? texts.error : texts.message);
    if (!text.empty()) {
        painter.text({3, 455}, text, yellow);
    }
}

} // namespace hlw
