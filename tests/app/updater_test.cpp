// The version check and the updater against the local HTTP server, in every failure mode of each file it
// downloads: installed files stay intact, versions are stored only after a good download, and a good update
// leaves the installer, the release notes and "README.txt" in "new_version" and ends the run with "NEW VERSION".
#include "app/updater.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/user_error.h"
#include "core/version_data.h"
#include "core/zip_archive.h"
#include "engine/base/run_state.h"
#include "http_test_server.h"
#include "platform/os/file_browser.h"
#include "refdata/download_settings.h"
#include "refdata/project_key.h"
#include "seal_stream.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* installerBytes = "MZ the new installer";

std::string lf_versionsJson(const std::string& program, const std::string& data)
{
    const auto item = [](const std::string& version) {
        const VersionData v(version);
        return fmt::format(R"({{"major": {}, "minor": {}, "patch": {}}})", v.major, v.minor, v.patch);
    };
    return fmt::format(R"({{"msfs_app": {}, "airports": {}, "aig": {}, "liveries": {}, "addons": {}, "dbase": {}}})",
                       item(program), item(data), item(data), item(data), item(data), item(data));
}

// The code of the user error that the call throws; 0 when it returns.
int lf_userErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const UserErrorException& error) {
        return error.code();
    }
    return 0;
}

class Updater : public ::testing::Test {
  public:
    Updater()
    {
        fs::create_directories(program / "input");
        fs::create_directories(program / "output");
        fs::create_directories(www / major);
        fs::create_directories(www / "release" / "Hollowmere");
        fs::create_directories(www / "docs");
        fs::create_directories(dir / "user");
        gf_overrideDataFolderPath(dir / "user");
        gf_resetRunFlags();
        gf_resetMessageLine();
        previousFolder = fs::current_path();
        fs::current_path(program);
        gf_startLog(dir / "Log.txt");
        for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
            writeWholeFile(www / major / name, sealer::sealText(gf_projectKey(), std::string("<new ") + name + "/>"));
            writeWholeFile(program / "input" / name, std::string("old ") + name);
        }
        writeWholeFile(program / "output" / "LiveriesScanned.xml", "<liveries/>");
        writeWholeFile(www / "docs" / "ReleaseNotes.pdf", "%PDF-1.4 notes");
        writeZip({{"install_new_version.exe", installerBytes}});
        for (StringParameter* version : versionSettings()) {
            version->set("12.0.0");
        }
        writeVersions(lf_versionsJson("12.5.1", "12.0.0"));
        server = std::make_unique<test::HttpTestServer>(www);
        useBase("");
    }
    ~Updater() override
    {
        server.reset();
        gf_setDownloadSettings({});
        gf_stopLog();
        fs::current_path(previousFolder);
        gf_overrideDataFolderPath(std::nullopt);
        for (StringParameter* version : versionSettings()) {
            version->set(version->defaultValue());
        }
        for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
            scan->set(scan->defaultValue());
        }
        gf_resetRunFlags();
        gf_resetMessageLine();
    }

    static std::vector<StringParameter*> versionSettings()
    {
        using namespace settings;
        return {&airportsVersion, &aigVersion, &livScanVersion, &addonsScanVersion, &dbaseVersion};
    }
    void useBase(const std::string& prefix)
    {
        DownloadSettings settings;
        settings.baseAddress = server->url(prefix);
        settings.allowPlainHttp = true;
        settings.connectTimeoutSeconds = 2;
        settings.lowSpeedTimeSeconds = 1;
        gf_setDownloadSettings(settings);
    }
    void writeVersions(const std::string& json) { writeWholeFile(www / "versions.json", json); }
    void writeZip(const std::vector<std::pair<std::string, std::string>>& entries)
    {
        ZipArchive archive(www / "release" / "Hollowmere" / "latest_version.zip");
        std::string error;
        ASSERT_TRUE(archive.openNew(error));
        for (const auto& [name, bytes] : entries) {
            ASSERT_TRUE(archive.addData(name, bytes, error));
        }
        ASSERT_TRUE(archive.close(error)) << error;
    }
    std::string log() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    std::string stored(const StringParameter& setting) const { return setting.get(); }
    void expectNoDownloadLeftovers() const
    {
        for (const char* name : {"versions.json", "latest_version.zip", "install_new_version.exe"}) {
            EXPECT_FALSE(fs::exists(program / name)) << name;
        }
        for (const auto& entry : fs::recursive_directory_iterator(program)) {
            EXPECT_NE(entry.path().extension(), ".part") << entry.path();
        }
    }

    test::TempDir dir;
    fs::path program = dir / "program";
    fs::path www = dir / "www";
    fs::path previousFolder;
    std::string major = fmt::format("{}", gf_programVersion().major);
    std::unique_ptr<test::HttpTestServer> server;
    test::ScopedEnvironment shellLog{os::fileBrowserRecordVariable, (dir / "shell.txt").c_str()};
};

