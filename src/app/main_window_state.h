#pragma once
// What the main window works with besides the window layer: the status values it shows and the two parts that
// paint the status area and act on the user's commands. The program entry owns it and hands it to the window.
#include "core/status_board.h"
#include "platform/ui/painter.h"
#include "platform/ui/window.h"

namespace hlw {

// Paints the status area (header, status band, panel labels, parking band) over the band backgrounds; the
// message band is painted after it.
class StatusPainter {
  public:
    virtual ~StatusPainter() = default;
    virtual void paint(ui::Painter& painter, const StatusValues& values) = 0;
};

// Acts on what the user did to a control, on the window thread.
class CommandHandler {
  public:
    virtual ~CommandHandler() = default;
    virtual void onCommand(const ui::Command& command) = 0;
};

struct MainWindowState {
    explicit MainWindowState(StatusBoard& board) : status(board) {}

    StatusBoard& status;
    // Set by the owner before the window is created; without them the area shows only its bands and the
    // commands do nothing.
    StatusPainter* statusPainter = nullptr;
    CommandHandler* commands = nullptr;
};

} // namespace hlw
