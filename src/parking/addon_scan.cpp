#include "parking/addon_scan.h"

#include "core/atomic_file.h"
#include "core/folder_files.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/run_state_port.h"
#include "parking/icao_airports_file.h"
#include "parking/scan_outputs.h"
#include "parking/scan_walks.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

const fs::path streamedPackagesName{"StreamedPackages"};

// However the scan ends: the files it wrote synced to the disk, then "SCAN_AIRPORTS" off and saved, its check
// box cleared, the end line logged. (A program that dies before this keeps the setting on: the next start scans
// again and replaces every file, so files that never reached the disk do no harm.)
class ScanEnd {
  public:
    ScanEnd() = default;
    ScanEnd(const ScanEnd&) = delete;
    ScanEnd& operator=(const ScanEnd&) = delete;
    ~ScanEnd()
    {
        std::error_code status;
        if (fs::is_directory(paths::airportsFolder, status)) {
            gf_syncFileSystem(paths::airportsFolder);
        }
        try {
            settings::scanAirports.setAndSave(false);
            settings::scanAirports.showCheck();
        } catch (const std::exception& error) {
            gf_logAlert(fmt::format("SCAN_AIRPORTS could not be switched off: {}", error.what()));
        }
        gf_logFlush("-------------------------- airports scan ends    ----------------------------\n");
    }
};

// "tblo" exists and is empty. Throws the file-system error when it cannot be made.
void lf_prepareTblo()
{
    if (fs::exists(paths::tbloFolder)) {
        gf_removeFilesFromDirectory(paths::tbloFolder);
    } else {
        fs::create_directory(paths::tbloFolder);
    }
}

// The two output folders emptied, and they and the scan log's folder made where the start-up did not.
void lf_prepareOutputFolders()
{
    for (const fs::path* folder : {&paths::mySimaddonFolder, &paths::myThirdpartyFolder, &paths::infoFolder}) {
        if (folder != &paths::infoFolder) {
            gf_removeFilesFromDirectory(*folder);
        }
        std::error_code error;
        fs::create_directories(*folder, error);
        if (error) {
            gf_logAlert(fmt::format("{} cannot be made: {}", folder->generic_string(), error.message()));
        }
    }
}

// The gathered files packed for the user to send in; the button and the status show it. True when "tblo" is to
// stay: it holds the archive, or the files an archive could not be made of.
bool lf_packTblo(AddonScanRun& run)
{
    const TbloPacking packing = gf_zipTblo(paths::tbloFolder);
    if (!packing.packed) {
        return packing.files != 0;
    }
    const int32_t files = packing.files;
    run.status().update([files](StatusValues& values) { values.tbloNeeded = files; });
    gf_enableControl(settings::tbloZipButton);
    gf_logFlush(fmt::format("\n! Mail {} to {}\n", (paths::tbloFolder / paths::tbloZipName).generic_string(),
                            supportMailAddress));
    return true;
}

struct FolderScan {
    bool thirdPartyFound = false;
    bool tbloKept = false; // "tblo" holds the archive, or the files an archive could not be made of
    bool stopped = false;  // the run is ending: the walks may have been cut short
};

// Every root walked, the scan log written, the files gathered and packed. A scan that stopped gathers and packs
// nothing: the user would be asked to send in what a cut-short walk happened to find, and a run that is ending
// would wait for the archive.
FolderScan lf_scanAllFolders(const std::vector<fs::path>& roots, AddonScanRun& run)
{
    gf_logFlush(fmt::format("The scan will search {} folder{}", roots.size(), roots.size() == 1 ? "" : "s"));
    std::error_code error;
    fs::remove(gf_scanLogPath(), error);
    if (error) {
        gf_logFlush("problems with removing previous files (maybe still open?): " + error.message());
    }
    run.status().update([](StatusValues& values) { values.tbloNeeded = 0; });
    FolderScan scan;
    for (const fs::path& root : roots) {
        if (AddonScanRun::stopping()) {
            break;
        }
        gf_scanRoot(root, run);
    }
    scan.stopped = AddonScanRun::stopping();
    if (scan.stopped) {
        const std::string line = "\nThe airports scan stopped: the run is ending";
        gf_log(line);
        run.report().push_back(line);
    }
    if (run.writeScanLog()) {
        gf_logFlush(gf_scanLogPath().generic_string() + " written");
    }
    gf_clearMessage();
    run.report().clear();
    if (!scan.stopped) {
        gf_copyThirdpartyFilesToTblo(paths::tbloFolder);
        scan.tbloKept = lf_packTblo(run);
    }
    run.countBoth();
    scan.thirdPartyFound = run.status().snapshot().thirdPartyCount != 0;
    return scan;
}

} // namespace

std::vector<fs::path> gf_scanRoots(bool msfs2020)
{
    std::vector<fs::path> roots;
    for (const fs::path* name : {msfs2020 ? &paths::officialName : &streamedPackagesName, &paths::communityName}) {
        if (fs::path root = gf_simPath(*name); !root.empty()) {
            roots.push_back(std::move(root));
        }
    }
    return roots;
}

void AddonAirportsScan::scanAddonAirports()
{
    gf_setMessage("Scanning for airports ...", false);
    gf_logFlush(
        fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++", "automatic "));
    status_.update([](StatusValues& values) {
        values.simAddonCount = 0;
        values.thirdPartyCount = 0;
    });
    const ScanEnd end;
    try {
        const ScanSimulator simulator{gf_runState().simIsMsfs2020(), gf_runState().simCode()};
        AddonScanRun run(status_, time_, gf_readIcaoAirports(paths::icaoAirportsTxtPath), simulator);
        lf_prepareTblo();
        lf_prepareOutputFolders();
        const FolderScan scan = lf_scanAllFolders(gf_scanRoots(simulator.msfs2020), run);
        // A scan cut short cannot tell.
        if (!scan.thirdPartyFound && !scan.stopped) {
            gf_setMessage("Warning: Scan has not found any add-on airports", true);
        }
        if (!scan.tbloKept) {
            std::error_code error;
            fs::remove_all(paths::tbloFolder, error);
            if (error) {
                gf_logAlert(
                    fmt::format("{} cannot be removed: {}", paths::tbloFolder.generic_string(), error.message()));
            }
        }
        run.facilities().close();
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("airports scan aborted: {}", error.what()));
        throw;
    }
}

} // namespace hlw