TEST_F(Updater, NewerDataSetsAreFetchedOrScannedAndTheRestIsUpToDate)
{
    using namespace settings;
    airportsVersion.set("12.0.0");
    aigVersion.set("12.1.0");  // same as the web: but its file is missing
    livScanVersion.set("11.9.9");
    addonsScanVersion.set("12.1.0");
    dbaseVersion.set("12.1.0");
    fs::remove(program / "input" / "AIG-regcodes.enc");
    scanLiveries.set(false);
    writeVersions(R"({"msfs_app": {"major": 12, "minor": 5, "patch": 1},
                      "airports": {"major": 12, "minor": 1, "patch": 0}, "aig": {"major": 12, "minor": 1, "patch": 0},
                      "liveries": {"major": 12, "minor": 1, "patch": 0}, "addons": {"major": 12, "minor": 1, "patch": 0}})");
    EXPECT_TRUE(gf_checkVersions({}));
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("msfs_app program version at web = 12.5.1\nmsfs_app version up-to-date\n"));
    EXPECT_EQ(readWholeFile(program / "input" / "airports.enc"), readWholeFile(www / major / "airports.enc"));
    EXPECT_EQ(readWholeFile(program / "input" / "AIG-regcodes.enc"), readWholeFile(www / major / "AIG-regcodes.enc"));
    EXPECT_EQ(readWholeFile(program / "input" / "dbase.enc"), "old dbase.enc");
    EXPECT_EQ(airportsVersion.get(), "12.1.0");
    EXPECT_TRUE(scanLiveries.get());
    EXPECT_EQ(livScanVersion.get(), "12.1.0");
    EXPECT_THAT(readWholeFile(dir / "user" / "parameters.xml"), HasSubstr(R"(name="AIRPORTS_VERSION" value="12.1.0")"));
    EXPECT_THAT(readWholeFile(dir / "user" / "parameters.xml"), HasSubstr(R"(name="SCAN_LIVERIES" value="true")"));
    EXPECT_THAT(text, HasSubstr("airports updated to 12.1.0\n"));
    EXPECT_THAT(text, HasSubstr("aig updated to 12.1.0\n"));
    EXPECT_THAT(text, HasSubstr("liveries updated to 12.1.0\n"));
    EXPECT_THAT(text, HasSubstr("addons version up-to-date\n"));
    EXPECT_THAT(text, HasSubstr("dbase version not found"));
    EXPECT_FALSE(stopRequested.load());
    expectNoDownloadLeftovers();
}

