#include "app/headless_host.h"

#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <time.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::string lf_readBack(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

// Real threads (host, workers, the simulator link's and the readers' threads) with fake neighbours on a fake
// clock: start, main loop, a reader error and its restart, the second main loop, the close, the end; the console
// shows the message line and the log holds no complaint about missing controls.
TEST(HeadlessHost, ARestartAfterAReaderErrorAndTheCloseLeaveNoThreadBehind)
{
    test::TempDir dir;
    test::gf_makeProgramFolder(dir.path());
    test::WorkerFolderRun run(dir.path());
    isRestart.store(false);

    std::atomic<bool> closeSignal{false};
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    test::FakeWorld world;
    HeadlessHost host(closeSignal, out, err);
    ui::gf_installControlPort(&host);
    world.status.setRepaintHook([&host] { host.postMessage(ui::repaintMessage); });
    // On the worker's thread: 300 ticks into the first loop the traffic reader fails; 300 ticks into the second
    // the user closes the window.
    std::atomic<bool> failed{false};
    world.tick.onTick = [&](int64_t number) {
        if (number == 300 && !failed.exchange(true)) {
            gf_readerStopped("traffic reader", "receive failed");
        }
        if (number == 600) {
            closeSignal.store(true);
        }
    };
    WorkerContext context = world.context(host);
    const int code = host.run(context);

    ui::gf_installControlPort(nullptr);
    const std::string log = run.finishLog();

    EXPECT_EQ(code, 0);
    EXPECT_EQ(host.workersStarted(), 2);
    EXPECT_FALSE(host.workerRunning());
    EXPECT_FALSE(world.simLink.thread.running());
    EXPECT_FALSE(world.readers.qnhThread.running());
    EXPECT_FALSE(world.readers.trafficThread.running());
    const auto readerError = log.find("Exiting: READER ERROR\n");
    const auto countdown = log.find("Restarting after 15 seconds\n");
    const auto closed = log.find("Exiting: USER CLOSED SIM\n");
    ASSERT_NE(closed, std::string::npos) << log;
    EXPECT_LT(readerError, countdown);
    EXPECT_LT(countdown, closed);
    EXPECT_GE(world.tick.ticks.load(), 600);
    EXPECT_THAT(lf_readBack(out), HasSubstr("Close window button clicked, closing Hollowmere ...\n"));
    EXPECT_THAT(log, HasSubstr("The traffic reader has stopped with error: receive failed\n"));
    // Each start loaded the settings, whose controls a program without a window does not have nor miss.
    EXPECT_THAT(log, HasSubstr("parameters.xml"));
    EXPECT_THAT(log, Not(HasSubstr("GetDlgItem failed")));
    std::fclose(out);
    std::fclose(err);
    gf_resetRunFlags();
    userClosing.store(false);
    isRestart.store(false);
    gf_resetMessageLine();
}

// A close that the pump sees before the start message (a signal while a restart was on its way) starts no run.
TEST(HeadlessHost, ACloseBeforeTheStartMessageStartsNoWorker)
{
    test::TempDir dir;
    gf_startLog(dir / "Log.txt");
    gf_resetRunFlags();
    userClosing.store(false);
    std::atomic<bool> closeSignal{true};
    std::FILE* out = std::tmpfile();
    test::FakeWorld world;
    HeadlessHost host(closeSignal, out, out);
    WorkerContext context = world.context(host);

    EXPECT_EQ(host.run(context), 0);
    EXPECT_EQ(host.workersStarted(), 0);
    EXPECT_TRUE(userClosing.load());
    // The close command closed the link; nothing of a run happened.
    EXPECT_THAT(world.journal.entries(), ElementsAre("link close"));
    std::fclose(out);
    gf_stopLog();
    gf_resetRunFlags();
    userClosing.store(false);
    gf_resetMessageLine();
}

// After the close command the pump waits for the worker's messages: a worker that takes a second to close down
// costs the pump's thread next to no processor time.
TEST(HeadlessHost, WaitsWithoutTurningWhileTheRunCloses)
{
    test::TempDir dir;
    test::gf_makeProgramFolder(dir.path());
    test::WorkerFolderRun run(dir.path());
    isRestart.store(false);
    std::atomic<bool> closeSignal{false};
    std::FILE* out = std::tmpfile();
    test::FakeWorld world;
    HeadlessHost host(closeSignal, out, out);
    world.tick.onTick = [&](int64_t number) {
        if (number == 100) {
            closeSignal.store(true);
            std::this_thread::sleep_for(1s);
        }
    };
    WorkerContext context = world.context(host);
    const auto threadTime = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    };
    const auto before = threadTime();

    EXPECT_EQ(host.run(context), 0);
    EXPECT_LT(threadTime() - before, 300ms);
    EXPECT_THAT(run.finishLog(), HasSubstr("Exiting: USER CLOSED SIM\n"));
    std::fclose(out);
    gf_resetRunFlags();
    userClosing.store(false);
    isRestart.store(false);
    gf_resetMessageLine();
}

} // namespace
} // namespace hlw
