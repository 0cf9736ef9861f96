#include "settings/parameters_upgrade.h"

#include "core/log.h"
#include "core/product.h"
#include "core/version_data.h"
#include "settings/catalogue.h"
#include "settings/parameters_file.h"

#include <fmt/format.h>

#include <filesystem>

namespace hlw {

namespace {

namespace fs = std::filesystem;

// True when the stored settings come from a version older than 11.0.2 and must be replaced by defaults.
bool lf_versionUpdate()
{
    const VersionData& running = gf_programVersion();
    const std::string storedText = settings::programVersion.get();
    if (storedText == settings::programVersion.defaultValue()) {
        settings::programVersion.setAndSave(running.text());
        return false;
    }
    const VersionData stored(storedText);
    if (stored != running) {
        settings::programVersion.setAndSave(running.text());
    }
    if (running <= stored) {
        return false;
    }
    gf_log(fmt::format("This is a version update from {} -> {}", stored, running));
    if (stored < VersionData(12, 0, 0)) {
        // Data files of older versions are fetched anew by the update check.
        for (const fs::path* dataFile : {&paths::airportsEncPath, &paths::aigRegcodesEncPath, &paths::dbaseEncPath}) {
            if (fs::exists(*dataFile)) {
                fs::remove(*dataFile);
            }
        }
    }
    if (stored < VersionData(11, 0, 2)) {
        return true;
    }
    if (fs::exists(paths::newVersionFolder)) {
        fs::remove_all(paths::newVersionFolder);
    }
    return false;
}

} // namespace

void gf_upgradeParameters()
{
    const auto lock = gf_lockParametersFile();
    if (gf_readParameters()) {
        for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
            scan->setAndSave(true);
            scan->showCheck();
        }
        return;
    }
    if (lf_versionUpdate()) {
        gf_log("\nYour previous version was too old to convert the old text box parameters to the newdropbox values.");
        gf_log(fmt::format("{} re-starts with default parameter values ...\n", productName));
        // The values just loaded stay in memory for this run; the file gets the defaults, its old form a copy.
        gf_save1GenerationOf(parametersFilePath());
        gf_saveParameters(true);
    }
}

} // namespace hlw