// versions.json in every failure mode: the run goes on with what is installed.
TEST_F(Updater, AVersionsFileThatDoesNotComeLeavesEverythingAsItWas)
{
    writeVersions(lf_versionsJson("99.0.0", "99.0.0"));
    struct Row {
        const char* prefix;
        const char* alert;
    };
    const Row rows[] = {
        {"404/", "Downloading version info from my web site failed!"},
        {"status/503/", "Downloading version info from my web site failed!"},
        {"cut/", "Downloading version info from my web site failed!"},
        {"stall/4/", "Downloading version info from my web site failed!"},
        {"junk/", "versions.json invalid"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prefix);
        useBase(row.prefix);
        EXPECT_TRUE(gf_checkVersions({}));
        EXPECT_THAT(log(), HasSubstr(row.alert));
    }
    writeVersions("[1, 2, 3]");
    useBase("");
    EXPECT_TRUE(gf_checkVersions({}));
    for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
        EXPECT_EQ(readWholeFile(program / "input" / name), std::string("old ") + name);
    }
    for (StringParameter* version : versionSettings()) {
        EXPECT_EQ(version->get(), "12.0.0");
    }
    EXPECT_FALSE(stopRequested.load());
    expectNoDownloadLeftovers();

    // A stopped server, and a redirect that is followed.
    const std::string stoppedBase = server->url("");
    server.reset();
    DownloadSettings settings = gf_downloadSettings();
    settings.baseAddress = stoppedBase;
    gf_setDownloadSettings(settings);
    EXPECT_TRUE(gf_checkVersions({}));
    server = std::make_unique<test::HttpTestServer>(www);
    writeVersions(lf_versionsJson("12.5.1", "12.0.0"));
    useBase("redirect/");
    EXPECT_TRUE(gf_checkVersions({}));
    EXPECT_THAT(log(), HasSubstr("airports version up-to-date\n"));
}

// Each data file in every failure mode: the installed file and its stored version stay; the others go on.
TEST_F(Updater, ADataFileThatDoesNotComeKeepsTheInstalledFileAndItsVersion)
{
    using namespace settings;
    writeVersions(lf_versionsJson("12.5.1", "12.2.0"));
    struct File {
        const char* name;
        StringParameter& version;
    };
    const File files[] = {{"airports.enc", airportsVersion}, {"AIG-regcodes.enc", aigVersion}, {"dbase.enc", dbaseVersion}};
    for (const File& file : files) {
        for (const char* mode : {"404", "status/500", "cut", "stall/4", "junk"}) {
            SCOPED_TRACE(fmt::format("{} {}", file.name, mode));
            for (StringParameter* version : versionSettings()) {
                version->set("12.0.0");
            }
            for (const File& other : files) {
                writeWholeFile(program / "input" / other.name, std::string("old ") + other.name);
            }
            useBase(fmt::format("only/{}/{}/", file.name, mode));
            EXPECT_TRUE(gf_checkVersions({}));
            EXPECT_EQ(readWholeFile(program / "input" / file.name), std::string("old ") + file.name);
            EXPECT_EQ(file.version.get(), "12.0.0");
            for (const File& other : files) {
                if (&other != &file) {
                    EXPECT_EQ(other.version.get(), "12.2.0") << other.name;
                }
            }
            expectNoDownloadLeftovers();
        }
    }
    EXPECT_THAT(log(), HasSubstr("/airports.enc' failed !"));
    useBase("only/dbase.enc/redirect/");
    dbaseVersion.set("12.0.0");
    EXPECT_TRUE(gf_checkVersions({}));
    EXPECT_EQ(dbaseVersion.get(), "12.2.0");
}

