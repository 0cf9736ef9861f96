#include "engine/sim/sim_client.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_dispatch.h"
#include "engine/sim/sim_vocabulary.h"
#include "platform/os/timer_resolution.h"

#include <fmt/format.h>

#include <exception>
#include <string>
#include <utility>

namespace hlw {
namespace {

constexpr int simMismatchCode = 2024;
constexpr const char* threadName = "SimClient";

} // namespace

SimClientTiming gf_realSimClientTiming() {
    return {[] { return std::chrono::steady_clock::now(); },
            [](SteadyTime until) { std::this_thread::sleep_until(until); }};
}

void gf_closeSimConnect(HANDLE& handle) {
    if (handle == nullptr) {
        return;
    }
    if (SimConnect_Close(handle) < 0) {
        gf_logAlert("Closing SimConnect failed?!");
    } else {
        gf_log("SimConnect closed ok");
    }
    handle = nullptr;
}

SimClientThread::SimClientThread(SimLinkShared& shared, SimClientTiming timing, ModelFactsSource facts)
    : shared_(shared), timing_(std::move(timing)), facts_(std::move(facts)) {}

SimClientThread::~SimClientThread() { join(); }

void SimClientThread::start() {
    join();
    stopSource_ = std::stop_source();
    thread_ = std::jthread([this, token = stopSource_.get_token()] { run(token); });
}

void SimClientThread::requestStop() { stopSource_.request_stop(); }

void SimClientThread::join() {
    if (thread_.joinable()) {
        stopSource_.request_stop();
        thread_.join();
    }
}

bool SimClientThread::stopping(const std::stop_token& token) const {
    return token.stop_requested() || stopRequested.load() || userClosing.load();
}

void SimClientThread::run(const std::stop_token& token) {
    shared_.handle.store(nullptr);
    HANDLE own = nullptr;
    bool switchSimulator = false;
    bool lost = false;
    try {
        connectAndPump(token, own);
    } catch (const UserErrorException& e) {
        if (e.code() == simMismatchCode) {
            gf_log(fmt::format("MSFS and {} do not match, restarting ...", productName));
            switchSimulator = true;
            lost = true;
        } else {
            // The simulator refused the program: nothing will work until the user acts.
            gf_showError(e.what());
            shared_.events.requestStop(SimLinkStop::SystemError);
        }
    } catch (const std::exception& e) {
        gf_showError(e.what());
        lost = true;
    } catch (...) {
        gf_showError(fmt::format("Exception in {}", threadName));
        lost = true;
    }
    if (lost) {
        flightRunning.store(false);
        shared_.events.simDisconnected(switchSimulator);
    }
    closeOnExit(own);
}

void SimClientThread::connectAndPump(const std::stop_token& token, HANDLE& own) {
    bool firstPass = true;
    while (!stopping(token)) {
        if (firstPass) {
            firstPass = false;
            gf_log(" ");
            gf_setMessage(fmt::format("Waiting for MSFS 20{} ...", simIsMsfs2020.load() ? "20" : "24"), true);
            gf_logFlushNow();
        }
        gf_closeSimConnect(own);
        if (SimConnect_Open(&own, std::string(productName).c_str(), nullptr, 0, nullptr, 0) < 0) {
            own = nullptr;
            timing_.sleepUntil(timing_.now() + kSimOpenRetry);
            continue;
        }
        shared_.handle.store(own);
        gf_registerSimVocabulary(own);
        pump(token, own);
        return;
    }
}

void SimClientThread::pump(const std::stop_token& token, HANDLE own) {
    const os::TimerResolutionGuard resolution(1);
    SimDispatcher dispatcher(shared_, facts_());
    while (!stopping(token)) {
        const HRESULT result = SimConnect_CallDispatch(own, &SimDispatcher::dispatchProc, &dispatcher);
        if (dispatcher.quitReceived()) {
            shared_.events.simDisconnected(false);
            return;
        }
        if (result < 0) {
            flightRunning.store(false);
            if (!stopRequested.load() && !userClosing.load()) {
                gf_logAlert("SimConnect: the connection to the simulator broke");
                simConnectError.store(true);
                shared_.events.requestStop(SimLinkStop::SimConnectError);
            }
            return;
        }
        timing_.sleepUntil(timing_.now() + kSimPumpPause);
    }
}

void SimClientThread::closeOnExit(HANDLE& own) {
    shared_.events.showSimConnected(false);
    {
        // No worker request may be running on the connection while it closes.
        const SimCommandQueues::Lock held = shared_.commands.lock();
        shared_.handle.store(nullptr);
    }
    gf_closeSimConnect(own);
}

} // namespace hlw
