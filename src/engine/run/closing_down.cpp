#include "engine/run/closing_down.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_wait.h"
#include "engine/run/start_up.h"
#include "liveries/matching_summary.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <chrono>
#include <exception>
#include <string>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto newFlightWait = 10s;

// The post to the window sits in the destructor, so that closing down posts on every path. Only a restart whose
// reset has completed starts a new worker; anything else ends the program.
class FinalPost {
public:
    explicit FinalPost(WindowPort& window) : window_(window) {}
    ~FinalPost()
    {
        isRestart.store(restart);
        try {
            if (restart) {
                window_.postStartWorker();
            } else {
                window_.postQuit();
            }
        } catch (...) {
            gf_logAlert("lf_closingDown: the window could not be told");
        }
    }
    FinalPost(const FinalPost&) = delete;
    FinalPost& operator=(const FinalPost&) = delete;

    bool restart = false;

private:
    WindowPort& window_;
};

template <typename Action> void lf_guarded(const char* what, Action&& action) noexcept
{
    try {
        action();
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("lf_closingDown: {} failed: {}", what, error.what()));
    } catch (...) {
        gf_logAlert(fmt::format("lf_closingDown: {} failed: Unknown exception", what));
    }
}

// The simulator link's thread and both readers end before the window hears of the end of this run: no thread
// outlives its run.
void lf_stopThreads(WorkerContext& context) noexcept
{
    lf_guarded("trafficRunning", [&] { context.traffic.setRunning(false); });
    lf_guarded("simulator link stop", [&] { context.simLink.stop(); });
    lf_guarded("readers stop", [&] { context.readers.stop(); });
    lf_guarded("simulator link join", [&] { context.simLink.join(); });
    lf_guarded("readers join", [&] { context.readers.join(); });
}

void lf_removeFlightPlanFolder()
{
    const fs::path folder = gf_flightPlanFolder();
    std::error_code error;
    fs::remove_all(folder, error);
    // A file may still be closing when the folder goes: one more try.
    if (error == std::errc::directory_not_empty) {
        error.clear();
        fs::remove_all(folder, error);
    }
    if (error) {
        gf_log(fmt::format("gf_removeFlightPlanFolder: {}", error.message()));
    }
}

void lf_switchScansOff()
{
    for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
        scan->setAndSave(false);
        scan->showCheck();
    }
}

// Counts the restart down on the message line, one second at a time; a close ends it at once.
void lf_restartCountdown(WorkerContext& context, int32_t seconds)
{
    if (seconds < 1) {
        return;
    }
    gf_log(fmt::format("Restarting after {} seconds", seconds));
    gf_log(std::string(48, '-'));
    for (int32_t left = seconds; left >= 1; --left) {
        gf_setMessage(fmt::format("Restarting after {} second{}", left, gf_pluralInt(left)), false);
        if (!gf_sleepUnless(context.time, 1s, [] { return userClosing.load(); })) {
            return;
        }
    }
    gf_log("Restart countdown finished");
}

// Every run value back to its start, for the next worker.
void lf_resetSession(WorkerContext& context)
{
    gf_resetRunFlags();
    gf_resetMessageLine();
    context.status.reset();
    context.requests.clear();
    context.traffic.setRunning(false);
    context.tick.reset();
    context.resets.runAll();
}

void lf_leaveParkAirport(WorkerContext& context)
{
    if (context.parking.parkAirportActive()) {
        context.parking.leaveParkAirport();
    }
}

void lf_closeRun(WorkerContext& context, const StopDecision& decision, FinalPost& post)
{
    // The simulator link has ended: the stand the user stands on is kept before the park airport is left.
    context.simLink.keepUserStand(context.parking);
    context.liveLink.close();
    if (decision.reason == ExitReason::systemError || decision.reason == ExitReason::newVersion) {
        // The error, or the note about the new version, stays on the window until the user closes it.
        lf_leaveParkAirport(context);
        if (context.window.userCanClose()) {
            while (!userClosing.load()) {
                context.time.sleepFor(stopPollInterval);
            }
            // The error line still shows, and it holds back messages: the line goes to the log directly.
            const std::string closed = fmt::format("User closed {}", productName);
            gf_log(closed);
            gf_setMessage(closed, false);
        }
    }
    lf_leaveParkAirport(context);
    context.lifecycle.forgetTitlesPerHexId();
    lf_removeFlightPlanFolder();
    settings::destination.setAndSave("");
    settings::blockCallsign.setAndSave("");
    context.status.update([](StatusValues& values) {
        values.simAddonCount = 0;
        values.tbloNeeded = 0;
    });
    context.lifecycle.forgetGhostNames();
    gf_logMatchingSummary();
    context.lifecycle.logUnmatchedNames();
    if (decision.restarts()) {
        gf_clearError();
        gf_clearMessage();
        gf_setMessage("Prepare for a restart ...", true);
        if (decision.reason != ExitReason::newSettings) {
            lf_switchScansOff();
        }
        lf_restartCountdown(context, decision.restartSeconds);
        // A close during or after the countdown ends the program instead.
        if (!userClosing.load()) {
            lf_resetSession(context);
            post.restart = !userClosing.load();
        }
        return;
    }
    if (decision.reason == ExitReason::newFlight) {
        gf_setMessage(fmt::format("New flight detected, {} will close, please restart manually ...", productName),
                      true);
        gf_sleepUnless(context.time, newFlightWait, [] { return userClosing.load(); });
    }
}

} // namespace

void gf_closingDown(WorkerContext& context) noexcept
{
    FinalPost post(context.window);
    // A run that ends without a reason (a close seen before the window's request) ends as closed by the user.
    gf_requestStop(ExitReason::userClosedSim, 0);
    const StopDecision decision = gf_stopDecision();
    gf_log(fmt::format("Exiting: {}", gf_exitReasonName(decision.reason)));
    lf_stopThreads(context);
    try {
        lf_closeRun(context, decision, post);
    } catch (const std::exception& error) {
        gf_setMessage(fmt::format("{} exception {}", "lf_closingDown", error.what()), true);
    } catch (...) {
        gf_setMessage("lf_closingDown exception Unknown exception", true);
    }
    gf_logFlushNow();
}

} // namespace hlw
