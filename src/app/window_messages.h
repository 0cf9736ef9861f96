#pragma once
// The messages posted to the window thread: start a worker (WM_APP+1), save the position and quit (WM_APP+2),
// and repaint the message band (ui::repaintMessage).
#include "platform/ui/control_port.h"

#include <cstdint>

namespace hlw {

inline constexpr uint32_t startWorkerMessage = 0x8001;
inline constexpr uint32_t quitMessage = 0x8002;

} // namespace hlw
