#include "core/log.h"
#include "platform/ui/recording_control_port.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TempDir;
using test::writeWholeFile;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* store2020 = "Microsoft.FlightSimulator_8wekyb3d8bbwe";
constexpr const char* store2024 = "Microsoft.Limitless_8wekyb3d8bbwe";
constexpr const char* steam2020 = "Microsoft Flight Simulator";
constexpr const char* steam2024 = "Microsoft Flight Simulator 2024";

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A user whose per-user folders, settings file and main window live in a temporary folder; no simulator yet.
class SimInstall : public testing::Test {
protected:
    SimInstall()
    {
        fs::create_directories(roaming());
        fs::create_directories(local());
        fs::create_directories(dir / "data");
        gf_overrideDataFolderPath(dir / "data");
        window.createControl(settings::allInstallPath.controlId(), ui::ControlKind::editBox);
        ui::gf_installControlPort(&window);
        for (StringParameter* setting : {static_cast<StringParameter*>(&settings::msfsInstallPath),
                                         &settings::msfs2024InstallPath,
                                         static_cast<StringParameter*>(&settings::allInstallPath)}) {
            setting->set("");
        }
        gf_startLog(dir / "Log.txt");
    }
    ~SimInstall() override
    {
        gf_stopLog();
        ui::gf_installControlPort(nullptr);
        gf_overrideDataFolderPath(std::nullopt);
    }

    fs::path roaming() const { return dir / "roaming"; }
    fs::path local() const { return dir / "local"; }
    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    std::string shownPath() const { return window.control(settings::allInstallPath.controlId())->text; }

    // A packages folder holding "Community" and the given official folder.
    static fs::path packagesFolder(const fs::path& folder, const char* official)
    {
        fs::create_directories(folder / "Community");
        fs::create_directories(folder / official);
        return folder;
    }
    static void writeUserCfg(const fs::path& file, const std::string& packagesLine)
    {
        fs::create_directories(file.parent_path());
        writeWholeFile(file, "Version 67\n{Graphics\n\tVersion 1.1\n}\n" + packagesLine + "\n{Sound\n}\n");
    }
    static std::string quotedLine(const fs::path& packages)
    {
        return fmt::format("InstalledPackagesPath \"{}\"", packages.string());
    }
    fs::path storeUserCfg(const char* family) const
    {
        return local() / "Packages" / family / "LocalCache" / "UserCfg.opt";
    }

    TempDir dir;
    test::FakeRunState runState;
    ui::RecordingControlPort window;
    ScopedEnv roamingVariable{"HLMR_ROAMING_APPDATA", (dir / "roaming").string()};
    ScopedEnv localVariable{"HLMR_LOCAL_APPDATA", (dir / "local").string()};
};

TEST_F(SimInstall, AStoreInstallationOfMsfs2020IsFoundThroughItsUserCfgAndSaved)
{
    const fs::path packages = packagesFolder(dir / "Packages 2020", "Official");
    writeUserCfg(storeUserCfg(store2020), quotedLine(packages));
    ASSERT_TRUE(gf_detectSimInstall());
    EXPECT_EQ(settings::msfsInstallPath.get(), packages.string());
    EXPECT_EQ(settings::msfs2024InstallPath.get(), "");
    EXPECT_EQ(settings::allInstallPath.get(), packages.string());
    EXPECT_EQ(shownPath(), packages.string());
    EXPECT_THAT(readWholeFile(dir / "data" / "parameters.xml"),
                HasSubstr(fmt::format("name=\"MSFS_INSTALL_PATH\" value=\"{}\"", packages.string())));
    const std::string log = logText();
    EXPECT_THAT(log, Not(HasSubstr("MSFS detection, not found")));
    EXPECT_THAT(log, HasSubstr(fmt::format("UserCfg.opt: InstalledPackagesPath={}\n", packages.string())));
}

TEST_F(SimInstall, ASteamInstallationOfMsfs2024IsTakenWithoutReadingUserCfg)
{
    runState.msfs2020 = false;
    const fs::path packages = packagesFolder(roaming() / steam2024 / "Packages", "Official2024");
    // A UserCfg.opt naming another valid folder: the Steam folder wins.
    writeUserCfg(storeUserCfg(store2024), quotedLine(packagesFolder(dir / "other", "Official2024")));
    ASSERT_TRUE(gf_detectSimInstall());
    EXPECT_EQ(settings::msfs2024InstallPath.get(), packages.string());
    EXPECT_EQ(settings::msfsInstallPath.get(), "");
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr(fmt::format("Steam packages: {}\n", packages.string())));
    EXPECT_THAT(log, Not(HasSubstr("UserCfg.opt")));
}

