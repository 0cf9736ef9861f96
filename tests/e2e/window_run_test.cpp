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
#include "support/temp_dir.h"
#include "support/xvfb_display.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
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

// A port that is free now (SOCK_DGRAM or SOCK_STREAM), so that other runs on the machine do not meet this one.
uint16_t lf_freePort(int type)
{
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// Checks the condition every 200 ms (the files it reads grow, a screenshot takes a while) until it holds or the
// time is up.
bool lf_within(std::chrono::seconds time, const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + time;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(200ms);
    }
    return true;
}

void lf_run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

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
        for (const fs::path& folder : {program() / "docs", program() / "input", dir / "runtime"}) {
            fs::create_directories(folder);
        }
        fs::permissions(dir / "runtime", fs::perms::owner_all);
        for (const char* name : {"dbase.enc", "airports.enc", "AIG-regcodes.enc"}) {
            fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, program() / "input" / name);
        }
        fs::copy(fs::path(HLMR_SAMPLES_INPUT) / "my_regcodes", program() / "input" / "my_regcodes");
        // The first start scans the simulator's add-on airports (there are none) for the airports of this list.
        test::writeWholeFile(program() / "input" / "ICAO_airports.txt", "EHAM,EGLL,LSZH\r\n");
        const std::string dbase = (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string();
        lf_run(fmt::format("'{}' '{}' siminstall --root '{}' --sim 2020 --edition store > /dev/null", HLMR_PYTHON,
                           HLMR_SAMPLE_BUILDER, user().string()));
        lf_run(fmt::format("'{}' '{}' sample --out '{}' --dbase '{}' > /dev/null", HLMR_PYTHON, HLMR_PACKAGE_GENERATOR,
                           (user() / "packages").string(), dbase));
        // The live-traffic application on this PC, the link on a free port, the window's corner where the test
        // looks for it.
        fs::create_directories(user() / "roaming" / "VidiveZovadaz");
        test::writeWholeFile(user() / "roaming" / "VidiveZovadaz" / "RealTraffic.jar", "");
        fs::create_directories(parametersFile().parent_path());
        test::writeWholeFile(parametersFile(),
                             fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n"
                                         "    <parameter name=\"PORT_NUMBER\" value=\"{}\" />\n"
                                         "    <parameter name=\"AUTO_RANGE\" value=\"false\" />\n"
                                         "    <parameter name=\"MAIN_WINDOW_X\" value=\"{}\" />\n"
                                         "    <parameter name=\"MAIN_WINDOW_Y\" value=\"{}\" />\n"
                                         "  </parameters>\n</root>\n",
                                         linkPort, windowOrigin.x, windowOrigin.y));
    }

    fs::path program() const { return dir / "program"; }
    fs::path user() const { return dir / "user"; }
    fs::path parametersFile() const { return user() / "roaming" / "Hollowmere" / "parameters.xml"; }
    std::string log() const
    {
        const fs::path path = program() / "Log.txt";
        return fs::exists(path) ? test::readWholeFile(path) : std::string();
    }

    // Downloads go to a port where nothing listens: refused at once, never out of the machine.
    void startProgram()
    {
        const std::string root = dir.path().string();
        hollowmere.emplace(
            std::vector<std::string>{
                "env", "-C", program().string(), "-u", "HLMR_UI", "DISPLAY=" + display.name(),
                "XDG_RUNTIME_DIR=" + root + "/runtime", "HLMR_ROAMING_APPDATA=" + user().string() + "/roaming",
                "HLMR_LOCAL_APPDATA=" + user().string() + "/local",
                "HLMR_SHELL_OPEN_LOG=" + user().string() + "/opened-folders.txt",
                fmt::format("HLMR_SIM_PORT={}", standin.simPort()), fmt::format("HLMR_TRAFFIC_PORT={}", trafficPort),
                fmt::format("HLMR_QNH_PORT={}", qnhPort),
                fmt::format("HLMR_DOWNLOAD_BASE=http://127.0.0.1:{}/", lf_freePort(SOCK_STREAM)),
                "LSAN_OPTIONS=suppressions=" HLMR_FONTCONFIG_LEAKS, HOLLOWMERE_PROGRAM},
            dir / "out.txt", dir / "err.txt");
    }
    void startFeed()
    {
        feed.emplace(std::vector<std::string>{HLMR_TRAFFIC_FEED, "--scenario",
                                              fmt::format("{}/eham_airborne.txt", HLMR_SCENARIO_DIR), "--link-port",
                                              std::to_string(linkPort), "--reconnect", "--stop-on-exit", "--duration",
                                              "300", "--traffic-port", std::to_string(trafficPort), "--qnh-port",
                                              std::to_string(qnhPort)},
                     dir / "feed.txt", dir / "feed-errors.txt");
    }
    bool waitForLog(const std::string& text, std::chrono::seconds within)
    {
        return lf_within(within, [&] { return log().find(text) != std::string::npos; });
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
        if (!lf_within(10s, painted)) {
            return nullptr;
        }
        demo.stop();
        return &demoShots.emplace(liveCount, std::move(*shot)).first->second;
    }

    test::XvfbDisplay display;
    test::XvfbDisplay demoDisplay;
    test::TempDir dir;
    test::StandinProcess standin;
    const uint16_t trafficPort = lf_freePort(SOCK_DGRAM);
    const uint16_t qnhPort = lf_freePort(SOCK_DGRAM);
    const uint16_t linkPort = lf_freePort(SOCK_STREAM);
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
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect", 120s)) << log();
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
        return lf_storedSetting(parametersFile(), "ALWAYS_ON_TOP") == "true" &&
               lf_storedSetting(parametersFile(), "BLOCK_CALLSIGN") == "KLC5024";
    };
    EXPECT_TRUE(lf_within(10s, saved)) << test::readWholeFile(parametersFile());

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
    EXPECT_TRUE(lf_within(90s, showsTheStandinsCount)) << lastLook << "; the screen is in " << shotPath;
    ASSERT_TRUE(screen);
    // The simulator lamp: connected, with a flight and the user aircraft's title.
    for (const ui::Point at : {ui::Point{400, 40}, ui::Point{410, 105}, ui::Point{420, 110}}) {
        EXPECT_EQ(screen->at(windowOrigin.x + at.x, windowOrigin.y + at.y), green) << at.x << "," << at.y;
    }

    ASSERT_TRUE(test::gf_pressCloseButton(display.name(), window));
    EXPECT_EQ(hollowmere->waitForExit(60s), 0) << test::readWholeFile(dir / "err.txt");
    const std::string text = log();
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
