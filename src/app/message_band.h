#pragma once
// The message band at the bottom of the main window: red while an error is shown, else green, with the error or
// the message in yellow at (3, 455), drawn as one row without control characters.
#include "core/message_line.h"
#include "platform/ui/painter.h"

namespace hlw {

void gf_paintMessageBand(ui::Painter& painter, const MessageLineTexts& texts);

} // namespace hlw
