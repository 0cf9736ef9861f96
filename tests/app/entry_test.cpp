#include "platform/os/single_instance.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using hlw::test::readWholeFile;
using hlw::test::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;

// The whole line of the text that holds the needle, without its line feed; empty when none does.
std::string lineWith(const std::string& text, const std::string& needle)
{
    const auto at = text.find(needle);
    if (at == std::string::npos) {
        return {};
    }
    const auto begin = text.rfind('\n', at);
    const auto start = begin == std::string::npos ? 0 : begin + 1;
    return text.substr(start, text.find('\n', at) - start);
}

// Runs the built program in a program folder of its own, with its own lock and per-user folders: the sealed
// sample data files in "input" and a Steam installation of MSFS 2020 in the roaming folder; no local folder.
class Entry : public testing::Test {
protected:
    Entry()
    {
        fs::create_directories(dir / "runtime");
        freshFolders();
    }

    // A new program folder and no per-user files.
    void freshFolders() const
    {
        fs::remove_all(program());
        fs::remove_all(dir / "roaming");
        fs::create_directories(program() / "docs");
        fs::create_directories(program() / "input");
        for (const char* name : {"dbase.enc", "airports.enc"}) {
            fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, program() / "input" / name);
        }
    }

    fs::path program() const { return dir / "program"; }
    fs::path packages() const { return dir / "roaming" / "Microsoft Flight Simulator" / "Packages"; }
    fs::path parametersFile() const { return dir / "roaming" / "Hollowmere" / "parameters.xml"; }

    void buildInstallation() const
    {
        const std::string command = fmt::format("'{}' '{}' siminstall --root '{}' --edition steam", HLMR_PYTHON,
                                                HLMR_SAMPLE_BUILDER, dir.path().string());
        ASSERT_EQ(std::system(command.c_str()), 0);
        // One AI-traffic package with one livery, so that the start-up's livery scan finds something.
        const fs::path cfg = packages() / "Community" / "user-aitraffic" / "SimObjects" / "Airplanes" / "A320" /
                             "aircraft.cfg";
        fs::create_directories(cfg.parent_path());
        test::writeWholeFile(cfg, "[GENERAL]\r\nicao_type_designator = \"A320\"\r\n[FLTSIM.0]\r\n"
                            "title = \"Entry test A320\"\r\nicao_airline = \"DLH\"\r\n");
    }

    // Runs the program with the arguments. With a needle, waits until the log shows it (at most 60 s) and then
    // asks the program to end with the signal, as the window's close button would. Without one, waits at most
    // 60 s for the program to end by itself and kills it after that. The exit status, or -1.
    int runProgram(std::vector<std::string> arguments = {"--production"}, const std::string& needle = {},
                   int closeSignal = SIGTERM)
    {
        terminatedAt = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            const std::string root = dir.path().string();
            if (chdir((root + "/program").c_str()) != 0) {
                _exit(127);
            }
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            setenv("TMPDIR", root.c_str(), 1);
            setenv("HLMR_ROAMING_APPDATA", (root + "/roaming").c_str(), 1);
            setenv("HLMR_LOCAL_APPDATA", "", 1);
            if (uiMode != nullptr) {
                setenv("HLMR_UI", uiMode, 1);
            } else {
                unsetenv("HLMR_UI");
                unsetenv("DISPLAY");
            }
            freopen((root + "/out.txt").c_str(), "w", stdout);
            freopen((root + "/err.txt").c_str(), "w", stderr);
            std::vector<char*> argv{const_cast<char*>(HOLLOWMERE_PROGRAM)};
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            execv(HOLLOWMERE_PROGRAM, argv.data());
            _exit(127);
        }
        if (!needle.empty()) {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            const fs::path logFile = program() / "Log.txt";
            while ((!fs::exists(logFile) || log().find(needle) == std::string::npos) &&
                   std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            terminatedAt = std::chrono::steady_clock::now();
            kill(child, closeSignal);
        }
        int status = 0;
        const auto killAt = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > killAt) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        endedAt = std::chrono::steady_clock::now();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // From the signal, or without a needle from the start, to the end of the program.
    std::chrono::steady_clock::duration closeTime() const { return endedAt - terminatedAt; }
    std::string out() const { return readWholeFile(dir / "out.txt"); }
    std::string err() const { return readWholeFile(dir / "err.txt"); }
    std::string log() const { return readWholeFile(program() / "Log.txt"); }

    TempDir dir;
    // The folder of the program's lock; the temporary folder is dir.
    fs::path runtime = dir / "runtime";
    // HLMR_UI for the program; none runs it with neither HLMR_UI nor DISPLAY set.
    const char* uiMode = "headless";
    std::chrono::steady_clock::time_point terminatedAt;
    std::chrono::steady_clock::time_point endedAt;
};

