#include "app/main_window.h"

#include "app/control_table.h"
#include "app/window_messages.h"
#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/parameters_file.h"
#include "support/log_capture.h"
#include "support/recording_window.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

void lf_resetRun()
{
    gf_resetRunFlags();
    userClosing.store(false);
    isRestart.store(false);
    productionMode.store(false);
    gf_resetMessageLine();
}

fs::path lf_programFolder(const test::TempDir& dir)
{
    test::gf_makeProgramFolder(dir.path());
    return dir / "program";
}

class Commands final : public CommandHandler {
  public:
    void onCommand(const ui::Command& command) override { received.push_back(command); }
    std::vector<ui::Command> received;
};

// A program folder the worker can start in, the recording window installed as the control port, and the main
// window on it. The window's loop runs on a thread of its own, as the entry's thread would run it.
class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest()
    {
        lf_resetRun();
        gf_overrideDataFolderPath(dir / "user");
        setenv("HLMR_ROAMING_APPDATA", (dir / "roaming").c_str(), 1);
        gf_startLog(dir / "Log.txt");
        ui::gf_installControlPort(&window);
        gf_routeMessageLineToControlPort();
        state.commands = &commands;
    }
    ~MainWindowTest() override
    {
        if (windowThread.joinable()) {
            windowThread.join();
        }
        gf_setMessageRepaintHook(nullptr);
        ui::gf_installControlPort(nullptr);
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        unsetenv("HLMR_ROAMING_APPDATA");
        for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
            scan->set(scan->defaultValue());
        }
        settings::mainWindowX.set(settings::mainWindowX.defaultValue());
        settings::mainWindowY.set(settings::mainWindowY.defaultValue());
        lf_resetRun();
    }

    void runWindow(MainWindow& mainWindow)
    {
        windowThread = std::thread([this, &mainWindow] {
            WorkerContext context = world.context(mainWindow);
            code = mainWindow.run(context, closeSignal);
            ended.store(true);
        });
    }
    std::string log()
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }

    test::TempDir dir;
    test::ScopedCurrentPath current{lf_programFolder(dir)};
    test::FakeWorld world;
    ui::RecordingWindow window;
    MainWindowState state{world.status};
    Commands commands;
    std::atomic<bool> closeSignal{false};
    std::thread windowThread;
    std::atomic<bool> ended{false};
    int code = -1;
};

TEST_F(MainWindowTest, OpensAtItsPlaceWithItsControlsAndPaintsTheBands)
{
    MainWindow mainWindow(window, state);
    ASSERT_TRUE(mainWindow.create());
    const std::optional<ui::WindowSpec> spec = window.createdSpec();
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->title, "Hollowmere");
    EXPECT_EQ(spec->position, (ui::Point{400, 48}));
    EXPECT_EQ(spec->clientWidth, 880);
    EXPECT_EQ(spec->clientHeight, 476);
    EXPECT_EQ(window.createdControls().size(), 43U);
    EXPECT_THAT(window.controls().operations(), ElementsAre("invalidate 0,112,880,392 erase"));

    window.pump();
    EXPECT_THAT(window.lastPaint(),
                ElementsAre("fill 0,0,880,28 0x000000", "fill 0,28,880,112 0x000000", "fill 0,112,880,392 0xFFCC99",
                            "fill 0,392,880,448 0x000000", "fill 0,448,881,477 0x32CD32"));
}

// Green with a message, red with an error (which hides messages set after it); yellow text at (3, 455) in one row.
TEST_F(MainWindowTest, TheMessageBandIsGreenWithAMessageAndRedWithAnError)
{
    MainWindow mainWindow(window, state);
    ASSERT_TRUE(mainWindow.create());
    const struct {
        void (*change)();
        const char* fill;
        const char* text;
        bool repaints;
    } rows[] = {
        {[] { gf_setMessage("RealTraffic not detected at this PC", false); }, "fill 0,448,881,477 0x32CD32",
         "text 3,455 0x00FFFF RealTraffic not detected at this PC", true},
        {[] { gf_showError("150: No install path detected"); }, "fill 0,448,881,477 0x0000FF",
         "text 3,455 0x00FFFF 150: No install path detected", true},
        {[] { gf_setMessage("ignored while the error shows", false); }, "fill 0,448,881,477 0x0000FF",
         "text 3,455 0x00FFFF 150: No install path detected", false},
        {[] { gf_clearError(); }, "fill 0,448,881,477 0x32CD32", nullptr, true},
        // A line break or tab is no glyph: drawn as one row, without those at its ends.
        {[] { gf_setMessage("Parking adjustments: 0 to be removed, 3 to be added\n", false); },
         "fill 0,448,881,477 0x32CD32", "text 3,455 0x00FFFF Parking adjustments: 0 to be removed, 3 to be added", true},
        {[] { gf_showError("\nReading failed:\tline 3\r\n"); }, "fill 0,448,881,477 0x0000FF",
         "text 3,455 0x00FFFF Reading failed: line 3", true},
    };
    for (const auto& row : rows) {
        window.controls().takeOperations();
        row.change();
        window.pump();
        const std::vector<std::string> paint = window.lastPaint();
        ASSERT_GE(paint.size(), 5U);
        EXPECT_EQ(paint[4], row.fill);
        EXPECT_EQ(paint.size(), row.text == nullptr ? 5U : 6U);
        if (row.text != nullptr && paint.size() == 6U) {
            EXPECT_EQ(paint[5], row.text);
        }
        // The repaint message becomes an invalidation of the message band alone.
        const std::vector<std::string> repaint{"post 0x8060", "invalidate 0,448,880,476"};
        EXPECT_EQ(window.controls().operations() == repaint, row.repaints);
    }
}

