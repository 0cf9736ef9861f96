#pragma once
// The shared flags of a traffic run. Written by the worker, the window and the simulator client threads,
// read everywhere, so every one of them is atomic.
#include "core/run_state_port.h"

#include <atomic>
#include <cstdint>

namespace hlw {

extern std::atomic<bool> stopRequested;
extern std::atomic<bool> userClosing;
extern std::atomic<bool> simIsMsfs2020;
extern std::atomic<int32_t> simCode;
extern std::atomic<bool> simTimeInUse;
// Simulator UTC seconds since 1970, written by the simulator link from the user aircraft's data.
extern std::atomic<int64_t> simUtcSeconds;

// Makes core's services (log, time) read the flags above.
void gf_installEngineRunState() noexcept;

} // namespace hlw