TEST_F(Entry, WritesTheBannerAndTheStartReportToTheLog)
{
    buildInstallation();
    ASSERT_EQ(runProgram(), 0) << err();
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("(utc) Hollowmere version 12.5.1 for MSFS 2020/2024\n"));
    EXPECT_THAT(text, HasSubstr(fmt::format("Roaming AppData folder: {}/roaming\n", dir.path().string())));
    EXPECT_THAT(text, HasSubstr("==> Could not find the Local AppData path\n"));
    EXPECT_THAT(text, HasSubstr("Local AppData folder: not found\n"));
    EXPECT_THAT(out(), HasSubstr("Hollowmere version 12.5.1\n"));
    EXPECT_THAT(out(), HasSubstr("Weekday "));
}

TEST_F(Entry, ReadsBothDatabasesAndFindsTheInstallationInTheWorkersOrder)
{
    buildInstallation();
    ASSERT_EQ(runProgram(), 0) << err();
    const std::string text = log();
    const auto parameters = text.find("parameters.xml not found, creating new with default values:");
    const auto dbase = text.find(" dbase records read\n");
    const auto airports = text.find(" airports read\n");
    const auto install = text.find(fmt::format("Steam packages: {}\n", packages().string()));
    ASSERT_NE(parameters, std::string::npos) << text;
    ASSERT_NE(install, std::string::npos) << text;
    EXPECT_LT(parameters, dbase);
    EXPECT_LT(dbase, airports);
    EXPECT_LT(airports, install);

    for (const char* count : {" ICAO model codes", " ICAO airline codes", " dbase records read", " airports read"}) {
        EXPECT_THAT(lineWith(text, count), ::testing::MatchesRegex(" *[1-9][0-9]* .*")) << count;
    }
    // Production mode ends right after the installation check, before any livery work, as closed by the user.
    const auto production = text.find("\nproduction\n");
    const auto exiting = text.find("Exiting: USER CLOSED SIM\n");
    EXPECT_LT(install, production);
    EXPECT_LT(production, exiting);
    EXPECT_THAT(text, Not(HasSubstr("liveries scan")));
    EXPECT_THAT(readWholeFile(parametersFile()),
                HasSubstr(fmt::format("name=\"MSFS_INSTALL_PATH\" value=\"{}\"", packages().string())));
    EXPECT_FALSE(fs::exists(program() / "input" / "dbase.xml"));
    EXPECT_FALSE(fs::exists(program() / "input" / "airports.xml"));
}

TEST_F(Entry, CreatesEveryOutputFolderAndRemovesTheOldObjectIdListAndOrphanTemporaryFiles)
{
    buildInstallation();
    fs::create_directories(program() / "output" / "info");
    test::writeWholeFile(program() / "output" / "info" / "ObjectIdList.txt", "old run\n");
    // Temporary files of safe writes: two of a killed run, one of a run that goes on (this test).
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    fs::create_directories(parametersFile().parent_path());
    const fs::path orphans[] = {program() / "output" / fmt::format("LiveriesScanned.xml.{}.0.tmp", ended),
                                parametersFile().parent_path() / fmt::format("parameters.xml.{}.2.tmp", ended)};
    const fs::path running = program() / "output" / fmt::format("LiveriesScanned.xml.{}.0.tmp", ::getpid());
    for (const fs::path& file : {orphans[0], orphans[1], running}) {
        test::writeWholeFile(file, "partial");
    }
    ASSERT_EQ(runProgram(), 0) << err();
    EXPECT_FALSE(fs::exists(orphans[0]));
    EXPECT_FALSE(fs::exists(orphans[1]));
    EXPECT_TRUE(fs::exists(running));
    // "output/errors" is created too, but the livery scan takes it away again while it holds no report.
    for (const char* folder : {"output", "output/info", "airports", "airports/learned",
                               "airports/learned/stock", "airports/learned/simaddon", "airports/learned/thirdparty",
                               "airports/my_simaddon", "airports/my_thirdparty", "input/my_regcodes"}) {
        EXPECT_TRUE(fs::is_directory(program() / folder)) << folder;
    }
    EXPECT_FALSE(fs::exists(program() / "output" / "info" / "ObjectIdList.txt"));
}

TEST_F(Entry, AFileInPlaceOfAnOutputFolderEndsTheStartUp)
{
    buildInstallation();
    test::writeWholeFile(program() / "airports", "not a folder");
    EXPECT_EQ(runProgram({"--production"}, "Error "), 1);
    EXPECT_THAT(err(), HasSubstr("Error "));
    EXPECT_THAT(log(), Not(HasSubstr(" dbase records read\n")));
}

