#include "support/log_capture.h"
#include "support/temp_dir.h"
#include "support/xvfb_display.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using test::Pixel;

// The built program with its real window on Xvfb, in a program folder and per-user folders of its own, with its
// corner stored at (250, 150). Skipped with its reason when no display starts.
class WindowProcess : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (!display.available()) {
            std::fprintf(stderr, "%s\n", display.problem().c_str());
            GTEST_SKIP() << display.problem();
        }
        fs::create_directories(dir / "runtime");
        fs::create_directories(program() / "docs");
        fs::create_directories(program() / "input");
        for (const char* name : {"dbase.enc", "airports.enc"}) {
            fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, program() / "input" / name);
        }
        fs::create_directories(parametersFile().parent_path());
        storeCorner(250, 150);
    }

    void storeCorner(int x, int y) const
    {
        test::writeWholeFile(parametersFile(),
                             fmt::format("<?xml version=\"1.0\"?>\n<root><parameters>"
                                         "<parameter name=\"MAIN_WINDOW_X\" value=\"{}\"/>"
                                         "<parameter name=\"MAIN_WINDOW_Y\" value=\"{}\"/>"
                                         "</parameters></root>\n",
                                         x, y));
    }

    fs::path program() const { return dir / "program"; }
    fs::path parametersFile() const { return dir / "roaming" / "Hollowmere" / "parameters.xml"; }
    std::string log() const { return test::readWholeFile(program() / "Log.txt"); }

    void buildInstallation() const
    {
        const std::string command = fmt::format("'{}' '{}' siminstall --root '{}' --edition steam >/dev/null",
                                                HLMR_PYTHON, HLMR_SAMPLE_BUILDER, dir.path().string());
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    // uiMode is the value of HLMR_UI, none for unset.
    pid_t start(std::vector<std::string> arguments, const char* uiMode = nullptr) const
    {
        const pid_t child = fork();
        if (child == 0) {
            const std::string root = dir.path().string();
            if (chdir(program().c_str()) != 0) {
                _exit(127);
            }
            setenv("DISPLAY", display.name().c_str(), 1);
            if (uiMode != nullptr) {
                setenv("HLMR_UI", uiMode, 1);
            } else {
                unsetenv("HLMR_UI");
            }
            setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
            setenv("HLMR_ROAMING_APPDATA", (root + "/roaming").c_str(), 1);
            setenv("HLMR_LOCAL_APPDATA", "", 1);
            // fontconfig keeps its caches until the process ends.
            setenv("LSAN_OPTIONS", "suppressions=" HLMR_FONTCONFIG_LEAKS, 1);
            freopen((root + "/out.txt").c_str(), "a", stdout);
            freopen((root + "/err.txt").c_str(), "a", stderr);
            std::vector<char*> argv{const_cast<char*>(HOLLOWMERE_PROGRAM)};
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            execv(HOLLOWMERE_PROGRAM, argv.data());
            _exit(127);
        }
        return child;
    }
    static int wait(pid_t child)
    {
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool logShows(const std::string& needle) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end) {
            if (fs::exists(program() / "Log.txt") && log().find(needle) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    test::XvfbDisplay display;
    test::TempDir dir;
};

// Without an installation the start-up stops on its error, which the red band shows until the close.
TEST_F(WindowProcess, TheWindowOpensAtItsStoredPlaceAndASecondCopyEndsAtOnce)
{
    const pid_t first = start({});
    ASSERT_TRUE(logShows("Error 150")) << log();
    const std::optional<std::string> geometry =
        display.run("timeout 30 xdotool search --sync --name '^Hollowmere$' getwindowgeometry");
    ASSERT_TRUE(geometry);
    EXPECT_THAT(*geometry, HasSubstr("Position: 250,150"));
    EXPECT_THAT(*geometry, HasSubstr("Geometry: 880x476"));

    std::optional<test::Screenshot> shot;
    const auto redBand = [&] {
        shot = test::Screenshot::take(display);
        return shot && shot->at(250 + 870, 150 + 462) == Pixel{0xFF, 0, 0};
    };
    ASSERT_TRUE(test::gf_eventually(redBand, std::chrono::seconds(10)));
    EXPECT_EQ(shot->at(250 + 600, 150 + 14), (Pixel{0, 0, 0}));
    EXPECT_EQ(shot->at(250 + 870, 150 + 250), (Pixel{0x99, 0xCC, 0xFF}));
    EXPECT_EQ(shot->at(250 + 440, 150 + 420), (Pixel{0, 0, 0}));

    EXPECT_EQ(wait(start({})), 255);
    kill(first, SIGTERM);
    EXPECT_EQ(wait(first), 1);
    EXPECT_THAT(log(), HasSubstr("User closed Hollowmere\n"));
    EXPECT_THAT(test::readWholeFile(parametersFile()), HasSubstr("name=\"MAIN_WINDOW_X\" value=\"250\""));
    EXPECT_THAT(test::readWholeFile(parametersFile()), HasSubstr("name=\"MAIN_WINDOW_Y\" value=\"150\""));
}

// The corner is stored 10 pixels below the screen's top: only the window moves it down to 48 (and saves that at
// its end), so the stored corner tells which host ran. HLMR_UI=headless keeps the console host despite the display.
TEST_F(WindowProcess, ProductionModeOpensTheWindowRunsTheStartUpAndEndsWithZero)
{
    buildInstallation();
    struct Row {
        const char* uiMode;
        const char* storedY;
        bool window;
    };
    const Row rows[] = {{nullptr, "48", true}, {"headless", "10", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.uiMode == nullptr ? "HLMR_UI unset" : row.uiMode);
        fs::remove(program() / "Log.txt");
        storeCorner(250, 10);
        EXPECT_EQ(wait(start({"--production"}, row.uiMode)), 0) << test::readWholeFile(dir / "err.txt");
        const std::string text = log();
        EXPECT_THAT(text, HasSubstr("\nproduction\n"));
        if (row.window) {
            EXPECT_THAT(text, ::testing::Not(HasSubstr("running without a window")));
        } else {
            EXPECT_THAT(text, HasSubstr("HLMR_UI=headless: running without a window\n"));
        }
        const std::string parameters = test::readWholeFile(parametersFile());
        EXPECT_THAT(parameters, HasSubstr("name=\"MAIN_WINDOW_X\" value=\"250\""));
        EXPECT_THAT(parameters, HasSubstr(fmt::format("name=\"MAIN_WINDOW_Y\" value=\"{}\"", row.storedY)));
    }
}

} // namespace
} // namespace hlw
