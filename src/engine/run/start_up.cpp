#include "engine/run/start_up.h"

#include "core/atomic_file.h"
#include "core/known_folders.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/reference_time.h"
#include "core/run_state_port.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "liveries/registration_codes.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/reference_database.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/parameters_file.h"
#include "settings/parameters_upgrade.h"

#include <fmt/format.h>

#include <array>
#include <exception>
#include <stdexcept>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Every folder of the program folder that the program writes into.
std::array<fs::path, 11> lf_outputFolders()
{
    return {paths::outputFolder,          paths::infoFolder,          paths::errorsFolder,
            paths::airportsFolder,        paths::learnedFolder,       paths::learnedStockFolder,
            paths::learnedSimaddonFolder, paths::learnedThirdpartyFolder, paths::mySimaddonFolder,
            paths::myThirdpartyFolder,    paths::myRegcodesFolder};
}

// What a run killed inside a safe write left behind, in every folder the program writes files into.
void lf_removeOrphanTemporaryFiles()
{
    gf_removeOrphanTemporaryFiles(dataFolderPath());
    for (const fs::path& folder : lf_outputFolders()) {
        gf_removeOrphanTemporaryFiles(folder);
    }
}

void lf_chooseSimulator()
{
    const bool msfs2020 = settings::simChoice.equals("MSFS 2020");
    simIsMsfs2020.store(msfs2020);
    simCode.store(msfs2020 ? 1 : 2);
}

StringParameter& lf_chosenInstallPath()
{
    return simIsMsfs2020.load() ? settings::msfsInstallPath : settings::msfs2024InstallPath;
}

// Users often type the Community folder itself; the stored folder is the one that holds it.
void lf_cutTrailingCommunity()
{
    StringParameter& setting = lf_chosenInstallPath();
    const std::string stored = setting.get();
    const std::u8string cutText = gf_withoutTrailingCommunity(gf_pathFromUtf8(stored)).u8string();
    const std::string cutUtf8(cutText.begin(), cutText.end());
    if (cutUtf8 != stored) {
        setting.setAndSave(cutUtf8);
    }
}

void lf_readDataFiles()
{
    if (!dataFilesRead.load()) {
        if (!gf_readDbase()) {
            throw std::runtime_error("reading data files failed!");
        }
        dataFilesRead.store(true);
    }
    if (!gf_readAirports()) {
        throw std::runtime_error(fmt::format("reading '{}' failed!", paths::airportsEncPath.string()));
    }
}

void lf_findInstallation()
{
    settings::allInstallPath.set(lf_chosenInstallPath().get());
    gf_enableControl(settings::allInstallPath);
    gf_setStringControlText(settings::allInstallPath);
    if (settings::allInstallPath.empty() && !gf_detectSimInstall()) {
        throw UserErrorException(
            150, "No install path detected. Type the full path to your Community folder above, then press Enter");
    }
}

// Production mode: the program closes once the start-up checks and the data files are done.
void lf_productionQuit(WorkerContext& context)
{
    try {
        gf_logFlush("production");
        context.window.setExitCode(0);
        userClosing.store(true);
        context.liveLink.close();
        gf_requestStop(ExitReason::userClosedSim, 0);
    } catch (const std::exception& error) {
        gf_log(fmt::format("exception {}", error.what()));
        context.window.setExitCode(1);
    }
}

bool lf_liveTrafficAppOnThisPc()
{
    const fs::path roaming = gf_roamingAppDataPath();
    std::error_code error;
    return !roaming.empty() && fs::exists(roaming / paths::vidiveZovadazName / "RealTraffic.jar", error);
}

} // namespace

void gf_checkProgramFolder()
{
    if (!fs::is_directory(paths::docsFolder)) {
        throw UserErrorException(41, fmt::format("{} must be run from the {} folder!", productName, productName));
    }
}

void gf_checkOutputFolders()
{
    for (const fs::path& folder : lf_outputFolders()) {
        if (!fs::is_directory(folder)) {
            fs::create_directories(folder);
        }
    }
    fs::remove(paths::objectIdListPath);
}

bool gf_detectInstall(WorkerContext& context)
{
    gf_upgradeParameters();
    gf_logFlushNow();
    lf_chooseSimulator();
    context.app.enableStartUpControls();
    lf_cutTrailingCommunity();
    gf_checkOutputFolders();
    lf_removeOrphanTemporaryFiles();
    if (!isRestart.load() && !context.app.checkVersions()) {
        return false;
    }
    nowWeekdaySlot.store(gf_packWeekdaySlot(gf_nowTime()));
    lf_readDataFiles();
    lf_findInstallation();
    if (productionMode.load()) {
        lf_productionQuit(context);
        return false;
    }
    const bool appOnThisPc = lf_liveTrafficAppOnThisPc();
    rtOnThisPc.store(appOnThisPc);
    gf_setMessage(fmt::format("RealTraffic {}detected at this PC", appOnThisPc ? "" : "not "), true);
    gf_logFlushNow();
    return true;
}

void gf_removeDecryptedCopies()
{
    for (const fs::path& plain : {gf_plainPathOf(paths::dbaseEncPath), gf_plainPathOf(paths::airportsEncPath),
                                  paths::aigRegcodesXmlPath}) {
        gf_removeWithWarning(plain);
    }
}

void gf_runLiveryStartUp()
{
    if (settings::scanLiveries.get() || !fs::exists(paths::liveriesScannedPath)) {
        gf_scanLiveries();
    }
    // A stopped scan wrote no file: the tables are not built from an old or missing one.
    if (gf_runState().stopRequested() || gf_runState().userClosing()) {
        return;
    }
    gf_processScannedLiveries(&gf_buildRegistrationCodes);
}

fs::path gf_flightPlanFolder() { return dataFolderPath() / "orig_dest"; }

} // namespace hlw