TEST_F(Entry, AStoredCommunityFolderIsCutToThePackagesFolderAndNotDetectedAgain)
{
    buildInstallation();
    fs::create_directories(parametersFile().parent_path());
    test::writeWholeFile(parametersFile(),
                         fmt::format("<?xml version=\"1.0\"?>\n<root><parameters>"
                                     "<parameter name=\"MSFS_INSTALL_PATH\" value=\"{}/Community/\"/>"
                                     "</parameters></root>\n",
                                     packages().string()));
    ASSERT_EQ(runProgram(), 0) << err();
    EXPECT_THAT(readWholeFile(parametersFile()),
                HasSubstr(fmt::format("name=\"MSFS_INSTALL_PATH\" value=\"{}\"", packages().string())));
    EXPECT_THAT(log(), Not(HasSubstr("Steam packages:")));
}

// A start-up error stays on the error line until the user closes the program; the run ends with "SYSTEM ERROR".
// Without a window nobody can close the error line: the program prints the error and ends by itself.
TEST_F(Entry, StartUpErrorsEndTheProgramWithTheirText)
{
    struct Row {
        const char* name;
        void (*prepare)(const fs::path& program);
        const char* error;
    };
    const Row rows[] = {
        {"no docs folder", [](const fs::path& folder) { fs::remove(folder / "docs"); },
         "Error 41: Hollowmere must be run from the Hollowmere folder!\n"},
        {"no installation", [](const fs::path&) {},
         "Error 150: No install path detected. Type the full path to your Community folder above, then press "
         "Enter\n"},
        {"damaged airports file",
         [](const fs::path& folder) { test::writeWholeFile(folder / "input" / "airports.enc", "junk"); },
         "Error 88: input/airports.enc stream decrypt failed\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        freshFolders();
        if (std::string(row.name) != "no installation") {
            buildInstallation();
        }
        row.prepare(program());
        EXPECT_EQ(runProgram({"--production"}), 1);
        EXPECT_LT(closeTime(), std::chrono::seconds(10));
        EXPECT_EQ(err(), row.error);
        const std::string text = log();
        EXPECT_THAT(text, HasSubstr(row.error));
        EXPECT_THAT(text, HasSubstr("Exiting: SYSTEM ERROR\n"));
        EXPECT_THAT(text, Not(HasSubstr("User closed Hollowmere\n")));
        EXPECT_FALSE(fs::exists(program() / "input" / "airports.xml"));
    }
}

// Without production mode the worker goes on into the traffic start; SIGTERM or SIGINT runs the close command,
// which ends it within its next wait.
TEST_F(Entry, ACloseDuringTheTrafficStartEndsTheProgramAtOnce)
{
    buildInstallation();
    for (const int closeSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(closeSignal));
        fs::remove(program() / "Log.txt");
        ASSERT_EQ(runProgram({"--production", "/NO-production"}, "RealTraffic not detected at this PC", closeSignal),
                  0)
            << err();
        EXPECT_LT(closeTime(), std::chrono::seconds(3));
        const std::string text = log();
        EXPECT_THAT(text, Not(HasSubstr("\nproduction\n")));
        EXPECT_THAT(text, HasSubstr("Exiting: USER CLOSED SIM\n"));
        EXPECT_THAT(out(), HasSubstr("Close window button clicked, closing Hollowmere ...\n"));
    }
}

TEST_F(Entry, WithoutADisplayTheProgramRunsOnTheConsoleAndSaysSo)
{
    buildInstallation();
    uiMode = nullptr;
    ASSERT_EQ(runProgram(), 0) << err();
    EXPECT_THAT(log(), HasSubstr("No display could be opened: running without a window\n"));
    EXPECT_THAT(log(), HasSubstr("\nproduction\n"));
}

// A second copy ends with -1 and writes nothing at all.
TEST_F(Entry, ASecondCopyEndsAtOnceWithoutTouchingTheLog)
{
    const auto held = os::SingleInstanceLock::acquireIn(dir / "runtime", "Local\\$HLMR$");
    ASSERT_TRUE(held);
    EXPECT_EQ(runProgram(), 255);
    EXPECT_EQ(err(), "");
    EXPECT_EQ(out(), "");
    EXPECT_FALSE(fs::exists(program() / "Log.txt"));
}

// A lock file that cannot be made in the runtime folder is no second copy: it is made in the temporary folder.
TEST_F(Entry, AMissingRuntimeFolderTakesTheLockInTheTemporaryFolder)
{
    buildInstallation();
    runtime = dir / "missing";
    ASSERT_EQ(runProgram(), 0) << err();
    EXPECT_THAT(log(), HasSubstr("\nproduction\n"));
    EXPECT_TRUE(fs::exists(dir / fmt::format("Local__HLMR_-{}.lock", getuid())));
}

TEST_F(Entry, ALogThatCannotBeOpenedEndsTheProgramWithItsReason)
{
    fs::create_directory(program() / "Log.txt");
    EXPECT_EQ(runProgram(), 1);
    EXPECT_THAT(err(), HasSubstr("Failed to write file"));
    EXPECT_EQ(out(), "");
}

} // namespace
} // namespace hlw
