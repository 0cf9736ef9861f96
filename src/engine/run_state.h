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
// A flight runs in the simulator; written by the simulator link.
extern std::atomic<bool> flightRunning;
// A simulator request failed; no tick, request or queue drain runs while it is set.
extern std::atomic<bool> simConnectError;
// The simulator's once-per-second user-aircraft report arrived; the main loop takes it by exchange.
extern std::atomic<bool> userDataArrived;

// Makes core's services (log, time) read the flags above.
void gf_installEngineRunState() noexcept;

} // namespace hlw
