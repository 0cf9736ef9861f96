#pragma once
// The traffic start of a worker's run: the simulator link and the user aircraft, the add-on airports scan, the
// range, the live-traffic link and the readers, until the first traffic arrives.
#include "engine/run/worker_context.h"

namespace hlw {

// Traffic start: simulator link, user aircraft, add-on scan, range, live-traffic link, readers, first traffic.
// False when a stop or a close came meanwhile.
bool gf_startSession(WorkerContext& context);

} // namespace hlw
