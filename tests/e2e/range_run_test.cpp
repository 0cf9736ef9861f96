// A traffic run with the range saved at 10 nm, in real time (about two minutes): the program starts headless with
// "RANGE" 10 in "parameters.xml" against the simulator stand-in and the traffic feed, which plays 12 s of the demo's
// airborne scenario around the user aircraft (two flights within 10 nm of it, five from 12 to 22 nm away). Only the
// flights within the range become AI aircraft, and once their data has ended and they were removed the stand-in
// holds no object of the program: none was created beyond the range and left behind unbound.
#include "core/geodesy.h"
#include "standin_process.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr double rangeNmSaved = 10.0;
// The user aircraft high above the scenario's centre, Schiphol: no airport is in sight from up there, and the
// traffic below it is not ahead of it.
constexpr LatLon userAt{52.3086, 4.7639};
// The whole run within CTest's time-out of 480 s, with a margin for laying out the folder; the start-up alone may
// take minutes under the sanitizers on a loaded machine.
constexpr auto runBudget = 400s;

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

// Where the feed put each flight, by callsign, from its log of the datagrams sent.
std::map<std::string, std::vector<LatLon>> lf_sentFlights(const fs::path& sentLog)
{
    std::map<std::string, std::vector<LatLon>> flights;
    std::ifstream in(sentLog);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string at;
        std::string kind;
        std::string datagram;
        words >> at >> kind >> datagram;
        std::vector<std::string> fields;
        std::istringstream cells(datagram);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        if (kind == "traffic" && fields.size() > 9) {
            flights[fields[9]].push_back({std::stod(fields[2]), std::stod(fields[3])});
        }
    }
    return flights;
}

class RangeRun : public ::testing::Test {
  protected:
    RangeRun() : standin({"--command", fmt::format("user set {} {} 30000 0 0 0 0 off", userAt.lat, userAt.lon)})
    {
        for (const fs::path& folder : {program() / "docs", program() / "input", dir / "runtime"}) {
            fs::create_directories(folder);
        }
        fs::permissions(dir / "runtime", fs::perms::owner_all);
        for (const char* name : {"dbase.enc", "airports.enc", "AIG-regcodes.enc"}) {
            fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, program() / "input" / name);
        }
        fs::copy(fs::path(HLMR_SAMPLES_INPUT) / "my_regcodes", program() / "input" / "my_regcodes");
        const std::string dbase = (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string();
        lf_run(fmt::format("'{}' '{}' siminstall --root '{}' --sim 2020 --edition store > /dev/null", HLMR_PYTHON,
                           HLMR_SAMPLE_BUILDER, user().string()));
        lf_run(fmt::format("'{}' '{}' sample --out '{}' --dbase '{}' > /dev/null", HLMR_PYTHON, HLMR_PACKAGE_GENERATOR,
                           (user() / "packages").string(), dbase));
        // The live-traffic application on this PC, its link on a free port; the range saved at 10 nm and kept so.
        fs::create_directories(user() / "roaming" / "VidiveZovadaz");
        test::writeWholeFile(user() / "roaming" / "VidiveZovadaz" / "RealTraffic.jar", "");
        fs::create_directories(user() / "roaming" / "Hollowmere");
        test::writeWholeFile(user() / "roaming" / "Hollowmere" / "parameters.xml",
                             fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n"
                                         "    <parameter name=\"PORT_NUMBER\" value=\"{}\" />\n"
                                         "    <parameter name=\"RANGE\" value=\"{}\" />\n"
                                         "    <parameter name=\"AUTO_RANGE\" value=\"false\" />\n"
                                         "    <parameter name=\"SCAN_AIRPORTS\" value=\"false\" />\n"
                                         "  </parameters>\n</root>\n",
                                         linkPort, rangeNmSaved));
    }

    fs::path program() const { return dir / "program"; }
    fs::path user() const { return dir / "user"; }
    std::string log() const
    {
        const fs::path path = program() / "Log.txt";
        return fs::exists(path) ? test::readWholeFile(path) : std::string();
    }

    void startProgram()
    {
        const std::string root = dir.path().string();
        hollowmere.emplace(
            std::vector<std::string>{
                "env", "-C", program().string(), "HLMR_UI=headless", "XDG_RUNTIME_DIR=" + root + "/runtime",
                "HLMR_ROAMING_APPDATA=" + root + "/user/roaming", "HLMR_LOCAL_APPDATA=" + root + "/user/local",
                "HLMR_SHELL_OPEN_LOG=" + root + "/user/opened-folders.txt",
                fmt::format("HLMR_SIM_PORT={}", standin.simPort()), fmt::format("HLMR_TRAFFIC_PORT={}", trafficPort),
                fmt::format("HLMR_QNH_PORT={}", qnhPort), HOLLOWMERE_PROGRAM},
            dir / "out.txt", dir / "err.txt");
    }
    // 12 s of the scenario, started once the program waits for the link, so that its clock runs with the program.
    void startFeed()
    {
        feed.emplace(std::vector<std::string>{HLMR_TRAFFIC_FEED, "--scenario",
                                              fmt::format("{}/eham_airborne.txt", HLMR_SCENARIO_DIR), "--send-for",
                                              "12", "--duration", "600", "--link-port", std::to_string(linkPort),
                                              "--reconnect", "--stop-on-exit", "--traffic-port",
                                              std::to_string(trafficPort), "--qnh-port", std::to_string(qnhPort),
                                              "--sent-log", (dir / "sent.txt").string()},
                     dir / "feed.txt", dir / "feed-errors.txt");
    }
    bool waitForLog(const std::string& text)
    {
        while (log().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(200ms);
        }
        return true;
    }
    // The program's objects in the stand-in now: callsign and position by object id.
    std::map<uint32_t, std::pair<std::string, LatLon>> ownObjects()
    {
        std::map<uint32_t, std::pair<std::string, LatLon>> own;
        const nlohmann::json list = standin.control("obj list");
        for (const nlohmann::json& object : list.at("objects")) {
            if (object.at("kind") == "own") {
                own[object.at("id").get<uint32_t>()] = {
                    object.at("atc_id").get<std::string>(),
                    {object.at("lat").get<double>(), object.at("lon").get<double>()}};
            }
        }
        return own;
    }

    test::TempDir dir;
    const uint16_t trafficPort = lf_freePort(SOCK_DGRAM);
    const uint16_t qnhPort = lf_freePort(SOCK_DGRAM);
    const uint16_t linkPort = lf_freePort(SOCK_STREAM);
    test::StandinProcess standin;
    std::optional<test::ChildProcess> hollowmere;
    std::optional<test::ChildProcess> feed;
    const std::chrono::steady_clock::time_point end = std::chrono::steady_clock::now() + runBudget;
};