// A click, a list choice and Enter reach the handler with their ids; a disabled edit box takes no input and
// the clicked check box keeps its mark until the program sets it.
TEST_F(MainWindowTest, UserCommandsReachTheHandler)
{
    MainWindow mainWindow(window, state);
    ASSERT_TRUE(mainWindow.create());
    const ui::ControlId check = settings::alwaysOnTop.controlId();
    const ui::ControlId list = settings::maxParkSel.controlId();
    const ui::ControlId edit = settings::blockCallsign.controlId();
    EXPECT_TRUE(window.click(check));
    EXPECT_FALSE(window.typeWithEnter(edit, "DLH4"));
    window.comboFill(list, {"1", "2", "3"}, 0);
    EXPECT_TRUE(window.choose(list, 2));
    window.enable(edit, true);
    EXPECT_TRUE(window.typeWithEnter(edit, "DLH4"));
    window.pump();
    EXPECT_THAT(commands.received, ElementsAre(ui::Command{check, ui::Notification::clicked},
                                               ui::Command{list, ui::Notification::selectionChanged},
                                               ui::Command{edit, ui::Notification::enter}));
    EXPECT_FALSE(window.controls().control(check)->checked);
    EXPECT_EQ(window.controlText(edit), "DLH4");
}

TEST_F(MainWindowTest, ARefusedWindowIsReported)
{
    window.refuseCreation();
    MainWindow mainWindow(window, state);
    EXPECT_FALSE(mainWindow.create());
}

// The user closes while the worker is starting: the closing text shows, the stop is "USER CLOSED SIM", and the
// window stays until the worker's closing down posts the quit; the window's place is saved.
TEST_F(MainWindowTest, ClosingDuringTheStartUpWaitsForTheWorkerToEnd)
{
    std::mutex gateMutex;
    std::condition_variable gateOpened;
    bool open = false;
    MainWindow mainWindow(window, state, [&](std::function<void()> body) {
        return std::thread([&, body = std::move(body)] {
            {
                std::unique_lock lock(gateMutex);
                gateOpened.wait(lock, [&] { return open; });
            }
            body();
        });
    });
    ASSERT_TRUE(mainWindow.create());
    runWindow(mainWindow);
    ASSERT_TRUE(test::gf_eventually([&] { return mainWindow.workersStarted() == 1; }));
    window.close();
    ASSERT_TRUE(test::gf_eventually([] { return stopRequested.load(); }));
    EXPECT_EQ(gf_messageLineTexts().message, "Close window button clicked, closing Hollowmere ...");
    EXPECT_EQ(gf_stopDecision().reason, ExitReason::userClosedSim);
    EXPECT_TRUE(userClosing.load());
    EXPECT_TRUE(window.shown());
    EXPECT_FALSE(ended.load());
    {
        std::lock_guard lock(gateMutex);
        open = true;
    }
    gateOpened.notify_all();
    windowThread.join();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(window.shown());
    EXPECT_FALSE(mainWindow.workerRunning());
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("Exiting: USER CLOSED SIM\n"));
    EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_Y"), 48);
}

// With userClosing set, a start message (a restart after its countdown) starts no worker and ends the program.
TEST_F(MainWindowTest, AStartWhileClosingEndsTheProgramInstead)
{
    MainWindow mainWindow(window, state);
    ASSERT_TRUE(mainWindow.create());
    userClosing.store(true);
    mainWindow.setExitCode(3);
    runWindow(mainWindow);
    windowThread.join();
    EXPECT_EQ(code, 3);
    EXPECT_EQ(mainWindow.workersStarted(), 0);
}

