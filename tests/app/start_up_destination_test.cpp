// The stored destination at a worker's start-up, through the program shell's own destination command: the airport
// is put into the park-airport list once.
#include "app/shell_services.h"
#include "app/sim_controls.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"
#include "engine/run/worker.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(StartUpDestination, TheStoredDestinationEntersTheParkAirportListOnce)
{
    test::TempDir dir;
    test::gf_makeProgramFolder(dir.path());
    test::gf_writeWorkerParameters(dir.path(), "<parameter name=\"DESTINATION\" value=\"EHAM\"/>");
    test::WorkerFolderRun run(dir.path());

    test::FakeWorld world;
    SimControls controls(world.status);
    ShellServices shell(controls, world.simLink, world.parking);
    const WorkerContext fakes = world.context();
    WorkerContext context{fakes.simLink, fakes.readers,   fakes.liveLink, fakes.tick,   fakes.lifecycle,
                          fakes.parking, fakes.addonScan, shell,          fakes.window, fakes.time,
                          fakes.status,  fakes.traffic,   fakes.requests, fakes.resets};
    world.director = [](SteadyTimeSource::Duration elapsed) {
        if (elapsed >= 20s && !userClosing.load()) {
            userClosing.store(true);
            gf_requestStop(ExitReason::userClosedSim, 0);
        }
    };
    gf_runWorker(context);

    const std::string log = run.finishLog();
    gf_resetMessageLine();
    gf_resetRunFlags();
    userClosing.store(false);
    settings::msfsInstallPath.set(settings::msfsInstallPath.defaultValue());

    EXPECT_EQ(world.journal.count("park airport EHAM"), 1);
    EXPECT_NE(log.find("New destination: EHAM"), std::string::npos) << log;
}

} // namespace
} // namespace hlw
