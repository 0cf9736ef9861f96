#include "engine/run/worker.h"

#include "core/fixed_code.h"
#include "core/folder_files.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_wait.h"
#include "engine/run/closing_down.h"
#include "engine/run/main_loop.h"
#include "engine/run/start_up.h"
#include "engine/run/traffic_start.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <exception>
#include <filesystem>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// A start-up step saw a stop or a close: the link is closed and, when nobody gave a reason, the run ends as
// closed by the user.
void lf_userClosingEnd(WorkerContext& context)
{
    context.liveLink.close();
    gf_requestStop(ExitReason::userClosedSim, 0);
    gf_logFlushNow();
}

void lf_countAddonFolders(WorkerContext& context)
{
    const auto simAddons = static_cast<int32_t>(gf_countFilesInDirectory(paths::mySimaddonFolder));
    context.status.update([&](StatusValues& values) { values.simAddonCount = simAddons; });
    const auto thirdParty = static_cast<int32_t>(gf_countFilesInDirectory(paths::myThirdpartyFolder));
    context.status.update([&](StatusValues& values) { values.thirdPartyCount = thirdParty; });
}

void lf_applyDestination(WorkerContext& context)
{
    if (settings::destination.empty()) {
        return;
    }
    // The shell's destination command puts the airport into the park-airport list itself.
    const FixedCode<4> airport(settings::destination.get());
    if (gf_findAirport(airport) != nullptr) {
        context.app.applyDestination(airport);
    }
}

void lf_startUp(WorkerContext& context)
{
    rtLinkPending.store(true);
    gf_checkProgramFolder();
    if (!gf_detectInstall(context)) {
        gf_logFlushNow();
        return;
    }
    gf_removeDecryptedCopies();
    gf_runLiveryStartUp();
    if (gf_runEnding()) {
        return lf_userClosingEnd(context);
    }
    lf_countAddonFolders(context);
    if (gf_runEnding()) {
        return lf_userClosingEnd(context);
    }
    fs::create_directories(gf_flightPlanFolder());
    context.parking.readParkAirportList();
    gf_enableControl(settings::reReadButton);
    lf_applyDestination(context);
    context.window.setTopmost(settings::alwaysOnTop.get());
    if (!gf_startSession(context)) {
        return lf_userClosingEnd(context);
    }
    gf_runMainLoop(context);
}

} // namespace

void gf_runWorker(WorkerContext& context) noexcept
{
    try {
        lf_startUp(context);
    } catch (const UserErrorException& error) {
        gf_showError(error.what());
        gf_forceSystemErrorStop();
    } catch (const std::exception& error) {
        gf_showError(error.what());
        gf_requestStop(ExitReason::systemError, 0);
    } catch (...) {
        gf_showError("Unknown exception");
        gf_forceSystemErrorStop();
    }
    gf_logFlushNow();
    gf_closingDown(context);
}

} // namespace hlw