// A worker that cannot be started is shown on the error line; the close then ends the program.
TEST_F(MainWindowTest, AWorkerThatCannotStartIsShownAndTheCloseEndsTheProgram)
{
    MainWindow mainWindow(window, state, [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    ASSERT_TRUE(mainWindow.create());
    runWindow(mainWindow);
    ASSERT_TRUE(test::gf_eventually([] { return !gf_messageLineTexts().error.empty(); }));
    EXPECT_THAT(gf_messageLineTexts().error, HasSubstr("The worker thread could not be started: "));
    EXPECT_FALSE(ended.load());
    closeSignal.store(true);
    windowThread.join();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(mainWindow.workersStarted(), 0);
}

// A reader error restarts the run: the second worker starts only once the first has been joined; the close
// during the second run ends the program with no thread left behind.
TEST_F(MainWindowTest, ARestartJoinsThePreviousWorkerBeforeStartingTheNext)
{
    // Worker bodies not yet returned, and starts made while one of them still ran (a worker let go unjoined).
    std::atomic<int> running{0};
    std::atomic<int> startsBeforeJoin{0};
    MainWindow mainWindow(window, state, [&](std::function<void()> body) {
        if (running.load() != 0) {
            ++startsBeforeJoin;
        }
        return std::thread([&running, body = std::move(body)] {
            ++running;
            body();
            --running;
        });
    });
    std::atomic<bool> failed{false};
    world.tick.onTick = [&](int64_t number) {
        if (number == 300 && !failed.exchange(true)) {
            gf_readerStopped("traffic reader", "receive failed");
        }
        if (number == 600) {
            closeSignal.store(true);
        }
    };
    ASSERT_TRUE(mainWindow.create());
    runWindow(mainWindow);
    windowThread.join();

    EXPECT_EQ(code, 0);
    EXPECT_EQ(mainWindow.workersStarted(), 2);
    EXPECT_EQ(startsBeforeJoin.load(), 0);
    EXPECT_FALSE(mainWindow.workerRunning());
    EXPECT_FALSE(world.simLink.thread.running());
    EXPECT_FALSE(world.readers.trafficThread.running());
    EXPECT_EQ(window.createdControls().size(), 43U);
    const std::string text = log();
    const auto readerError = text.find("Exiting: READER ERROR\n");
    const auto closed = text.find("Exiting: USER CLOSED SIM\n");
    ASSERT_NE(readerError, std::string::npos) << text;
    ASSERT_NE(closed, std::string::npos) << text;
    EXPECT_LT(readerError, closed);
}

// The window's loop ends while a worker runs (the window is gone): the worker is asked to stop as by the close
// and joined before run() returns.
TEST_F(MainWindowTest, AWorkerStillRunningWhenTheLoopEndsIsStoppedAndJoined)
{
    MainWindow mainWindow(window, state);
    ASSERT_TRUE(mainWindow.create());
    runWindow(mainWindow);
    ASSERT_TRUE(test::gf_eventually([&] { return world.tick.ticks.load() > 10; }));
    window.quit(9);
    windowThread.join();
    EXPECT_EQ(code, 9);
    EXPECT_FALSE(mainWindow.workerRunning());
    EXPECT_TRUE(userClosing.load());
    EXPECT_EQ(gf_stopDecision().reason, ExitReason::userClosedSim);
    EXPECT_FALSE(world.simLink.thread.running());
    EXPECT_THAT(log(), HasSubstr("Exiting: USER CLOSED SIM\n"));
}

// A worker that does not end soon after the loop is still joined, never let go: run() waits for it, saying so in
// the log after every interval of waiting.
TEST_F(MainWindowTest, ASlowWorkerIsWaitedForWithALogLineAndJoined)
{
    std::mutex gateMutex;
    std::condition_variable gateOpened;
    bool open = false;
    const auto gated = [&](std::function<void()> body) {
        return std::thread([&, body = std::move(body)] {
            {
                std::unique_lock lock(gateMutex);
                gateOpened.wait(lock, [&] { return open; });
            }
            body();
        });
    };
    MainWindow mainWindow(window, state, gated, std::chrono::milliseconds(20));
    ASSERT_TRUE(mainWindow.create());
    runWindow(mainWindow);
    ASSERT_TRUE(test::gf_eventually([&] { return mainWindow.workersStarted() == 1; }));
    window.quit(9);
    ASSERT_TRUE(test::gf_eventually([&] { return log().find("still waiting for it") != std::string::npos; }));
    EXPECT_FALSE(ended.load());
    {
        std::lock_guard lock(gateMutex);
        open = true;
    }
    gateOpened.notify_all();
    windowThread.join();
    EXPECT_EQ(code, 9);
    EXPECT_FALSE(mainWindow.workerRunning());
    EXPECT_THAT(log(), HasSubstr("The worker has not ended after 0.0"));
}

TEST_F(MainWindowTest, TheWorkerPutsTheWindowOnTop)
{
    MainWindow mainWindow(window, state);
    mainWindow.setTopmost(true);
    EXPECT_TRUE(window.topmost());
    mainWindow.postStartWorker();
    mainWindow.postQuit();
    EXPECT_THAT(window.controls().operations(), ElementsAre("post 0x8001", "post 0x8002"));
}

} // namespace
} // namespace hlw