TEST_F(RangeRun, OnlyAircraftWithinTheSavedRangeAreCreatedAndNoneStaysBehind)
{
    startProgram();
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect")) << log();
    startFeed();
    // Each object where the stand-in first held it. Watched until the feed's flights within the range came and went
    // and the program holds no object; a flight created beyond the range would never be bound, and would stay.
    std::map<uint32_t, std::pair<std::string, LatLon>> created;
    bool someCame = false;
    for (;;) {
        const std::map<uint32_t, std::pair<std::string, LatLon>> now = ownObjects();
        for (const auto& [id, object] : now) {
            created.try_emplace(id, object);
        }
        someCame = someCame || !now.empty();
        if (someCame && now.empty()) {
            break;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), end)
            << "objects left: " << standin.control("obj list").dump() << "\n"
            << log();
        std::this_thread::sleep_for(500ms);
    }
    const std::string text = log();
    EXPECT_THAT(text, ::testing::HasSubstr("\nRANGE=10\n"));
    EXPECT_EQ(text.find("given up"), std::string::npos) << text;

    const std::map<std::string, std::vector<LatLon>> sent = lf_sentFlights(dir / "sent.txt");
    ASSERT_EQ(sent.size(), 7u) << test::readWholeFile(dir / "feed.txt");
    std::set<std::string> within;
    for (const auto& [callsign, positions] : sent) {
        const bool anyWithin =
            std::ranges::any_of(positions, [](const LatLon& at) { return gf_distanceNm(userAt, at) <= rangeNmSaved; });
        if (anyWithin) {
            within.insert(callsign);
        }
    }
    EXPECT_EQ(within, (std::set<std::string>{"KLC1363", "KLM1234"}));
    std::set<std::string> createdCallsigns;
    for (const auto& [id, object] : created) {
        const auto& [callsign, firstAt] = object;
        createdCallsigns.insert(callsign);
        EXPECT_LE(gf_distanceNm(userAt, firstAt), rangeNmSaved) << callsign << " (object " << id << ")";
    }
    EXPECT_EQ(createdCallsigns, within) << "every flight within the range, and none beyond";

    ASSERT_EQ(::kill(hollowmere->pid(), SIGTERM), 0);
    EXPECT_EQ(hollowmere->waitForExit(60s), 0) << test::readWholeFile(dir / "err.txt");
}

} // namespace
} // namespace hlw