// A server that goes away midway: each data file asked for after it stopped keeps the installed file and its
// stored version, the files that came before it are stored, and the scans, which download nothing, are switched on.
TEST_F(Updater, DataFilesAskedForAfterTheServerStoppedKeepTheInstalledFileAndItsVersion)
{
    using namespace settings;
    writeVersions(lf_versionsJson("12.5.1", "12.2.0"));
    struct File {
        const char* name;
        StringParameter& version;
    };
    const File files[] = {
        {"airports.enc", airportsVersion}, {"AIG-regcodes.enc", aigVersion}, {"dbase.enc", dbaseVersion}};
    struct Row {
        const char* stopAfter;
        // The files (in the order above) that come before the server stops.
        std::size_t fetched;
    };
    const Row rows[] = {{"versions.json", 0}, {"airports.enc", 1}, {"AIG-regcodes.enc", 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stopAfter);
        for (StringParameter* version : versionSettings()) {
            version->set("12.0.0");
        }
        for (const File& file : files) {
            writeWholeFile(program / "input" / file.name, std::string("old ") + file.name);
        }
        server = std::make_unique<test::HttpTestServer>(www);
        useBase(fmt::format("stopafter/{}/", row.stopAfter));
        const std::string base = gf_downloadsBaseAddress();
        EXPECT_TRUE(gf_checkVersions({}));
        const std::string text = log();
        for (std::size_t i = 0; i < std::size(files); ++i) {
            const File& file = files[i];
            SCOPED_TRACE(file.name);
            if (i < row.fetched) {
                EXPECT_EQ(readWholeFile(program / "input" / file.name), readWholeFile(www / major / file.name));
                EXPECT_EQ(file.version.get(), "12.2.0");
            } else {
                const std::string url = fmt::format("{}{}/{}", base, major, file.name);
                EXPECT_EQ(readWholeFile(program / "input" / file.name), std::string("old ") + file.name);
                EXPECT_EQ(file.version.get(), "12.0.0");
                EXPECT_THAT(text, HasSubstr(fmt::format("Download error: 'Couldn't connect to server' for {}\n", url)));
                EXPECT_THAT(text, HasSubstr(fmt::format("Downloading '{}' failed !", url)));
            }
        }
        EXPECT_EQ(livScanVersion.get(), "12.2.0");
        EXPECT_EQ(addonsScanVersion.get(), "12.2.0");
        EXPECT_TRUE(scanAirports.get());
        EXPECT_FALSE(stopRequested.load());
        expectNoDownloadLeftovers();
    }
}

TEST_F(Updater, ANewProgramLeavesTheInstallerTheNotesAndTheReadmeAndEndsTheRun)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    // An installer that an earlier run left is never taken for the new one.
    writeWholeFile(program / "install_new_version.exe", "stale");
    fs::create_directories(program / "new_version");
    writeWholeFile(program / "new_version" / "old.txt", "from the last update");
    EXPECT_FALSE(gf_checkVersions({}));
    EXPECT_EQ(readWholeFile(program / "new_version" / "install_new_version.exe"), installerBytes);
    EXPECT_EQ(readWholeFile(program / "new_version" / "ReleaseNotes.pdf"), "%PDF-1.4 notes");
    EXPECT_THAT(readWholeFile(program / "new_version" / "README.txt"), HasSubstr("A new version is available"));
    EXPECT_FALSE(fs::exists(program / "new_version" / "old.txt"));
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newVersion, 0}));
    EXPECT_EQ(readWholeFile(dir / "shell.txt"), (program / "new_version").string() + "\n");
    // The window waits for the user to close it: its message line says where the new version is.
    const std::string told = fmt::format("New version 12.6.0 is in the folder that was opened, {}: close Hollowmere "
                                         "and run its installer",
                                         (program / "new_version").string());
    EXPECT_EQ(gf_messageLineTexts().message, told);
    EXPECT_THAT(log(), HasSubstr(told + "\n"));
    // The data sets wait for the new program.
    EXPECT_EQ(settings::airportsVersion.get(), "12.0.0");
    EXPECT_THAT(log(), HasSubstr("msfs_app program version at web = 12.6.0\n"));
    expectNoDownloadLeftovers();
}

TEST_F(Updater, OfTwoEntriesTheSecondIsTheInstaller)
{
    writeZip({{"first.exe", "the first"}, {"second.exe", "the second"}});
    EXPECT_TRUE(gf_updateProgram(VersionData("12.6.0"), {}));
    EXPECT_EQ(readWholeFile(program / "new_version" / "install_new_version.exe"), "the second");
    expectNoDownloadLeftovers();
}

