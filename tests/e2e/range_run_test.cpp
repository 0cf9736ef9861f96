// A traffic run with the range saved at 10 nm, in real time (about two minutes): the program starts headless with
// "RANGE" 10 in "parameters.xml" against the simulator stand-in and the traffic feed, which plays 12 s of the demo's
// airborne scenario around the user aircraft (two flights within 10 nm of it, five from 12 to 22 nm away). Only the
// flights within the range become AI aircraft, and once their data has ended and they were removed the stand-in
// holds no object of the program: none was created beyond the range and left behind unbound.
#include "core/geodesy.h"
#include "standin_process.h"
#include "support/child_process.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
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

class RangeRun : public ::testing::Test {
  protected:
    RangeRun() : standin({"--command", fmt::format("user set {} {} 30000 0 0 0 0 off", userAt.lat, userAt.lon)})
    {
        // The live-traffic application's link on a free port; the range saved at 10 nm and kept so.
        run.writeParameters({{"PORT_NUMBER", std::to_string(run.linkPort)},
                             {"RANGE", fmt::format("{}", rangeNmSaved)},
                             {"AUTO_RANGE", "false"},
                             {"SCAN_AIRPORTS", "false"}});
    }

    void startProgram()
    {
        hollowmere.emplace(run.programCommand(standin.simPort(), {"HLMR_UI=headless"}), run / "out.txt",
                           run / "err.txt");
    }
    // 12 s of the scenario, started once the program waits for the link, so that its clock runs with the program.
    void startFeed()
    {
        feed.emplace(run.feedCommand("eham_airborne.txt", {"--send-for", "12", "--duration", "600", "--sent-log",
                                                           (run / "sent.txt").string()}),
                     run / "feed.txt", run / "feed-errors.txt");
    }
    bool waitForLog(const std::string& text)
    {
        return test::gf_waitUntil(end, [&] { return run.log().find(text) != std::string::npos; });
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

    test::ProgramRun run;
    test::StandinProcess standin;
    std::optional<test::ChildProcess> hollowmere;
    std::optional<test::ChildProcess> feed;
    const std::chrono::steady_clock::time_point end = std::chrono::steady_clock::now() + runBudget;
};

TEST_F(RangeRun, OnlyAircraftWithinTheSavedRangeAreCreatedAndNoneStaysBehind)
{
    startProgram();
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect")) << run.log();
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
            << run.log();
        std::this_thread::sleep_for(500ms);
    }
    const std::string text = run.log();
    EXPECT_THAT(text, ::testing::HasSubstr("\nRANGE=10\n"));
    EXPECT_EQ(text.find("given up"), std::string::npos) << text;

    const std::map<std::string, std::vector<test::FedPoint>> sent = test::gf_sentFlights(run / "sent.txt");
    ASSERT_EQ(sent.size(), 7u) << test::readWholeFile(run / "feed.txt");
    std::set<std::string> within;
    for (const auto& [callsign, points] : sent) {
        const bool anyWithin = std::ranges::any_of(
            points, [](const test::FedPoint& point) { return gf_distanceNm(userAt, point.position) <= rangeNmSaved; });
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
    EXPECT_EQ(hollowmere->waitForExit(60s), 0) << test::readWholeFile(run / "err.txt");
}

} // namespace
} // namespace hlw
