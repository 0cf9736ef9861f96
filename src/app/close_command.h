#pragma once
// The window's close command, shared by the window and the console host: the closing text on the message line
// (not logged), userClosing, the link to the live-traffic application closed, and the stop "USER CLOSED SIM"
// unless a reason was given before. The worker's closing down then ends the program.
#include "engine/run/worker_context.h"

namespace hlw {

void gf_runCloseCommand(WorkerContext& context);

// The code the program ends with: the one the run set, or 1 when the run ended with "SYSTEM ERROR".
int gf_programExitCode(int codeSetByRun);

} // namespace hlw
