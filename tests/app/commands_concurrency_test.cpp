// The window's commands on the window thread while the worker's per-second step runs on its own: every request
// reaches the worker, and neither side touches the other's data (run under ThreadSanitizer).
#include "app/commands.h"
#include "app/control_table.h"
#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/run/main_loop.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"
#include "support/recording_window.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace hlw {
namespace {

using namespace settings;

struct NoPaint final : ui::WindowEvents {
    void onMessage(uint32_t) override {}
    void onCommand(ui::Command command) override { commands->handle(command); }
    void onClose() override {}
    void onPaint(ui::Painter&) override {}
    WindowCommands* commands = nullptr;
};

TEST(CommandsConcurrency, CommandsAndThePerSecondStepRunTogether)
{
    gf_resetRunFlags();
    userClosing.store(false);
    flightRunning.store(true);
    test::TempDir dir;
    gf_overrideDataFolderPath(dir / "user");
    std::filesystem::create_directories(dir / "user");
    gf_startLog(dir / "Log.txt");
    AirportRecord eham;
    eham.icao = FixedCode<4>("EHAM");
    gf_installAirports({eham});

    test::FakeWorld world;
    WorkerContext context = world.context();
    ui::RecordingWindow window;
    ui::gf_installControlPort(&window);
    NoPaint events;
    window.create({"Hollowmere", {400, 20}, 880, 476, 0xFFCC99}, gf_controlsAtCreation(), events);
    SimControls controls(world.status);
    autoRange.set(false);
    controls.enableForStartUp();
    WindowCommands commands(window, world.status, controls, world.requests);
    events.commands = &commands;
    world.status.update([](StatusValues& values) { values.parkAirportCode = "EHAM"; });
    window.enable(destination.controlId(), true);

    constexpr int seconds = 300;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        MainLoop loop(context);
        for (int s = 0; s < seconds; ++s) {
            userDataArrived.store(true);
            loop.step();
            std::this_thread::yield();
        }
        done.store(true);
    });
    // At least one round, even when the worker's steps end before this thread first runs on a busy machine.
    int round = 0;
    do {
        window.click(navLightsWhileParked.controlId());
        window.choose(maxLiveSel.controlId(), round % 7);
        window.click(autoRange.controlId());
        window.typeWithEnter(destination.controlId(), round % 2 == 0 ? "eham" : "");
        window.enable(nowButton.controlId(), true);
        window.click(nowButton.controlId());
        window.pump();
        ++round;
    } while (!done.load());
    worker.join();
    // The last requests are taken by one more step.
    userDataArrived.store(true);
    MainLoop(context).step();

    EXPECT_GT(round, 0);
    EXPECT_GE(world.journal.count("nav lights on") + world.journal.count("nav lights off"), 1);
    EXPECT_GE(world.journal.count("park airport EHAM"), 1);
    EXPECT_FALSE(world.requests.navLights.load());
    EXPECT_FALSE(world.requests.takeDestination());

    ui::gf_installControlPort(nullptr);
    gf_stopLog();
    gf_clearAirports();
    gf_overrideDataFolderPath(std::nullopt);
    for (BoolCheckBoxParameter* setting : {&navLightsWhileParked, &autoRange}) {
        setting->set(setting->defaultValue());
    }
    maxLiveSel.set(maxLiveSel.defaultValue());
    destination.set("");
    gf_setRange(range.defaultValue());
    gf_resetRunFlags();
    gf_resetMessageLine();
}

} // namespace
} // namespace hlw
