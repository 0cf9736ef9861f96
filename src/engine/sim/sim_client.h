#pragma once
// The simulator client thread: it opens the connection (retrying every 100 ms until the simulator answers),
// registers the program's vocabulary, then pumps the simulator's messages every millisecond until it is
// stopped or the simulator is gone. Its clock and sleep are injectable, so the retry and the pump run in
// tests without waiting.
#include "engine/sim/sim_link_shared.h"
#include "engine/sim/user_model_rules.h"

#include <chrono>
#include <functional>
#include <stop_token>
#include <thread>

namespace hlw {

struct SimClientTiming {
    SteadyClock now;
    // Returns at the given time (or at once when it has passed).
    std::function<void(SteadyTime until)> sleepUntil;
};

// The steady clock and a real sleep.
SimClientTiming gf_realSimClientTiming();

inline constexpr std::chrono::milliseconds kSimOpenRetry{100};
inline constexpr std::chrono::milliseconds kSimPumpPause{1};

class SimClientThread {
public:
    // The model facts are taken when the thread starts (the reference data is read by then).
    using ModelFactsSource = std::function<ModelFacts()>;

    SimClientThread(SimLinkShared& shared, SimClientTiming timing, ModelFactsSource facts);
    // Stops and joins a thread that still runs.
    ~SimClientThread();
    SimClientThread(const SimClientThread&) = delete;
    SimClientThread& operator=(const SimClientThread&) = delete;

    void start();
    void requestStop();
    void join();
    bool running() const { return thread_.joinable(); }

private:
    void run(const std::stop_token& token);
    bool stopping(const std::stop_token& token) const;
    void connectAndPump(const std::stop_token& token, HANDLE& own);
    void pump(const std::stop_token& token, HANDLE own);
    void closeOnExit(HANDLE& own);

    SimLinkShared& shared_;
    const SimClientTiming timing_;
    const ModelFactsSource facts_;
    // Made before each thread starts, so a stop may be asked for from any thread, the client thread included.
    std::stop_source stopSource_;
    std::jthread thread_;
};

// Closes an open connection: "SimConnect closed ok", or the alert "Closing SimConnect failed?!". The handle is
// null afterwards either way; a null handle is left alone.
void gf_closeSimConnect(HANDLE& handle);

} // namespace hlw