// The program's zip in every failure mode, a damaged archive and an entry above the cap: user error 112 at once,
// and no installer is reported.
TEST_F(Updater, AZipThatDoesNotComeOrDoesNotUnpackIsUserError112)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    struct Row {
        const char* name;
        std::string prefix;
        std::function<void(Updater&)> prepare;
        std::uint64_t maxEntryBytes;
    };
    const auto none = [](Updater&) {};
    const Row rows[] = {
        {"404", "only/latest_version.zip/404/", none, maxZipEntryBytes},
        {"status", "only/latest_version.zip/status/500/", none, maxZipEntryBytes},
        {"cut", "only/latest_version.zip/cut/", none, maxZipEntryBytes},
        {"stall", "only/latest_version.zip/stallbody/4/", none, maxZipEntryBytes},
        {"junk", "only/latest_version.zip/junk/", none, maxZipEntryBytes},
        {"damaged entry", "",
         [](Updater& t) {
             const fs::path zip = t.www / "release" / "Hollowmere" / "latest_version.zip";
             t.writeZip({{"install_new_version.exe", std::string(100000, 'x')}});
             std::string bytes = readWholeFile(zip);
             for (std::size_t i = 70; i < 120; ++i) {
                 bytes[i] = static_cast<char>(bytes[i] ^ 0x33);
             }
             writeWholeFile(zip, bytes);
         },
         maxZipEntryBytes},
        {"entry above the cap", "", none, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        writeZip({{"install_new_version.exe", installerBytes}});
        row.prepare(*this);
        writeWholeFile(program / "install_new_version.exe", "stale");
        useBase(row.prefix);
        UpdaterOptions options;
        options.maxEntryBytes = row.maxEntryBytes;
        try {
            gf_checkVersions(options);
            ADD_FAILURE() << "no user error";
        } catch (const UserErrorException& error) {
            EXPECT_EQ(error.code(), 112);
            EXPECT_THAT(error.what(), HasSubstr("The downloading/unzipping of the new version failed?"));
        }
        EXPECT_FALSE(fs::exists(program / "new_version" / "install_new_version.exe"));
        EXPECT_FALSE(stopRequested.load());
        expectNoDownloadLeftovers();
    }
    EXPECT_THAT(log(), HasSubstr("Downloading program installer file version 12.6.0 failed"));
    EXPECT_THAT(log(), HasSubstr("Could not open latest_version.zip"));
}

// An archive whose entries state more than the total, all together, is a bad archive: nothing of it is written.
// One exactly at the total is unpacked; its many entries write a few lines and a count.
TEST_F(Updater, AnArchiveAboveTheTotalIsRefusedBeforeAnythingIsWritten)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    std::vector<std::pair<std::string, std::string>> entries;
    for (char name = 'a'; name <= 'l'; ++name) {
        entries.emplace_back(fmt::format("{}.exe", name), std::string(100, name));
    }
    writeZip(entries);
    for (const std::uint64_t total : {1199U, 1200U}) {
        SCOPED_TRACE(total);
        gf_resetRunFlags();
        UpdaterOptions options;
        options.maxTotalBytes = total;
        const bool refused = total < 1200;
        EXPECT_EQ(lf_userErrorOf([&] { EXPECT_FALSE(gf_checkVersions(options)); }), refused ? 112 : 0);
        const fs::path installer = program / "new_version" / "install_new_version.exe";
        if (refused) {
            EXPECT_FALSE(fs::exists(installer));
            EXPECT_THAT(log(), HasSubstr("latest_version.zip unpacks to more than 1199 bytes: a bad archive\n"));
            EXPECT_THAT(log(), Not(HasSubstr("unzipped to")));
        } else {
            EXPECT_EQ(readWholeFile(installer), std::string(100, 'l'));
            const std::string text = log();
            std::size_t lines = 0;
            for (std::size_t at = text.find(" unzipped to "); at != std::string::npos;
                 at = text.find(" unzipped to ", at + 1)) {
                ++lines;
            }
            EXPECT_EQ(lines, 10U);
            EXPECT_THAT(log(), HasSubstr("2 more 'unzipped' lines for latest_version.zip not logged\n"));
        }
        expectNoDownloadLeftovers();
    }
}

