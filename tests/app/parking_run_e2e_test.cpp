// The program's parking run end to end: the user aircraft stands at a stand of Schiphol in the simulator stand-in,
// the traffic feed plays the ground scenario, the archived airport files come from a local HTTP server. EHAM
// becomes the park airport and is downloaded and loaded, the user's stand becomes its reserved stand in
// "my_park_airports.txt", static aircraft are created in the simulator, a live aircraft parks at its stand and its
// stand use is learned, and closing the program with SIGTERM saves the learned file.
#include "http_test_server.h"
#include "standin_process.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>
#include <thread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

// A port that is free now (type SOCK_DGRAM or SOCK_STREAM), so that runs of other suites and other copies of this
// test on the machine do not collide with this run's program, stand-in and feed.
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

void lf_run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The program folder and the user's folders as the demo lays them out; the user aircraft's stand C5.
struct ParkingRunFolder {
    ParkingRunFolder()
    {
        for (const fs::path& folder : {program() / "docs", program() / "input", dir / "runtime", dir / "www"}) {
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
        lf_run(fmt::format("'{}' '{}' sample --out '{}' --dbase '{}' > /dev/null", HLMR_PYTHON,
                           HLMR_PACKAGE_GENERATOR, (user() / "packages").string(), dbase));
        lf_run(fmt::format("'{}' '{}' sample --out '{}' --dbase '{}' > /dev/null", HLMR_PYTHON,
                           HLMR_AIRPORT_GENERATOR, program().string(), dbase));
        fs::copy(program() / "downloads", dir / "www" / "MSFS", fs::copy_options::recursive);
        fs::create_directories(user() / "roaming" / "VidiveZovadaz");
        test::writeWholeFile(user() / "roaming" / "VidiveZovadaz" / "RealTraffic.jar", "");
        pugi::xml_document eham;
        EXPECT_TRUE(eham.load_file((program() / "downloads/archive/stock/EHAM.xml").c_str()));
        const pugi::xml_node c5 =
            eham.child("root").child("parkpositions").find_child_by_attribute("parkpos", "id", "C5");
        userStand = fmt::format("{} {}", c5.attribute("latitude").value(), c5.attribute("longitude").value());
    }

    fs::path program() const { return dir / "program"; }
    fs::path user() const { return dir / "user"; }

    test::TempDir dir;
    std::string userStand;
};

// The whole run, from the program's start to its end after SIGTERM, within CTest's time-out of 480 s with a margin
// for laying out the folder. Each step waits for what it checks; under the sanitizers beside the other suites on a
// loaded machine the start-up alone has taken more than three minutes.
constexpr auto kRunBudget = 400s;

class ParkingRun : public ::testing::Test {
  protected:
    ParkingRun()
        : standin({"--command", fmt::format("user set {} -11 0 0 0 0 on", folder.userStand)}),
          server(folder.dir / "www")
    {
        // The live-traffic link on a free port as well: the default one may be held by another program's run.
        fs::create_directories(folder.user() / "roaming" / "Hollowmere");
        test::writeWholeFile(folder.user() / "roaming" / "Hollowmere" / "parameters.xml",
                             fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n"
                                         "    <parameter name=\"PORT_NUMBER\" value=\"{}\" />\n"
                                         "  </parameters>\n</root>\n",
                                         linkPort));
    }
    ~ParkingRun() override
    {
        if (program > 0) {
            ::kill(program, SIGKILL);
            ::waitpid(program, nullptr, 0);
        }
    }

