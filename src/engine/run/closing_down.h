#pragma once
// The end of a worker's run: readers, links and threads stopped, the park airport left, the run reset, the summaries
// logged and the window told what follows (a restart after the countdown, or the end of the program).
#include "engine/run/worker_context.h"

namespace hlw {

// Closing down; never throws and always posts to the window.
void gf_closingDown(WorkerContext& context) noexcept;

} // namespace hlw