// The run ends while the installer is unpacked: the unpacking stops at the next chunk, nothing of it is kept, the
// update is given up without a user error and the run is not ended as "NEW VERSION".
TEST_F(Updater, ARunThatEndsWhileUnpackingGivesTheUpdateUpAtOnce)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    writeZip({{"first.exe", std::string(8 * zipChunkBytes, '\0')}, {"second.exe", "the second"}});
    // Asked before the first entry and before each chunk: the run ends after the first two chunks. From then on
    // the installer is looked at on every question, to see that no chunk follows.
    int asked = 0;
    std::uintmax_t largestAfterEnd = 0;
    UpdaterOptions options;
    options.runEnding = [&] {
        if (++asked <= 3) {
            return false;
        }
        if (fs::exists(program / "install_new_version.exe")) {
            largestAfterEnd = std::max(largestAfterEnd, fs::file_size(program / "install_new_version.exe"));
        }
        return true;
    };
    EXPECT_EQ(lf_userErrorOf([&] { EXPECT_FALSE(gf_checkVersions(options)); }), 0);
    EXPECT_LE(largestAfterEnd, 2 * zipChunkBytes);
    EXPECT_FALSE(fs::exists(program / "new_version" / "install_new_version.exe"));
    EXPECT_FALSE(fs::exists(program / "new_version" / "README.txt"));
    EXPECT_FALSE(stopRequested.load());
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("Unpacking latest_version.zip stopped: the run is ending\n"));
    EXPECT_THAT(text, HasSubstr("The update to version 12.6.0 was given up: the run is ending\n"));
    EXPECT_THAT(text, Not(HasSubstr("unzipped to")));
    EXPECT_THAT(text, Not(HasSubstr("Unzipping error")));
    expectNoDownloadLeftovers();
}

// A server that goes away before the program's zip is user error 112 with no installer; one that goes away before
// the release notes still ends with the new version, without the notes.
TEST_F(Updater, AServerThatStopsBeforeTheZipOrTheNotes)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    struct Row {
        const char* stopAfter;
        int userError;
        // The log line that tells what did not come ({base}: the downloads base).
        const char* line;
    };
    const Row rows[] = {
        {"versions.json", 112, "Downloading program installer file version 12.6.0 failed\n"},
        {"latest_version.zip", 0, "could not download {base}docs/ReleaseNotes.pdf to new_version/ReleaseNotes.pdf\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stopAfter);
        gf_resetRunFlags();
        fs::remove_all(program / "new_version");
        writeWholeFile(program / "install_new_version.exe", "stale");
        server = std::make_unique<test::HttpTestServer>(www);
        useBase(fmt::format("stopafter/{}/", row.stopAfter));
        const std::string base = gf_downloadsBaseAddress();
        EXPECT_EQ(lf_userErrorOf([] { EXPECT_FALSE(gf_checkVersions({})); }), row.userError);
        EXPECT_THAT(log(), HasSubstr(fmt::format(fmt::runtime(row.line), fmt::arg("base", base))));
        if (row.userError == 0) {
            EXPECT_EQ(readWholeFile(program / "new_version" / "install_new_version.exe"), installerBytes);
            EXPECT_TRUE(fs::exists(program / "new_version" / "README.txt"));
            EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newVersion, 0}));
        } else {
            EXPECT_FALSE(fs::exists(program / "new_version" / "install_new_version.exe"));
            EXPECT_FALSE(stopRequested.load());
        }
        EXPECT_FALSE(fs::exists(program / "new_version" / "ReleaseNotes.pdf"));
        for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
            EXPECT_EQ(readWholeFile(program / "input" / name), std::string("old ") + name);
        }
        EXPECT_EQ(settings::airportsVersion.get(), "12.0.0");
        expectNoDownloadLeftovers();
    }
}

// A full disk while the installer is unpacked: its write fails part-way, no partial installer stays, none is moved
// into "new_version", and the update ends with user error 112.
TEST_F(Updater, AFullDiskWhileUnpackingLeavesNoInstallerAndIsUserError112)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    // Compresses to a few kilobytes: the zip arrives whole, and its entry is larger than the disk's room.
    writeZip({{"install_new_version.exe", std::string(3 * zipChunkBytes, 'M')}});
    writeWholeFile(program / "install_new_version.exe", "stale");
    int userError = 0;
    {
        const test::FileSizeLimit fullDisk(zipChunkBytes + zipChunkBytes / 2);
        userError = lf_userErrorOf([] { gf_checkVersions({}); });
    }
    EXPECT_EQ(userError, 112);
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("Unzipping error code: write to install_new_version.exe failed: File too large\n"));
    EXPECT_THAT(text, HasSubstr("install_new_version.exe does not exists?\n"));
    EXPECT_TRUE(fs::is_empty(program / "new_version"));
    EXPECT_FALSE(stopRequested.load());
    expectNoDownloadLeftovers();
}

