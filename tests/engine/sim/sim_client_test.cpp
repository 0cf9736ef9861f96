// The simulator client thread on the recording back end, with a clock that moves only when the thread sleeps.
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_client.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>

namespace hlw::test {
namespace {

using namespace sim_ids;
using namespace std::chrono_literals;

class SimClient : public SimLinkTest {
protected:
    // The thread's sleeps move the clock; onSleep sees each one (its number counts from 1).
    SimClientTiming timing() {
        return {clock.clock(), [this](SteadyTime until) {
                    const SteadyTime before = clock.now();
                    if (until > before) {
                        clock.setTo(until);
                    }
                    sleeps.push_back(until - before);
                    if (onSleep) {
                        onSleep(sleeps.size());
                    }
                }};
    }
    void startThread(SimClientThread::ModelFactsSource facts = gf_testModelFacts) {
        thread = std::make_unique<SimClientThread>(shared, timing(), std::move(facts));
        thread->start();
    }
    // Waits until the thread has ended by itself, then joins it.
    void waitForEnd() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!events.has("connected false") && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(events.has("connected false"));
        thread->join();
    }
    HANDLE handle() const { return recording.openedHandles().at(0); }
    void injectWhenOpen(std::vector<uint8_t> record) {
        onSleep = [this, record](size_t) {
            if (!recording.openedHandles().empty() && !injected) {
                injected = true;
                recording.inject(handle(), record);
            }
        };
    }

    std::vector<std::chrono::nanoseconds> sleeps;
    std::function<void(size_t)> onSleep;
    bool injected = false;
    std::unique_ptr<SimClientThread> thread;
};

TEST_F(SimClient, RetriesTheOpenEvery100msShowsTheWaitOnceAndStopsBeforeAnotherOpen) {
    recording.refuseOpen(true);
    simIsMsfs2020.store(false);
    onSleep = [](size_t count) {
        if (count == 5) {
            stopRequested.store(true);
        }
    };
    startThread();
    waitForEnd();
    EXPECT_EQ(recording.refusedOpens(), 5u);
    EXPECT_TRUE(recording.openedHandles().empty());
    ASSERT_EQ(sleeps.size(), 5u);
    for (const auto pause : sleeps) {
        EXPECT_EQ(pause, 100ms);
    }
    EXPECT_EQ(logCount("Waiting for MSFS 2024 ..."), 1u);
    EXPECT_EQ(logCount("SimConnect closed ok"), 0u);
}

TEST_F(SimClient, OpensRegistersPumpsEveryMillisecondAndClosesWhenStopped) {
    onSleep = [this](size_t count) {
        if (count == 3) {
            recording.inject(handle(), gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventSim, 1));
        }
        if (count == 6) {
            recording.inject(handle(), gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventSim, 0));
            thread->requestStop();
        }
    };
    startThread();
    waitForEnd();
    ASSERT_EQ(recording.openedHandles().size(), 1u);
    EXPECT_EQ(recording.clientName(handle()), "Hollowmere");
    EXPECT_EQ(sleeps.size(), 6u);
    for (const auto pause : sleeps) {
        EXPECT_EQ(pause, 1ms);
    }
    const std::vector<SimCall> sent = recording.calls(handle());
    ASSERT_EQ(sent.size(), 73u); // 72 registrations and the closing call
    EXPECT_EQ(sent.front().kind, SimCallKind::SubscribeToSystemEvent);
    EXPECT_EQ(sent.back().kind, SimCallKind::Close);
    // The record injected with the stop was never dispatched.
    EXPECT_TRUE(flightRunning.load());
    EXPECT_EQ(shared.handle.load(), nullptr);
    EXPECT_EQ(logCount("SimConnect closed ok"), 1u);
}

TEST_F(SimClient, AQuitEndsTheRunAsAClosedSimulator) {
    injectWhenOpen(gf_eventRecordBytes(SIMCONNECT_RECV_ID_QUIT, 0, 0));
    startThread();
    waitForEnd();
    EXPECT_TRUE(events.has("disconnected false"));
    EXPECT_FALSE(events.has("stop SimConnectError"));
    EXPECT_EQ(logCount("SimConnect closed ok"), 1u);
}

TEST_F(SimClient, ABrokenConnectionWithoutQuitIsASimConnectError) {
    onSleep = [this](size_t) {
        if (!recording.openedHandles().empty()) {
            recording.closeFromSimulator(handle());
        }
    };
    flightRunning.store(true);
    startThread();
    waitForEnd();
    EXPECT_TRUE(events.has("stop SimConnectError"));
    EXPECT_FALSE(events.has("disconnected false"));
    EXPECT_TRUE(simConnectError.load());
    EXPECT_FALSE(flightRunning.load());
    EXPECT_EQ(logCount("==> SimConnect: the connection to the simulator broke"), 1u);
}

TEST_F(SimClient, ABrokenConnectionAfterAStopRequestChangesNothing) {
    onSleep = [this](size_t) {
        if (!recording.openedHandles().empty()) {
            recording.closeFromSimulator(handle());
            userClosing.store(true);
        }
    };
    startThread();
    waitForEnd();
    EXPECT_FALSE(events.has("stop SimConnectError"));
    EXPECT_FALSE(simConnectError.load());
}

TEST_F(SimClient, TheOtherSimulatorVersionAsksForTheSwitch) {
    flightRunning.store(true);
    injectWhenOpen(gf_openRecordBytes("SunRise"));
    startThread();
    waitForEnd();
    EXPECT_EQ(logCount("MSFS and Hollowmere do not match, restarting ..."), 1u);
    EXPECT_TRUE(events.has("disconnected true"));
    EXPECT_FALSE(flightRunning.load());
    EXPECT_TRUE(gf_messageLineTexts().error.empty());
}

TEST_F(SimClient, AnUnknownSimulatorShowsItsErrorAndStopsTheRunAsASystemError) {
    injectWhenOpen(gf_openRecordBytes("OtherSim"));
    startThread();
    waitForEnd();
    EXPECT_EQ(gf_messageLineTexts().error, "77: 'OtherSim' not being MSFS 2020 or MSFS 2024 connects ... ?");
    EXPECT_TRUE(events.has("stop SystemError"));
    EXPECT_FALSE(events.has("disconnected false"));
    EXPECT_EQ(logCount("SimConnect closed ok"), 1u);
}

TEST_F(SimClient, OtherFaultsShowTheirTextAndEndTheRunAsALostSimulator) {
    startThread([]() -> ModelFacts { throw std::runtime_error("model tables unreadable"); });
    waitForEnd();
    EXPECT_EQ(gf_messageLineTexts().error, "model tables unreadable");
    EXPECT_TRUE(events.has("disconnected false"));

    gf_clearError();
    stopRequested.store(false);
    RecordingLinkEvents second;
    SimLinkShared link(second, clock.clock());
    SimClientThread odd(link, timing(), []() -> ModelFacts { throw 5; });
    odd.start();
    while (!second.has("connected false")) {
        std::this_thread::yield();
    }
    odd.join();
    EXPECT_EQ(gf_messageLineTexts().error, "Exception in SimClient");
    EXPECT_TRUE(second.has("disconnected false"));
}

} // namespace
} // namespace hlw::test