TEST_F(SimInstall, ASteamFolderOfTheOtherSimulatorIsRejectedAndUserCfgIsTried)
{
    runState.msfs2020 = false;
    packagesFolder(roaming() / steam2024 / "Packages", "Official");
    const fs::path packages = packagesFolder(dir / "store", "Official2024");
    writeUserCfg(storeUserCfg(store2024), quotedLine(packages));
    ASSERT_TRUE(gf_detectSimInstall());
    EXPECT_EQ(settings::msfs2024InstallPath.get(), packages.string());
}

TEST_F(SimInstall, TheOtherThreePlacesOfUserCfgAreTriedInOrder)
{
    const fs::path packages = packagesFolder(dir / "packages", "Official");
    const std::vector<fs::path> places = {
        roaming() / steam2020 / "UserCfg.opt",
        local() / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
        local() / "MSFSPackages" / "UserCfg.opt",
    };
    for (std::size_t found = 0; found < places.size(); ++found) {
        SCOPED_TRACE(places[found]);
        writeUserCfg(places[found], quotedLine(packages));
        settings::msfsInstallPath.set("");
        gf_stopLog();
        gf_startLog(dir / "Log.txt");
        ASSERT_TRUE(gf_detectSimInstall());
        EXPECT_EQ(settings::msfsInstallPath.get(), packages.string());
        const std::string log = logText();
        EXPECT_THAT(log, HasSubstr(fmt::format("MSFS detection, not found: {}\n", storeUserCfg(store2020).string())));
        for (std::size_t before = 0; before < found; ++before) {
            EXPECT_THAT(log, HasSubstr(fmt::format("MSFS detection, not found: {}\n", places[before].string())));
        }
        EXPECT_THAT(log, Not(HasSubstr(places[found].string() + "\n")));
        fs::remove(places[found]);
    }
}

