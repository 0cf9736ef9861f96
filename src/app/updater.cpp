#include "app/updater.h"

#include "core/capped_alerts.h"
#include "core/folder_files.h"
#include "core/known_folders.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/shell_actions.h"
#include "core/text_file_writer.h"
#include "core/user_error.h"
#include "core/whole_file.h"
#include "engine/base/run_state.h"
#include "refdata/download.h"
#include "refdata/download_settings.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <array>
#include <filesystem>
#include <optional>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

const fs::path versionsJsonPath = "versions.json";
const fs::path downloadedZipPath = "latest_version.zip";

// Many times the size of a real one.
constexpr std::size_t maxVersionsJsonBytes = 64 * 1024;

constexpr const char* manualUpdateHint = "Try manually via the Tarnwick website";

fs::path lf_unpackedInstaller() { return paths::installNewVersionName; }
fs::path lf_installerTarget() { return paths::newVersionFolder / paths::installNewVersionName; }

void lf_logUpdated(std::string_view key, const VersionData& version)
{
    gf_log(fmt::format("{} updated to {}", key, version.text()));
}
void lf_logUpToDate(std::string_view key) { gf_log(fmt::format("{} version up-to-date", key)); }
void lf_logVersionNotFound(std::string_view key) { gf_logAlert(fmt::format("{} version not found", key)); }

// Removes a file that may be missing; another failure is written as the alert with the reason.
void lf_removeIfThere(const fs::path& path, std::string_view alert)
{
    std::error_code error;
    fs::remove(path, error);
    if (error) {
        gf_logAlert(fmt::format(fmt::runtime(alert), error.message()));
    }
}

// One data set of "versions.json": its stored version and what a newer one does.
struct DataItem {
    const char* key;
    StringParameter& stored;
    // The data file downloaded into "input" (empty for the two scans).
    fs::path dataFile;
    // The scan switched on instead (nullptr for the data files).
    BoolCheckBoxParameter* scan;
    // A missing file counts as newer (empty: never).
    fs::path requiredFile;
};

void lf_updateItem(const DataItem& item, const VersionData& web)
{
    if (item.scan == nullptr) {
        if (!gf_downloadDataFile(item.dataFile, paths::inputFolder / item.dataFile)) {
            return;
        }
    } else {
        item.scan->setAndSave(true);
        item.scan->showCheck();
        ui::gf_controlPort().invalidate(settingsPanelRect, true);
    }
    item.stored.setAndSave(web.text());
    lf_logUpdated(item.key, web);
}

// Moves the unpacked installer into "new_version" through a ".part" file, with its size checked on the way.
bool lf_moveInstaller()
{
    const fs::path source = lf_unpackedInstaller();
    const fs::path target = lf_installerTarget();
    fs::path part = target;
    part += ".part";
    std::error_code ignored;
    fs::remove(target, ignored);
    fs::remove(part, ignored);
    std::error_code error;
    const std::uintmax_t before = fs::file_size(source, error);
    if (error) {
        gf_logAlert(fmt::format("file_size({}) failed: {}", source.string(), error.message()));
        return false;
    }
    fs::rename(source, part, error);
    if (error) {
        gf_logAlert(fmt::format("could not rename {} => {}: {}", source.string(), part.string(), error.message()));
        return false;
    }
    const std::uintmax_t after = fs::file_size(part, error);
    if (error) {
        gf_logAlert(fmt::format("file_size({}) failed: {}", part.string(), error.message()));
        return false;
    }
    if (before != after) {
        gf_logAlert(fmt::format("rename {} => {} suspicious: size {} != {}", source.string(), part.string(), before,
                                after));
        return false;
    }
    fs::rename(part, target, error);
    if (error) {
        gf_logAlert(
            fmt::format("could not finalize rename {} => {}: {}", part.string(), target.string(), error.message()));
        return false;
    }
    return true;
}

// The entries' sizes as the archive states them, added up, stay within the total (the extraction writes no more
// than an entry states). An entry without a size counts nothing here: its extraction fails.
bool lf_withinTotal(const ZipReader& archive, std::uint64_t maxTotalBytes)
{
    std::uint64_t total = 0;
    for (std::uint64_t index = 0; index < archive.entryCount(); ++index) {
        const std::uint64_t size = archive.entrySize(index).value_or(0);
        if (size > maxTotalBytes - total) {
            return false;
        }
        total += size;
    }
    return true;
}

