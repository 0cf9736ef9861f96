#pragma once
// The shared flags of a traffic run and the one stop rule. Written by the worker, the window, the simulator
// client and the reader threads, read everywhere, so every one of them is atomic.
//
// The stop rule: a requester compare-exchanges the stop word (reason and restart countdown in one atomic) from
// "not set" and then sets stopRequested; the first one wins and later requests change nothing. Only a user
// error or an unknown exception in the worker stores "SYSTEM ERROR" whatever was set before. Closing down reads
// the word once.
#include "core/run_state_port.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace hlw {

// Why a traffic run ends.
enum class ExitReason : int32_t {
    notYetSet = 0,
    simWasClosed = 1,
    newFlight = 2,
    newSettings = 3,
    userClosedSim = 4,
    simConnectError = 5,
    readerError = 6,
    systemError = 7,
    newVersion = 8,
};

// "NOT YET SET", "SIM WAS CLOSED", ... as the closing-down line prints them.
std::string_view gf_exitReasonName(ExitReason reason) noexcept;

// The reason and the restart countdown, as fixed by the first requester.
struct StopDecision {
    ExitReason reason = ExitReason::notYetSet;
    int32_t restartSeconds = 0;

    // "NEW SETTINGS", "SIMCONNECT ERROR" and "READER ERROR" restart the worker; every other reason ends.
    bool restarts() const noexcept;
    bool operator==(const StopDecision&) const = default;
};

// Fixes reason and countdown when no reason is set yet, then sets stopRequested. True when this call fixed them.
bool gf_requestStop(ExitReason reason, int32_t restartSeconds) noexcept;
// A user error or an unknown exception: "SYSTEM ERROR" without a countdown, whatever was set before.
void gf_forceSystemErrorStop() noexcept;
StopDecision gf_stopDecision() noexcept;

// The run reset before a restart: no stop, no reason, no flight, no report, no simulator error, no simulator
// time. userClosing is left alone: closing down checks it after the reset and ends the program when it is set.
void gf_resetRunFlags() noexcept;

extern std::atomic<bool> stopRequested;
// The user is closing the program; the worker and the readers treat it like stopRequested.
extern std::atomic<bool> userClosing;
// A flight runs in the simulator (written by the simulator link).
extern std::atomic<bool> flightRunning;
// A simulator request failed; no tick, request or queue drain runs while it is set.
extern std::atomic<bool> simConnectError;
// The once-per-second user-aircraft report arrived; the main loop exchanges it to false.
extern std::atomic<bool> userDataArrived;
// Set from the command line before the first worker: the program closes after the start-up checks.
extern std::atomic<bool> productionMode;
// Written by closing down: the next worker is a restart.
extern std::atomic<bool> isRestart;
// The reference database was read in this program run.
extern std::atomic<bool> dataFilesRead;
// The live-traffic application is installed on this PC.
extern std::atomic<bool> rtOnThisPc;
// Set at the start of every run and cleared once the live-traffic application has connected: until then a scan
// switched on in the window restarts the run at once.
extern std::atomic<bool> rtLinkPending;
// The live-traffic application reported level 2: the simulator time is sent to it.
extern std::atomic<bool> simTimeEnabled;
// The current weekday (low half) and half-hour slot (high half), core/reference_time.h.
extern std::atomic<uint64_t> nowWeekdaySlot;

extern std::atomic<bool> simIsMsfs2020;
extern std::atomic<int32_t> simCode;
// The simulator's clock is the program's reference time (core/reference_time.h): set by the live-traffic link
// while an application of level 2 is connected, cleared when it goes and by the run reset.
extern std::atomic<bool> simTimeInUse;
// Simulator UTC seconds since 1970, written by the simulator link from the user aircraft's data.
extern std::atomic<int64_t> simUtcSeconds;

// Makes core's services (log, time) read the flags above.
void gf_installEngineRunState() noexcept;

} // namespace hlw
