// The program as its user meets it: `hollowmere` with its real window on a virtual display, against the simulator
// stand-in and the traffic feed. The status band is read from the screen: the simulator lamp, and the live count
// beside the window demo's painting of the count that the stand-in holds. A click on a check box and a callsign
// typed into its box change "parameters.xml" and the log as the commands say, and the window's close button ends
// the run as closed by the user.
#include "app/control_table.h"
#include "close_button.h"
#include "settings/catalogue.h"
#include "standin_process.h"
#include "support/child_process.h"
#include "support/free_port.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "support/xvfb_display.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Pixel;

// Where the window's client area lies on the screen (stored in "parameters.xml"), and the demo's on its own
// screen: the same place, clear of the top edge, which a window is kept away from.
constexpr ui::Point windowOrigin{250, 150};
constexpr ui::Point demoOrigin = windowOrigin;
// The status band's third row right of the readers' names: only "live: N" is painted there.
constexpr ui::Rect liveCountRect{560, 82, 880, 112};
constexpr Pixel green{0x32, 0xCD, 0x32};

// The centre of the control that shows the setting.
ui::Point lf_controlCentre(const ControlBinding& binding)
{
    for (const ControlRow& row : gf_controlTable()) {
        if (row.binding == &binding) {
            const ui::Rect rect = gf_controlRect(row);
            return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        }
    }
    ADD_FAILURE() << "no control for " << binding.controlId();
    return {};
}

bool lf_sameRegion(const test::Screenshot& one, ui::Point oneOrigin, const test::Screenshot& other,
                   ui::Point otherOrigin, ui::Rect region)
{
    for (int32_t y = region.top; y < region.bottom; ++y) {
        for (int32_t x = region.left; x < region.right; ++x) {
            if (one.at(oneOrigin.x + x, oneOrigin.y + y) != other.at(otherOrigin.x + x, otherOrigin.y + y)) {
                return false;
            }
        }
    }
    return true;
}

// The setting's value in "parameters.xml"; none when the file or the setting is not there.
std::optional<std::string> lf_storedSetting(const fs::path& file, const std::string& key)
{
    pugi::xml_document document;
    if (!document.load_file(file.c_str())) {
        return std::nullopt;
    }
    const pugi::xml_node setting =
        document.child("root").child("parameters").find_child_by_attribute("parameter", "name", key.c_str());
    return setting ? std::optional<std::string>(setting.attribute("value").value()) : std::nullopt;
}

class WindowRun : public ::testing::Test {
  protected:
    WindowRun() : standin({"--command", "user set 52.3086 4.7639 0 0 0 0 0 on"})
    {
        // The first start scans the simulator's add-on airports (there are none) for the airports of this list.
        test::writeWholeFile(run.program() / "input" / "ICAO_airports.txt", "EHAM,EGLL,LSZH\r\n");
        // The live-traffic application's link on a free port, the window's corner where the test looks for it.
        run.writeParameters({{"PORT_NUMBER", std::to_string(run.linkPort)},
                             {"AUTO_RANGE", "false"},
                             {"MAIN_WINDOW_X", std::to_string(windowOrigin.x)},
                             {"MAIN_WINDOW_Y", std::to_string(windowOrigin.y)}});
    }

    // Downloads go to a port where nothing listens: refused at once, never out of the machine.
    void startProgram()
    {
        hollowmere.emplace(run.programCommand(standin.simPort(), {"-u", "HLMR_UI", "DISPLAY=" + display.name(),
                                                                  fmt::format("HLMR_DOWNLOAD_BASE=http://127.0.0.1:{}/",
                                                                              test::gf_freePort(SOCK_STREAM)),
                                                                  "LSAN_OPTIONS=suppressions=" HLMR_FONTCONFIG_LEAKS}),
                           run / "out.txt", run / "err.txt");
    }
    void startFeed()
    {
        feed.emplace(run.feedCommand("eham_airborne.txt", {"--duration", "300"}), run / "feed.txt",
                     run / "feed-errors.txt");
    }
    bool waitForLog(const std::string& text, std::chrono::seconds within)
    {
        return test::gf_within(within, [&] { return run.log().find(text) != std::string::npos; });
    }

    // The user's clicks and keys (xdotool's names), at a point of the window's client area.
    void click(ui::Point at) const
    {
        ASSERT_TRUE(
            display.run(fmt::format("xdotool mousemove {} {} click 1", windowOrigin.x + at.x, windowOrigin.y + at.y)));
    }
    void keys(const std::string& names) const { ASSERT_TRUE(display.run("xdotool " + names)); }

    // The program's live aircraft in the simulator: its own objects without the static ones' '*'.
    int liveObjects()
    {
        const nlohmann::json list = standin.control("obj list");
        int count = 0;
        for (const nlohmann::json& object : list["objects"]) {
            count +=
                object.value("kind", std::string()) == "own" && !object.value("atc_id", std::string()).ends_with('*')
                    ? 1
                    : 0;
        }
        return count;
    }