// Unpacks every entry of the downloaded archive into the installer; a later entry replaces an earlier one. False
// when the archive does not open, states more than the total, or the run ends meanwhile.
bool lf_unpack(const UpdaterOptions& options)
{
    ZipReader archive;
    std::string error;
    if (!archive.open(downloadedZipPath, error)) {
        gf_logAlert(fmt::format("Could not open {}", downloadedZipPath.string()));
        gf_log(error);
        return false;
    }
    if (!lf_withinTotal(archive, options.maxTotalBytes)) {
        gf_logAlert(fmt::format("{} unpacks to more than {} bytes: a bad archive", downloadedZipPath.string(),
                                options.maxTotalBytes));
        return false;
    }
    // An archive of many entries writes a few lines of each kind and then counts them.
    CappedAlerts lines(downloadedZipPath.string());
    for (std::uint64_t index = 0; index < archive.entryCount() && !options.runEnding(); ++index) {
        std::error_code removeError;
        fs::remove(lf_unpackedInstaller(), removeError);
        if (removeError) {
            lines.alert("old installer", "Warning: could not remove old installer: {}", removeError.message());
        }
        if (archive.extract(index, lf_unpackedInstaller(), error, options.maxEntryBytes, options.runEnding)) {
            lines.line("unzipped", "{} unzipped to {}", downloadedZipPath.string(), lf_unpackedInstaller().string());
        } else if (!options.runEnding()) {
            lines.alert("unzipping error", "Unzipping error code: {}", error);
        }
    }
    if (options.runEnding()) {
        gf_log(fmt::format("Unpacking {} stopped: the run is ending", downloadedZipPath.string()));
        return false;
    }
    return true;
}

void lf_prepareNewVersionFolder()
{
    if (fs::exists(paths::newVersionFolder)) {
        gf_removeFilesFromDirectory(paths::newVersionFolder);
    } else {
        fs::create_directory(paths::newVersionFolder);
    }
}

// The program update of gf_checkVersions; ends the run with "NEW VERSION", throws, or gives the update up when
// the run is ending anyway.
void lf_installNewVersion(const VersionData& web, const UpdaterOptions& options)
{
    if (!gf_updateProgram(web, options)) {
        if (options.runEnding()) {
            gf_log(fmt::format("The update to version {} was given up: the run is ending", web.text()));
            return;
        }
        throw UserErrorException(112, fmt::format("The downloading/unzipping of the new version failed? {}",
                                                  manualUpdateHint));
    }
    const fs::path releaseNotes = paths::newVersionFolder / paths::releaseNotesName;
    const std::string notesUrl = fmt::format("{}docs/{}", gf_downloadsBaseAddress(), paths::releaseNotesName.string());
    if (!gf_download(notesUrl, releaseNotes, true)) {
        gf_logAlert(fmt::format("could not download {} to {}", notesUrl, releaseNotes.string()));
    }
    const fs::path programFolder = fs::current_path();
    const fs::path installer = programFolder / lf_installerTarget();
    const std::string message = fmt::format("{}\n{}", gf_newVersionMessage(programFolder), installer.string());
    gf_logFlush(message);
    if (!gf_writeText(message, paths::newVersionFolder / "README.txt")) {
        gf_logAlert(fmt::format("Could not write {}", (paths::newVersionFolder / "README.txt").string()));
    }
    if (gf_shellOpen(installer)) {
        // The run ends without a restart and the window stays until the user closes it: the line says what next.
        gf_setMessage(fmt::format("New version {} is in the folder that was opened, {}: close {} and run its "
                                  "installer",
                                  web.text(), installer.parent_path().string(), productName),
                      true);
        gf_logFlushNow();
    } else {
        if (options.messageBox) {
            options.messageBox("Could not open File Explorer at new version", "HLMR");
        }
        gf_setMessage(fmt::format("Opening file explorer at the new version failed? {}.", manualUpdateHint), true);
    }
    gf_requestStop(ExitReason::newVersion, 0);
}

} // namespace