TEST_F(SimInstall, WithoutAnInstallationEveryPlaceIsLoggedAndNothingIsStored)
{
    EXPECT_FALSE(gf_detectSimInstall());
    const std::string expected = fmt::format(
        "MSFS detection, not found: {}\nMSFS detection, not found: {}\nMSFS detection, not found: {}\n"
        "MSFS detection, not found: {}\nNo UserCfg.opt found?\n",
        storeUserCfg(store2020).string(), (roaming() / steam2020 / "UserCfg.opt").string(),
        (local() / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt").string(),
        (local() / "MSFSPackages" / "UserCfg.opt").string());
    EXPECT_THAT(logText(), HasSubstr(expected));
    EXPECT_EQ(settings::msfsInstallPath.get(), "");
    EXPECT_FALSE(fs::exists(dir / "data" / "parameters.xml"));
}

TEST_F(SimInstall, PerUserFoldersThatCannotBeFoundAreNotTakenRelativeToTheProgramFolder)
{
    ScopedEnv noRoaming("HLMR_ROAMING_APPDATA", "");
    ScopedEnv noLocal("HLMR_LOCAL_APPDATA", "");
    test::ScopedCurrentPath programFolder(dir.path());
    writeUserCfg(dir / "MSFSPackages" / "UserCfg.opt", quotedLine(packagesFolder(dir / "p", "Official")));
    EXPECT_FALSE(gf_detectSimInstall());
    EXPECT_THAT(logText(), HasSubstr("No UserCfg.opt found?\n"));
}

TEST_F(SimInstall, AUserCfgThatNamesNoUsableFolderGivesNoResult)
{
    struct Row {
        std::string line;
        std::string logged;
    };
    const fs::path noOfficial = dir / "no-official";
    fs::create_directories(noOfficial / "Community");
    const std::vector<Row> rows = {
        {"InstalledPackagesPath \"" + (dir / "broken").string(), "UserCfg.opt: InstalledPackagesPath=\n"},
        {quotedLine(dir / "missing"), fmt::format("UserCfg.opt: InstalledPackagesPath={}\n", (dir / "missing").string())},
        {quotedLine(noOfficial), fmt::format("UserCfg.opt: InstalledPackagesPath={}\n", noOfficial.string())},
        {"PackagesPath \"/somewhere/else\"", "UserCfg.opt: InstalledPackagesPath=???\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        writeUserCfg(storeUserCfg(store2020), row.line);
        gf_stopLog();
        gf_startLog(dir / "Log.txt");
        EXPECT_FALSE(gf_detectSimInstall());
        EXPECT_THAT(logText(), HasSubstr(row.logged));
        EXPECT_EQ(settings::msfsInstallPath.get(), "");
    }
}

// The file is the simulator's, not ours: a value no file system can test (a name longer than any folder name)
// is reported and gives no result, so the user is asked for the folder instead of the start-up failing.
TEST_F(SimInstall, AUserCfgValueThatCannotBeTestedIsReportedAndGivesNoResult)
{
    const fs::path tooLong = dir / std::string(300, 'p');
    writeUserCfg(storeUserCfg(store2020), quotedLine(tooLong));
    bool found = true;
    EXPECT_NO_THROW(found = gf_detectSimInstall());
    EXPECT_FALSE(found);
    EXPECT_THAT(logText(), HasSubstr(fmt::format("MSFS detection, cannot test {}: ", tooLong.string())));
    EXPECT_EQ(settings::msfsInstallPath.get(), "");
}

TEST_F(SimInstall, AFolderNameOutsideAsciiIsStoredAsUtf8FromAUtf8OrUtf16File)
{
    const fs::path packages = packagesFolder(dir / "Flüge ✈", "Official");
    const std::string line = quotedLine(packages);
    for (const bool utf16 : {false, true}) {
        SCOPED_TRACE(utf16 ? "UTF-16" : "UTF-8");
        settings::msfsInstallPath.set("");
        if (utf16) {
            // The same line in UTF-16 little endian with its byte order mark.
            const std::u16string wide = u"InstalledPackagesPath \"" + (dir / "Flüge ✈").u16string() + u"\"\r\n";
            std::string bytes = "\xFF\xFE";
            for (const char16_t unit : wide) {
                bytes += static_cast<char>(unit & 0xFF);
                bytes += static_cast<char>(unit >> 8);
            }
            writeWholeFile(storeUserCfg(store2020), bytes);
        } else {
            writeUserCfg(storeUserCfg(store2020), line);
        }
        ASSERT_TRUE(gf_detectSimInstall());
        EXPECT_EQ(settings::msfsInstallPath.get(), packages.string());
        EXPECT_EQ(gf_simPath("Community"), packages / "Community");
    }
}

TEST_F(SimInstall, AFolderWhoseNameIsNotUtf8IsNotStored)
{
    const fs::path oddRoaming = dir / "r\xE9";
    ScopedEnv roamingElsewhere("HLMR_ROAMING_APPDATA", oddRoaming.string());
    packagesFolder(oddRoaming / steam2020 / "Packages", "Official");
    EXPECT_FALSE(gf_detectSimInstall());
    EXPECT_EQ(settings::msfsInstallPath.get(), "");
    EXPECT_THAT(logText(), HasSubstr("not stored: gf_pathToUtf8: invalid UTF-8 in path"));
}

TEST_F(SimInstall, SimPathJoinsTheChosenSimulatorsFolder)
{
    settings::msfsInstallPath.set("/games/msfs/Packages");
    settings::msfs2024InstallPath.set("/games/msfs2024/Packages");
    EXPECT_EQ(gf_simPath("Community"), fs::path("/games/msfs/Packages/Community"));
    EXPECT_EQ(gf_simPath("Official/OneStore"), fs::path("/games/msfs/Packages/Official/OneStore"));
    EXPECT_EQ(gf_simPath("/elsewhere"), fs::path("/elsewhere"));
    runState.msfs2020 = false;
    EXPECT_EQ(gf_simPath("Community"), fs::path("/games/msfs2024/Packages/Community"));
}

TEST(InstalledPackagesValue, TakesTheQuotedTextOrTheTextAfterTheKey)
{
    struct Row {
        const char* line;
        const char* value;
    };
    const Row rows[] = {
        {R"(InstalledPackagesPath "D:\MSFS\Packages")", R"(D:\MSFS\Packages)"},
        {R"(InstalledPackagesPath "/games/a b/Packages" trailing)", "/games/a b/Packages"},
        {R"(	InstalledPackagesPath "/p")", "/p"},
        {R"(InstalledPackagesPath "/p)", ""},      // no second quote
        {R"(InstalledPackagesPath ")", ""},        // the quote is the last character
        {R"(InstalledPackagesPath "")", ""},       // nothing between the quotes
        {"InstalledPackagesPath /games/Packages  ", "/games/Packages"},  // unquoted: the key is not part of it
        {"InstalledPackagesPath = /games/Packages", "/games/Packages"},
        {"InstalledPackagesPath", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_installedPackagesValue(row.line), row.value) << row.line;
    }
}

TEST(WithoutTrailingCommunity, CutsALastComponentCommunityOnly)
{
    struct Row {
        const char* path;
        const char* result;
    };
    const Row rows[] = {
        {"/games/Packages/Community", "/games/Packages"},
        {"/games/Packages/Community/", "/games/Packages"},
        {"/games/Packages", "/games/Packages"},
        {"/games/Packages/MyCommunity", "/games/Packages/MyCommunity"},
        {"/games/Community/Packages", "/games/Community/Packages"},
        {"/games/Packages/community", "/games/Packages/community"},  // names are case-sensitive here
        {"/", "/"},
        {"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_withoutTrailingCommunity(row.path), fs::path(row.result)) << row.path;
    }
}

} // namespace
} // namespace hlw