    // The window demo's screen with the running scenario showing this live count, painted by the same painter.
    const test::Screenshot* demoShowing(int liveCount)
    {
        if (const auto known = demoShots.find(liveCount); known != demoShots.end()) {
            return &known->second;
        }
        test::ChildProcess demo({"env", "DISPLAY=" + demoDisplay.name(),
                                 "LSAN_OPTIONS=suppressions=" HLMR_FONTCONFIG_LEAKS, HLMR_WINDOW_DEMO, "running",
                                 std::to_string(demoOrigin.x), std::to_string(demoOrigin.y), "--live",
                                 std::to_string(liveCount)});
        if (demo.readLine(30s) != "ready") {
            return nullptr;
        }
        std::optional<test::Screenshot> shot;
        const auto painted = [&] {
            shot = test::Screenshot::take(demoDisplay);
            return shot && shot->at(demoOrigin.x + 410, demoOrigin.y + 105) == green;
        };
        if (!test::gf_within(10s, painted)) {
            return nullptr;
        }
        demo.stop();
        return &demoShots.emplace(liveCount, std::move(*shot)).first->second;
    }

    test::XvfbDisplay display;
    test::XvfbDisplay demoDisplay;
    test::ProgramRun run;
    test::StandinProcess standin;
    std::optional<test::ChildProcess> hollowmere;
    std::optional<test::ChildProcess> feed;
    std::map<int, test::Screenshot> demoShots;
};

TEST_F(WindowRun, TheWindowShowsTheRunTakesTheUsersCommandsAndClosesWithItsButton)
{
    if (!display.available() || !demoDisplay.available()) {
        GTEST_SKIP() << display.problem() << demoDisplay.problem();
    }
    startProgram();
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect", 120s)) << run.log();
    startFeed();
    const std::optional<std::string> found =
        display.run("timeout 30 xdotool search --sync --onlyvisible --name '^Hollowmere$'");
    ASSERT_TRUE(found);
    const unsigned long window = std::stoul(*found);

    // A check box and the blocked callsign, each saved at once and logged.
    ASSERT_FALSE(settings::alwaysOnTop.defaultValue());
    click(lf_controlCentre(settings::alwaysOnTop));
    click(lf_controlCentre(settings::blockCallsign));
    keys("type --delay 20 klc5024");
    keys("key Return");
    const auto saved = [&] {
        return lf_storedSetting(run.parametersFile(), "ALWAYS_ON_TOP") == "true" &&
               lf_storedSetting(run.parametersFile(), "BLOCK_CALLSIGN") == "KLC5024";
    };
    EXPECT_TRUE(test::gf_within(10s, saved)) << test::readWholeFile(run.parametersFile());

    // The first live aircraft are created 30 s after their first datagrams. The band is read while the stand-in's
    // count stays the same around the screenshot, until it shows that count.
    const std::string shotPath = std::string(::testing::TempDir()) + "hollowmere-window-run.png";
    std::optional<test::Screenshot> screen;
    std::string lastLook = "nothing compared";
    const auto showsTheStandinsCount = [&] {
        const int before = liveObjects();
        screen = test::Screenshot::take(display, shotPath);
        const int after = liveObjects();
        if (!screen || before < 1 || after != before) {
            lastLook = fmt::format("stand-in count {} then {}, screen {}", before, after, screen ? "taken" : "none");
            return false;
        }
        const test::Screenshot* demo = demoShowing(before);
        lastLook = fmt::format("the window's live count is not the demo's {}{}", before,
                               demo == nullptr ? " (the demo showed nothing)" : "");
        return demo != nullptr && lf_sameRegion(*screen, windowOrigin, *demo, demoOrigin, liveCountRect);
    };
    EXPECT_TRUE(test::gf_within(90s, showsTheStandinsCount)) << lastLook << "; the screen is in " << shotPath;
    ASSERT_TRUE(screen);
    // The simulator lamp: connected, with a flight and the user aircraft's title.
    for (const ui::Point at : {ui::Point{400, 40}, ui::Point{410, 105}, ui::Point{420, 110}}) {
        EXPECT_EQ(screen->at(windowOrigin.x + at.x, windowOrigin.y + at.y), green) << at.x << "," << at.y;
    }

    ASSERT_TRUE(test::gf_pressCloseButton(display.name(), window));
    EXPECT_EQ(hollowmere->waitForExit(60s), 0) << test::readWholeFile(run / "err.txt");
    const std::string text = run.log();
    for (const char* line :
         {"\nALWAYS_ON_TOP=true\n", "\nBLOCK_CALLSIGN=\"KLC5024\"\n", "\nExiting: USER CLOSED SIM\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << "not in the log:" << line;
    }
    if (HasFailure()) {
        std::fprintf(stderr, "The program's log:\n%s\n", text.c_str());
    }
}

} // namespace
} // namespace hlw