    void startProgram()
    {
        program = ::fork();
        if (program == 0) {
            const std::string root = folder.dir.path().string();
            if (::chdir(folder.program().c_str()) != 0) {
                _exit(127);
            }
            ::setenv("HLMR_UI", "headless", 1);
            ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
            ::setenv("HLMR_ROAMING_APPDATA", (root + "/user/roaming").c_str(), 1);
            ::setenv("HLMR_LOCAL_APPDATA", (root + "/user/local").c_str(), 1);
            ::setenv("HLMR_SHELL_OPEN_LOG", (root + "/user/opened-folders.txt").c_str(), 1);
            ::setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
            ::setenv("HLMR_TRAFFIC_PORT", std::to_string(trafficPort).c_str(), 1);
            ::setenv("HLMR_QNH_PORT", std::to_string(qnhPort).c_str(), 1);
            ::setenv("HLMR_DOWNLOAD_BASE", server.url("").c_str(), 1);
            std::freopen((root + "/out.txt").c_str(), "w", stdout);
            std::freopen((root + "/err.txt").c_str(), "w", stderr);
            ::execl(HOLLOWMERE_PROGRAM, HOLLOWMERE_PROGRAM, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // The scenario's clock starts with the feed. Started once the program waits for the link, its five minutes of
    // ground traffic play while the program runs, however long the start-up took.
    void startFeed()
    {
        feed.emplace(std::vector<std::string>{HLMR_TRAFFIC_FEED, "--scenario",
                                              fmt::format("{}/eham_ground.txt", HLMR_SCENARIO_DIR), "--link-port",
                                              std::to_string(linkPort), "--reconnect", "--stop-on-exit",
                                              "--duration", "600", "--traffic-port", std::to_string(trafficPort),
                                              "--qnh-port", std::to_string(qnhPort), "--link-log",
                                              (folder.dir / "link-log.txt").string()},
                     folder.dir / "feed.txt", folder.dir / "feed-errors.txt");
    }

    std::string log() const
    {
        const fs::path path = folder.program() / "Log.txt";
        return fs::exists(path) ? test::readWholeFile(path) : std::string();
    }

    bool programRunning()
    {
        int status = 0;
        if (program > 0 && ::waitpid(program, &status, WNOHANG) == program) {
            program = -1;
            exitStatus = status;
        }
        return program > 0;
    }

    // Waits until the log holds the text (the log is flushed at least every 30 s), the program ended or the run's
    // time is up.
    bool waitForLog(const std::string& text)
    {
        while (log().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end || !programRunning()) {
                return false;
            }
            std::this_thread::sleep_for(200ms);
        }
        return true;
    }

    // The static aircraft the simulator holds (callsigns ending in '*').
    int staticObjects()
    {
        int count = 0;
        const nlohmann::json list = standin.control("obj list");
        for (const nlohmann::json& object : list["objects"]) {
            count += object.value("atc_id", std::string()).ends_with('*') ? 1 : 0;
        }
        return count;
    }

    // The program's exit status once it ended within the run's time; nullopt when it did not.
    std::optional<int> waitForExit()
    {
        while (programRunning()) {
            if (std::chrono::steady_clock::now() > end) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(100ms);
        }
        return exitStatus;
    }

    ParkingRunFolder folder;
    const uint16_t trafficPort = lf_freePort(SOCK_DGRAM);
    const uint16_t qnhPort = lf_freePort(SOCK_DGRAM);
    const uint16_t linkPort = lf_freePort(SOCK_STREAM);
    test::StandinProcess standin;
    test::HttpTestServer server;
    std::optional<test::ChildProcess> feed;
    pid_t program = -1;
    int exitStatus = -1;
    std::chrono::steady_clock::time_point end; // of the run's time, set as the program starts
};

TEST_F(ParkingRun, ParksLearnsAndSavesAtSchiphol)
{
    end = std::chrono::steady_clock::now() + kRunBudget;
    startProgram();
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect")) << log();
    startFeed();
    ASSERT_TRUE(waitForLog("Airport file read from 'airports/park_airport.xml' for EHAM")) << log();
    ASSERT_TRUE(waitForLog("positions (")) << log();
    while (staticObjects() < 10) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << standin.control("obj list").dump();
        std::this_thread::sleep_for(500ms);
    }
    ASSERT_TRUE(waitForLog("KLM1775  parks")) << log();

    ASSERT_EQ(::kill(program, SIGTERM), 0);
    const std::optional<int> status = waitForExit();
    ASSERT_TRUE(status.has_value()) << "no end within the run's time after SIGTERM\n" << log();
    EXPECT_TRUE(WIFEXITED(*status)) << *status;
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("User aircraft on the ground at EHAM"));
    EXPECT_THAT(text, HasSubstr("The park airport is EHAM"));
    EXPECT_THAT(text, HasSubstr("my_park_airports.txt:EHAM,C5 updated stand"));
    EXPECT_THAT(text, HasSubstr("'airports/learned/stock/EHAM.xml' saved with"));
    EXPECT_EQ(text.find("did not succeed"), std::string::npos);

    EXPECT_THAT(test::readWholeFile(folder.program() / "airports/my_park_airports.txt"), HasSubstr("EHAM,C5\n"));
    pugi::xml_document learned;
    ASSERT_TRUE(learned.load_file((folder.program() / "airports/learned/stock/EHAM.xml").c_str()));
    bool learnedKlm1775 = false;
    for (const pugi::xml_node parkpos : learned.child("root").child("parkpositions").children("parkpos")) {
        for (const pugi::xml_node opt : parkpos.children("opt")) {
            learnedKlm1775 = learnedKlm1775 || std::string_view(opt.attribute("reg").value()) == "PH-YXM";
        }
    }
    EXPECT_TRUE(learnedKlm1775) << "the stand use of the parked KLM1775 (PH-YXM) is learned";
}

} // namespace
} // namespace hlw
