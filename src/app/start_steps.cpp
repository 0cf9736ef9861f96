#include "app/start_steps.h"

#include "core/atomic_file.h"
#include "core/log.h"
#include "core/product.h"
#include "core/user_error.h"
#include "engine/run_state.h"
#include "refdata/airports_database.h"
#include "refdata/reference_database.h"
#include "refdata/reference_tables.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/parameters_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <stdexcept>

namespace hlw {
namespace {

namespace fs = std::filesystem;

void lf_checkProgramFolder()
{
    if (!fs::is_directory(paths::docsFolder)) {
        throw UserErrorException(41, fmt::format("{} must be run from the {} folder!", productName, productName));
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
    const fs::path cut = gf_withoutTrailingCommunity(gf_pathFromUtf8(stored));
    const std::u8string cutText = cut.u8string();
    const std::string cutUtf8(cutText.begin(), cutText.end());
    if (cutUtf8 != stored) {
        setting.setAndSave(cutUtf8);
    }
}

// Every folder of the program folder that the program writes into.
std::array<fs::path, 11> lf_outputFolders()
{
    return {paths::outputFolder,       paths::infoFolder,          paths::errorsFolder,
            paths::airportsFolder,     paths::learnedFolder,       paths::learnedStockFolder,
            paths::learnedSimaddonFolder, paths::learnedThirdpartyFolder, paths::mySimaddonFolder,
            paths::myThirdpartyFolder, paths::myRegcodesFolder};
}

// The output folders, created with missing parents; a file-system error ends the start-up.
void lf_checkOutputFolders()
{
    for (const fs::path& folder : lf_outputFolders()) {
        if (!fs::is_directory(folder)) {
            fs::create_directories(folder);
        }
    }
    fs::remove(paths::objectIdListPath);
}

// What a run killed inside a safe write left behind, in every folder the program writes files into.
void lf_removeOrphanTemporaryFiles()
{
    gf_removeOrphanTemporaryFiles(dataFolderPath());
    for (const fs::path& folder : lf_outputFolders()) {
        gf_removeOrphanTemporaryFiles(folder);
    }
}

std::vector<std::string> lf_readDatabases()
{
    if (!gf_readDbase()) {
        throw std::runtime_error("reading data files failed!");
    }
    if (!gf_readAirports()) {
        throw std::runtime_error(fmt::format("reading '{}' failed!", paths::airportsEncPath.string()));
    }
    const ReferenceTables& tables = gf_referenceTables();
    const auto airports = gf_airports();
    const auto withStands = std::count_if(airports.begin(), airports.end(),
                                          [](const AirportRecord& airport) { return airport.stands > 0; });
    return {
        fmt::format("{:5} ICAO model codes", tables.validModels.size()),
        fmt::format("{:5} ICAO airline codes", tables.validAirlines.size()),
        fmt::format("{:5} cargo operators", tables.cargoOperators.size()),
        fmt::format("{:5} dbase records read", tables.records.size()),
        fmt::format("{:5} airports read", airports.size()),
        fmt::format("{:5} airports with stands", withStands),
    };
}

std::string lf_findInstallation()
{
    settings::allInstallPath.set(lf_chosenInstallPath().get());
    gf_enableControl(settings::allInstallPath);
    gf_setStringControlText(settings::allInstallPath);
    if (settings::allInstallPath.empty() && !gf_detectSimInstall()) {
        throw UserErrorException(
            150, "No install path detected. Type the full path to your Community folder above, then press Enter");
    }
    return fmt::format("Simulator packages folder: {}", settings::allInstallPath.get());
}

void lf_removeDecryptedCopies()
{
    for (const fs::path& plain : {gf_plainPathOf(paths::dbaseEncPath), gf_plainPathOf(paths::airportsEncPath),
                                  paths::aigRegcodesXmlPath}) {
        gf_removeWithWarning(plain);
    }
}

} // namespace

void gf_makeDataFolder()
{
    fs::create_directories(dataFolderPath());
}

std::vector<std::string> gf_runStartUpSteps()
{
    lf_checkProgramFolder();
    gf_upgradeParameters();
    gf_logFlushNow();
    lf_chooseSimulator();
    lf_cutTrailingCommunity();
    lf_checkOutputFolders();
    lf_removeOrphanTemporaryFiles();
    std::vector<std::string> lines = lf_readDatabases();
    lines.push_back(lf_findInstallation());
    lf_removeDecryptedCopies();
    gf_logFlushNow();
    return lines;
}

} // namespace hlw
