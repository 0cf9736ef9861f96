#include "refdata/sim_install.h"

#include "core/known_folders.h"
#include "core/log.h"
#include "core/run_state_port.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/text_file_reader.h"
#include "core/wide_text.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <array>
#include <exception>
#include <system_error>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view userCfgName = "UserCfg.opt";
constexpr std::string_view packagesKey = "InstalledPackagesPath";
// The shortest line that can hold the key and a value.
constexpr std::size_t shortestPackagesLine = 21;

// The names that differ between the two simulators.
struct SimNames {
    const char* storePackageFamily;
    const char* steamFolder;  // in the roaming application-data folder
    const char* officialPackages;
};

constexpr SimNames msfs2020Names{"Microsoft.FlightSimulator_8wekyb3d8bbwe", "Microsoft Flight Simulator", "Official"};
constexpr SimNames msfs2024Names{"Microsoft.Limitless_8wekyb3d8bbwe", "Microsoft Flight Simulator 2024",
                                 "Official2024"};

const SimNames& lf_names() noexcept
{
    return gf_runState().simIsMsfs2020() ? msfs2020Names : msfs2024Names;
}

StringParameter& lf_installPathSetting() noexcept
{
    return gf_runState().simIsMsfs2020() ? settings::msfsInstallPath : settings::msfs2024InstallPath;
}

// Paths in log lines: UTF-8 when they are, else their bytes as they stand.
std::string lf_pathText(const fs::path& path)
{
    try {
        return gf_pathToUtf8(path);
    } catch (const std::exception&) {
        return path.string();
    }
}

// A place below a per-user folder that could not be found is never tested: it would be taken relative to
// the program folder.
struct UserCfgCandidate {
    fs::path path;
    bool hasBase;
};

fs::path lf_findUserCfgOpt()
{
    const SimNames& names = lf_names();
    const fs::path local = gf_localAppDataPath();
    const fs::path roaming = gf_roamingAppDataPath();
    const std::array<UserCfgCandidate, 4> candidates{{
        {local / "Packages" / names.storePackageFamily / "LocalCache" / userCfgName, !local.empty()},
        {roaming / names.steamFolder / userCfgName, !roaming.empty()},
        {local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / userCfgName, !local.empty()},
        {local / "MSFSPackages" / userCfgName, !local.empty()},
    }};
    for (const UserCfgCandidate& candidate : candidates) {
        if (candidate.hasBase && fs::exists(candidate.path)) {
            return candidate.path;
        }
        gf_log(fmt::format("MSFS detection, not found: {}", lf_pathText(candidate.path)));
    }
    return {};
}

fs::path lf_steamPackagesPath()
{
    const fs::path roaming = gf_roamingAppDataPath();
    if (roaming.empty()) {
        return {};
    }
    fs::path packages = roaming / lf_names().steamFolder / "Packages";
    if (!fs::exists(packages)) {
        return {};
    }
    gf_log(fmt::format("Steam packages: {}", lf_pathText(packages)));
    return packages;
}

fs::path lf_installedPackagesPath()
{
    const fs::path userCfg = lf_findUserCfgOpt();
    if (userCfg.empty() || !fs::exists(userCfg)) {
        gf_log("No UserCfg.opt found?");
        return {};
    }
    std::vector<std::string> lines;
    lines.reserve(32);
    const std::string* packagesLine = nullptr;
    if (gf_readTextFile(gf_detectTextEncoding(userCfg), userCfg, lines)) {
        for (const std::string& line : lines) {
            if (line.size() >= shortestPackagesLine && line.find(packagesKey) != std::string::npos) {
                packagesLine = &line;
                break;
            }
        }
    }
    if (packagesLine == nullptr) {
        gf_log("UserCfg.opt: InstalledPackagesPath=???");
        return {};
    }
    const std::string value = gf_installedPackagesValue(*packagesLine);
    gf_log(fmt::format("UserCfg.opt: InstalledPackagesPath={}", value));
    if (value.empty()) {
        return {};
    }
    fs::path packages = gf_pathFromUtf8(value);
    // The value comes from the simulator's file: one that cannot even be tested (a name too long for the file
    // system, say) is no folder to use, not a reason to end the start-up.
    std::error_code error;
    const bool exists = fs::exists(packages, error);
    if (error) {
        gf_log(fmt::format("MSFS detection, cannot test {}: {}", lf_pathText(packages), error.message()));
        return {};
    }
    return exists ? packages : fs::path();
}

bool lf_isDirectory(const fs::path& path) noexcept
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool lf_isPackagesFolder(const fs::path& path)
{
    return !path.empty() && lf_isDirectory(path) && lf_isDirectory(path / "Community") &&
           lf_isDirectory(path / lf_names().officialPackages);
}

fs::path lf_findPackagesFolder()
{
    fs::path steam = lf_steamPackagesPath();
    if (lf_isPackagesFolder(steam)) {
        return steam;
    }
    fs::path configured = lf_installedPackagesPath();
    return lf_isPackagesFolder(configured) ? configured : fs::path();
}

} // namespace

bool gf_detectSimInstall()
{
    const fs::path packages = lf_findPackagesFolder();
    if (packages.empty()) {
        return false;
    }
    std::string text;
    try {
        text = gf_pathToUtf8(packages);
    } catch (const std::exception& error) {
        // The settings file is UTF-8; a folder name that is not cannot be stored and typed back.
        gf_logAlert(fmt::format("Install path {} not stored: {}", packages.string(), error.what()));
        return false;
    }
    lf_installPathSetting().setAndSave(text);
    settings::allInstallPath.set(text);
    gf_setStringControlText(settings::allInstallPath);
    return true;
}

fs::path gf_simPath(const fs::path& relative)
{
    return gf_pathFromUtf8(lf_installPathSetting().get()) / relative;
}

std::string gf_installedPackagesValue(std::string_view line)
{
    const auto quote = line.find('"');
    if (quote == std::string_view::npos) {
        const auto key = line.find(packagesKey);
        const std::string_view rest = key == std::string_view::npos ? line : line.substr(key + packagesKey.size());
        return std::string(gf_trimView(rest, " \t="));
    }
    const auto closing = line.find('"', quote + 1);
    if (closing == std::string_view::npos) {
        return {};
    }
    return std::string(line.substr(quote + 1, closing - quote - 1));
}

fs::path gf_pathFromUtf8(std::string_view text)
{
    std::u8string bytes(text.size(), u8'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[i] = static_cast<char8_t>(text[i]);
    }
    return fs::path(bytes);
}

fs::path gf_withoutTrailingCommunity(const fs::path& installPath)
{
    fs::path path = installPath;
    if (!path.empty() && !path.has_filename() && path.has_relative_path()) {
        path = path.parent_path();
    }
    return path.filename() == "Community" ? path.parent_path() : installPath;
}

} // namespace hlw
