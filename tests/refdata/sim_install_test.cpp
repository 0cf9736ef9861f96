// Finding the simulator's packages folder in the per-user folders of a temporary user.
#include "refdata/sim_install.h"

#include "core/log.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

#include <cstdlib>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;
using ::testing::HasSubstr;
using ::testing::Not;

// A user whose per-user folders, settings file and main window live in a temporary folder; no simulator yet.
class SimInstall : public testing::Test {
  protected:
    SimInstall()
    {
        setenv("HLMR_ROAMING_APPDATA", roaming.c_str(), 1);
        setenv("HLMR_LOCAL_APPDATA", local.c_str(), 1);
        fs::create_directories(dir / "data");
        gf_overrideDataFolderPath(dir / "data");
        settings::msfsInstallPath.set("");
        settings::msfs2024InstallPath.set("");
        gf_startLog(dir / "Log.txt");
    }
    ~SimInstall() override
    {
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        unsetenv("HLMR_ROAMING_APPDATA");
        unsetenv("HLMR_LOCAL_APPDATA");
    }

    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    // Detects with a fresh log; the log of this detection.
    std::string detect(bool expected)
    {
        gf_stopLog();
        gf_startLog(dir / "Log.txt");
        EXPECT_EQ(gf_detectSimInstall(), expected);
        return logText();
    }
    // A packages folder holding "Community" and the given official folder.
    static fs::path packagesFolder(const fs::path& folder, const char* official = "Official")
    {
        fs::create_directories(folder / "Community");
        fs::create_directories(folder / official);
        return folder;
    }
    static void writeUserCfg(const fs::path& file, const std::string& lines)
    {
        fs::create_directories(file.parent_path());
        writeWholeFile(file, "Version 67\n{Graphics\n\tVersion 1.1\n}\n" + lines + "\n{Sound\n}\n");
    }
    static std::string quoted(const fs::path& packages)
    {
        return fmt::format("InstalledPackagesPath \"{}\"", packages.string());
    }
    fs::path storeUserCfg(const char* family = "Microsoft.FlightSimulator_8wekyb3d8bbwe") const
    {
        return local / "Packages" / family / "LocalCache" / "UserCfg.opt";
    }

    test::TempDir dir;
    fs::path roaming = dir / "roaming";
    fs::path local = dir / "local";
    test::FakeRunState runState;
};

TEST_F(SimInstall, AStoreInstallationIsFoundThroughTheFirstPackagesLineOfItsUserCfgAndSaved)
{
    const fs::path packages = packagesFolder(dir / "Packages 2020");
    writeUserCfg(storeUserCfg(), quoted(packages) + "\n" + quoted(packagesFolder(dir / "second")));
    const std::string log = detect(true);
    EXPECT_EQ(settings::msfsInstallPath.get(), packages.string());
    EXPECT_EQ(settings::allInstallPath.get(), packages.string());
    EXPECT_THAT(readWholeFile(dir / "data" / "parameters.xml"),
                HasSubstr(fmt::format("name=\"MSFS_INSTALL_PATH\" value=\"{}\"", packages.string())));
    EXPECT_THAT(log, HasSubstr(fmt::format("UserCfg.opt: InstalledPackagesPath={}\n", packages.string())));
    EXPECT_EQ(gf_simPath("Community"), packages / "Community");
}

TEST_F(SimInstall, TheSteamFolderOfTheChosenSimulatorComesFirst)
{
    runState.msfs2020 = false;
    const fs::path steam = roaming / "Microsoft Flight Simulator 2024" / "Packages";
    const fs::path store = packagesFolder(dir / "store", "Official2024");
    writeUserCfg(storeUserCfg("Microsoft.Limitless_8wekyb3d8bbwe"), quoted(store));
    // A Steam folder of the other simulator is no packages folder of this one.
    packagesFolder(steam, "Official");
    detect(true);
    EXPECT_EQ(settings::msfs2024InstallPath.get(), store.string());
    packagesFolder(steam, "Official2024");
    const std::string log = detect(true);
    EXPECT_EQ(settings::msfs2024InstallPath.get(), steam.string());
    EXPECT_EQ(settings::msfsInstallPath.get(), "");
    EXPECT_THAT(log, HasSubstr(fmt::format("Steam packages: {}\n", steam.string())));
    EXPECT_THAT(log, Not(HasSubstr("UserCfg.opt")));
}