bool gf_updateProgram(const VersionData& version, const UpdaterOptions& options)
{
    // An installer left by an earlier run must never pass for the new one.
    lf_removeIfThere(lf_unpackedInstaller(), "Warning: could not remove old installer: {}");
    const std::string url =
        fmt::format("{}release/{}/{}", gf_downloadsBaseAddress(), productName, downloadedZipPath.string());
    // The zip is read once, with its checksums checked, and removed: a scratch file.
    if (!gf_download(url, downloadedZipPath, true, {}, maxDownloadBytes, DownloadedFile::scratch)) {
        gf_setMessage(fmt::format("Downloading program installer file version {} failed", version.text()), true);
        return false;
    }
    gf_log(fmt::format("Downloaded {}", downloadedZipPath.string()));
    const bool unpacked = lf_unpack(options);
    if (unpacked) {
        lf_prepareNewVersionFolder();
    }
    lf_removeIfThere(downloadedZipPath, "Warning: could not remove downloaded zip: {}");
    if (!unpacked) {
        // An unpacking that stopped part-way may have left an earlier entry.
        lf_removeIfThere(lf_unpackedInstaller(), "Warning: could not remove extracted: {}");
        return false;
    }
    if (!fs::exists(lf_unpackedInstaller())) {
        gf_logAlert(fmt::format("{} does not exists?", lf_unpackedInstaller().string()));
        return false;
    }
    if (!lf_moveInstaller()) {
        return false;
    }
    lf_removeIfThere(lf_unpackedInstaller(), "Warning: could not remove extracted: {}");
    return true;
}

bool gf_checkVersions(const UpdaterOptions& options)
{
    // Read once and removed: a scratch file.
    if (!gf_download(gf_downloadsBaseAddress() + versionsJsonPath.string(), versionsJsonPath, false, {},
                     maxVersionsJsonBytes, DownloadedFile::scratch)) {
        gf_logAlert("Downloading version info from my web site failed!");
        return true;
    }
    const WholeFile text = gf_readWholeFile(versionsJsonPath, maxVersionsJsonBytes);
    if (text.status != WholeFileStatus::ok) {
        gf_logAlert("Cannot open versions.json");
        std::error_code ignored;
        fs::remove(versionsJsonPath, ignored);
        return true;
    }
    const nlohmann::json versions = nlohmann::json::parse(text.bytes, nullptr, false);
    fs::remove(versionsJsonPath);
    if (versions.is_discarded() || !versions.is_object()) {
        gf_logAlert("versions.json invalid");
        return true;
    }
    const auto webVersion = [&](const char* key) -> std::optional<VersionData> {
        const auto found = versions.find(key);
        if (found == versions.end()) {
            lf_logVersionNotFound(key);
            return std::nullopt;
        }
        return VersionData(found->dump());
    };

    if (const std::optional<VersionData> program = webVersion("msfs_app")) {
        gf_log(fmt::format("{} program version at web = {}", "msfs_app", program->text()));
        if (*program > gf_programVersion()) {
            lf_installNewVersion(*program, options);
            return false;
        }
        lf_logUpToDate("msfs_app");
    }

    using namespace settings;
    const std::array<DataItem, 5> items = {{
        {"airports", airportsVersion, paths::airportsEncName, nullptr, paths::airportsEncPath},
        {"aig", aigVersion, paths::aigRegcodesEncName, nullptr, paths::aigRegcodesEncPath},
        {"liveries", livScanVersion, {}, &scanLiveries, paths::liveriesScannedPath},
        {"addons", addonsScanVersion, {}, &scanAirports, {}},
        {"dbase", dbaseVersion, paths::dbaseEncName, nullptr, paths::dbaseEncPath},
    }};
    for (const DataItem& item : items) {
        const std::optional<VersionData> web = webVersion(item.key);
        if (!web) {
            continue;
        }
        const VersionData stored(item.stored.get());
        const bool missing = !item.requiredFile.empty() && !fs::exists(item.requiredFile);
        if (*web > stored || missing) {
            lf_updateItem(item, *web);
        } else {
            lf_logUpToDate(item.key);
        }
    }
    return true;
}

} // namespace hlw
