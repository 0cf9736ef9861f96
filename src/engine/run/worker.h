#pragma once
// The worker thread's body: one traffic run from start-up to closing down. It checks the program folder, loads
// the settings and the data files, builds the livery tables, starts the traffic (simulator link, live-traffic
// link, readers), runs the main loop until a stop, and closes down, which posts either "start a new worker"
// (a restart) or "quit" to the window, in every case.
#include "engine/run/worker_context.h"

namespace hlw {

// The thread body. Exceptions of the start-up end the run with "SYSTEM ERROR" (shown on the error line); none
// leaves the function.
void gf_runWorker(WorkerContext& context) noexcept;

} // namespace hlw