TEST_F(SimInstall, UserCfgIsLookedForInFourPlacesInOrder)
{
    const std::vector<fs::path> places = {storeUserCfg(), roaming / "Microsoft Flight Simulator" / "UserCfg.opt",
                                          local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" /
                                              "LocalCache" / "UserCfg.opt",
                                          local / "MSFSPackages" / "UserCfg.opt"};
    std::string notFound;
    for (const fs::path& place : places) {
        notFound += fmt::format("MSFS detection, not found: {}\n", place.string());
    }
    EXPECT_THAT(detect(false), HasSubstr(notFound + "No UserCfg.opt found?\n"));
    EXPECT_FALSE(fs::exists(dir / "data" / "parameters.xml"));

    const fs::path packages = packagesFolder(dir / "packages");
    writeUserCfg(places.back(), quoted(packages));
    EXPECT_THAT(detect(true), HasSubstr(notFound.substr(0, notFound.rfind("MSFS detection")) + "UserCfg.opt: "));
    // Per-user folders that cannot be found are never taken relative to the program folder.
    setenv("HLMR_ROAMING_APPDATA", "", 1);
    setenv("HLMR_LOCAL_APPDATA", "", 1);
    const test::ScopedCurrentPath programFolder(dir.path());
    writeUserCfg(dir / "MSFSPackages" / "UserCfg.opt", quoted(packages));
    EXPECT_THAT(detect(false), HasSubstr("No UserCfg.opt found?\n"));
}

// The file is the simulator's: a value naming no packages folder, or none a file system can test, gives no result.
TEST_F(SimInstall, AUserCfgThatNamesNoUsableFolderGivesNoResult)
{
    const fs::path noOfficial = dir / "no-official";
    fs::create_directories(noOfficial / "Community");
    const fs::path tooLong = dir / std::string(300, 'p');
    const std::pair<std::string, std::string> rows[]{
        {"InstalledPackagesPath", "UserCfg.opt: InstalledPackagesPath=\n"},
        {quoted(dir / "missing"), fmt::format("UserCfg.opt: InstalledPackagesPath={}\n", (dir / "missing").string())},
        {quoted(noOfficial), fmt::format("UserCfg.opt: InstalledPackagesPath={}\n", noOfficial.string())},
        {"PackagesPath \"/somewhere/else\"", "UserCfg.opt: InstalledPackagesPath=???\n"},
        {quoted(tooLong), fmt::format("MSFS detection, cannot test {}: ", tooLong.string())}};
    for (const auto& [line, logged] : rows) {
        writeUserCfg(storeUserCfg(), line);
        EXPECT_THAT(detect(false), HasSubstr(logged));
        EXPECT_EQ(settings::msfsInstallPath.get(), "");
    }
}

// The settings file is UTF-8: a folder name outside ASCII is stored as UTF-8, one that is no UTF-8 not at all.
TEST_F(SimInstall, AFolderNameIsStoredAsUtf8OrNotAtAll)
{
    const fs::path packages = packagesFolder(dir / "Flüge ✈");
    writeUserCfg(storeUserCfg(), quoted(packages));
    detect(true);
    EXPECT_EQ(settings::msfsInstallPath.get(), packages.string());
    settings::msfsInstallPath.set("");
    const fs::path oddRoaming = dir / "r\xE9";
    setenv("HLMR_ROAMING_APPDATA", oddRoaming.c_str(), 1);
    packagesFolder(oddRoaming / "Microsoft Flight Simulator" / "Packages");
    EXPECT_THAT(detect(false), HasSubstr("not stored: gf_pathToUtf8: invalid UTF-8 in path"));
    EXPECT_EQ(settings::msfsInstallPath.get(), "");
}

TEST(SimPaths, JoinedFromTheChosenSimulatorsFolderAndItsTexts)
{
    test::FakeRunState runState;
    settings::msfsInstallPath.set("/games/msfs/Packages");
    settings::msfs2024InstallPath.set("/games/msfs2024/Packages");
    EXPECT_EQ(gf_simPath("Official/OneStore"), fs::path("/games/msfs/Packages/Official/OneStore"));
    EXPECT_EQ(gf_simPath("/elsewhere"), fs::path("/elsewhere"));
    runState.msfs2020 = false;
    EXPECT_EQ(gf_simPath("Community"), fs::path("/games/msfs2024/Packages/Community"));

    std::string values;
    for (const char* line :
         {R"(InstalledPackagesPath "D:\MSFS\Packages")", R"(	InstalledPackagesPath "/a b/P" trailing)",
          R"(InstalledPackagesPath "/p)", R"(InstalledPackagesPath ")", R"(InstalledPackagesPath "")",
          "InstalledPackagesPath /games/Packages  ", "InstalledPackagesPath = /games/Packages",
          "InstalledPackagesPath"}) {
        values += gf_installedPackagesValue(line) + "|";
    }
    EXPECT_EQ(values, R"(D:\MSFS\Packages|/a b/P||||/games/Packages|/games/Packages||)");
    std::string paths;
    for (const char* path :
         {"/games/Packages/Community", "/games/Packages/Community/", "/games/Packages", "/games/Packages/MyCommunity",
          "/games/Community/Packages", "/games/Packages/community", "/", ""}) {
        paths += gf_withoutTrailingCommunity(path).string() + "|";
    }
    EXPECT_EQ(paths, "/games/Packages|/games/Packages|/games/Packages|/games/Packages/MyCommunity|"
                     "/games/Community/Packages|/games/Packages/community|/||");
}

} // namespace
} // namespace hlw