// The release notes in every failure mode, and the notes and the zip behind a redirect: the new version is prepared
// whatever the notes do; notes that do not come are missing, never partial. Junk with status 200 has nothing to be
// checked against (the notes are only shown to the user) and is stored as it came.
TEST_F(Updater, ReleaseNotesInEveryFailureModeAndRedirectsStillEndWithTheNewVersion)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    // What "new_version" holds as the notes: nothing, the served file, or the server's 5000 junk bytes.
    enum class Notes { missing, served, junk };
    struct Row {
        const char* prefix;
        Notes notes;
    };
    const Row rows[] = {
        {"only/ReleaseNotes.pdf/404/", Notes::missing},      {"only/ReleaseNotes.pdf/status/503/", Notes::missing},
        {"only/ReleaseNotes.pdf/cut/", Notes::missing},      {"only/ReleaseNotes.pdf/stallbody/4/", Notes::missing},
        {"only/ReleaseNotes.pdf/junk/", Notes::junk},        {"only/ReleaseNotes.pdf/redirect/", Notes::served},
        {"only/latest_version.zip/redirect/", Notes::served},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prefix);
        gf_resetRunFlags();
        useBase(row.prefix);
        EXPECT_EQ(lf_userErrorOf([] { EXPECT_FALSE(gf_checkVersions({})); }), 0);
        EXPECT_EQ(readWholeFile(program / "new_version" / "install_new_version.exe"), installerBytes);
        EXPECT_THAT(readWholeFile(program / "new_version" / "README.txt"), HasSubstr("A new version is available"));
        const fs::path notes = program / "new_version" / "ReleaseNotes.pdf";
        switch (row.notes) {
        case Notes::missing:
            EXPECT_FALSE(fs::exists(notes));
            break;
        case Notes::served:
            EXPECT_EQ(readWholeFile(notes), "%PDF-1.4 notes");
            break;
        case Notes::junk:
            EXPECT_EQ(readWholeFile(notes).size(), 5000U);
            break;
        }
        EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newVersion, 0}));
        for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
            EXPECT_EQ(readWholeFile(program / "input" / name), std::string("old ") + name);
        }
        expectNoDownloadLeftovers();
    }
    EXPECT_THAT(log(), HasSubstr(fmt::format("could not download {}docs/ReleaseNotes.pdf to {}\n",
                                             server->url("only/ReleaseNotes.pdf/stallbody/4/"),
                                             "new_version/ReleaseNotes.pdf")));
}

// Release notes that do not come, or a file browser that cannot be opened, do not stop the new version.
TEST_F(Updater, MissingNotesOrFileBrowserStillEndWithTheNewVersion)
{
    writeVersions(lf_versionsJson("12.6.0", "12.0.0"));
    useBase("only/ReleaseNotes.pdf/404/");
    std::vector<std::pair<std::string, std::string>> boxes;
    UpdaterOptions options;
    options.messageBox = [&](const std::string& text, const std::string& caption) { boxes.emplace_back(text, caption); };
    EXPECT_FALSE(gf_checkVersions(options));
    EXPECT_FALSE(fs::exists(program / "new_version" / "ReleaseNotes.pdf"));
    EXPECT_TRUE(fs::exists(program / "new_version" / "README.txt"));
    EXPECT_THAT(log(), HasSubstr("could not download"));
    EXPECT_TRUE(boxes.empty());

    gf_resetRunFlags();
    useBase("");
    // The recording of the file browser cannot be written: it counts as not opened.
    const test::ScopedEnvironment brokenShell(os::fileBrowserRecordVariable, dir.path().c_str());
    EXPECT_FALSE(gf_checkVersions(options));
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0], (std::pair<std::string, std::string>{"Could not open File Explorer at new version", "HLMR"}));
    EXPECT_EQ(gf_messageLineTexts().message,
              "Opening file explorer at the new version failed? Try manually via the Tarnwick website.");
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newVersion, 0}));
}

} // namespace
} // namespace hlw
