#pragma once
// One paint of the main window's client area: the five band backgrounds, the status area over them and the
// message band last.
#include "app/main_window_state.h"
#include "core/message_line.h"
#include "core/status_board.h"
#include "platform/ui/painter.h"

namespace hlw {

// Without a status painter the area shows only its bands and the message band.
void gf_paintClientArea(ui::Painter& painter, StatusPainter* statusPainter, const StatusValues& values,
                        const MessageLineTexts& message);

} // namespace hlw
