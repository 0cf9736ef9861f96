#include "app/message_band.h"

#include "app/window_layout.h"

namespace hlw {

void gf_paintMessageBand(ui::Painter& painter, const MessageLineTexts& texts)
{
    const bool error = !texts.error.empty();
    // One pixel wider and higher than the band: the client area clips it.
    painter.fillRect({0, 448, 881, 477}, error ? red : green);
    const std::string& text = error ? texts.error : texts.message;
    if (!text.empty()) {
        painter.text({3, 455}, text, yellow);
    }
}

} // namespace hlw
