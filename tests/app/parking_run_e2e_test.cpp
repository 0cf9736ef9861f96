// The program's parking run end to end: the user aircraft stands at a stand of Schiphol in the simulator stand-in,
// the traffic feed plays the ground scenario, the archived airport files come from a local HTTP server. EHAM
// becomes the park airport and is downloaded and loaded, the user's stand becomes its reserved stand in
// "my_park_airports.txt", static aircraft are created in the simulator, a live aircraft parks at its stand and its
// stand use is learned, and closing the program with SIGTERM saves the learned file. A server that sends EHAM's
// file slowly holds up no live aircraft, and one that sends an endless file has it cut at the reader's cap.
#include "http_test_server.h"
#include "parking/apf_reader.h"
#include "standin_process.h"
#include "support/child_process.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

// The demo's layout with the airport files it archives, served from www/; the user aircraft's stand C5.
struct ParkingRunFolder : test::ProgramRun {
    ParkingRunFolder()
    {
        // The first start scans the simulator's add-on airports (there are none) for the airports of this list.
        test::writeWholeFile(program() / "input" / "ICAO_airports.txt", "EHAM,EGLL,LSZH\r\n");
        const std::string dbase = (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string();
        test::gf_runCommand(fmt::format("'{}' '{}' sample --out '{}' --dbase '{}' > /dev/null", HLMR_PYTHON,
                                        HLMR_AIRPORT_GENERATOR, program().string(), dbase));
        fs::create_directories(*this / "www");
        fs::copy(program() / "downloads", *this / "www" / "MSFS", fs::copy_options::recursive);
        pugi::xml_document eham;
        EXPECT_TRUE(eham.load_file((program() / "downloads/archive/stock/EHAM.xml").c_str()));
        const pugi::xml_node c5 =
            eham.child("root").child("parkpositions").find_child_by_attribute("parkpos", "id", "C5");
        userStand = fmt::format("{} {}", c5.attribute("latitude").value(), c5.attribute("longitude").value());
    }

    std::string userStand;
};

// The whole run, from the program's start to its end after SIGTERM, within CTest's time-out of 480 s with a margin
// for laying out the folder. Each step waits for what it checks; under the sanitizers beside the other suites on a
// loaded machine the start-up alone has taken more than three minutes.
constexpr auto kRunBudget = 400s;

class ParkingRun : public ::testing::Test {
  protected:
    ParkingRun()
        : standin({"--command", fmt::format("user set {} -11 0 0 0 0 on", folder.userStand)}), server(folder / "www")
    {
        // The live-traffic link on a free port as well: the default one may be held by another program's run.
        folder.writeParameters({{"PORT_NUMBER", std::to_string(folder.linkPort)}});
    }
    ~ParkingRun() override
    {
        if (program > 0) {
            ::kill(program, SIGKILL);
            ::waitpid(program, nullptr, 0);
        }
    }

    // Its environment and file names are made before the fork: the child only sets them and starts the program.
    // The download base may name a failure mode of the server.
    void startProgram(const std::string& downloadMode = "")
    {
        std::vector<std::string> environment = folder.programEnvironment(standin.simPort());
        environment.push_back("HLMR_UI=headless");
        environment.push_back("HLMR_DOWNLOAD_BASE=" + server.url(downloadMode));
        const std::string programFolder = folder.program().string();
        const std::string out = (folder / "out.txt").string();
        const std::string err = (folder / "err.txt").string();
        program = ::fork();
        if (program == 0) {
            if (::chdir(programFolder.c_str()) != 0) {
                _exit(127);
            }
            for (std::string& setting : environment) {
                ::putenv(setting.data());
            }
            std::freopen(out.c_str(), "w", stdout);
            std::freopen(err.c_str(), "w", stderr);
            ::execl(HOLLOWMERE_PROGRAM, HOLLOWMERE_PROGRAM, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // The scenario's clock starts with the feed. Started once the program waits for the link, its five minutes of
    // ground traffic play while the program runs, however long the start-up took.
    void startFeed(const std::string& scenario = "eham_ground.txt")
    {
        feed.emplace(folder.feedCommand(scenario,
                                        {"--duration", "600", "--link-log", (folder / "link-log.txt").string()}),
                     folder / "feed.txt", folder / "feed-errors.txt");
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
        bool logged = false;
        test::gf_waitUntil(end, [&] {
            logged = folder.log().find(text) != std::string::npos;
            return logged || !programRunning();
        });
        return logged;
    }

    // The program's exit status once it ended within the run's time; nullopt when it did not.
    std::optional<int> waitForExit()
    {
        if (!test::gf_waitUntil(end, [&] { return !programRunning(); }, 100ms)) {
            return std::nullopt;
        }
        return exitStatus;
    }

    // The positions of the program's objects in the stand-in now, by object id.
    std::map<uint32_t, std::pair<double, double>> ownPositions()
    {
        std::map<uint32_t, std::pair<double, double>> own;
        const nlohmann::json list = standin.control("obj list");
        for (const nlohmann::json& object : list.at("objects")) {
            if (object.at("kind") == "own") {
                own[object.at("id").get<uint32_t>()] = {object.at("lat").get<double>(), object.at("lon").get<double>()};
            }
        }
        return own;
    }

    ParkingRunFolder folder;
    const fs::path partFile = folder.program() / "airports" / "park_airport.xml.part";
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
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect")) << folder.log();
    startFeed();
    ASSERT_TRUE(waitForLog("Airport file read from 'airports/park_airport.xml' for EHAM")) << folder.log();
    ASSERT_TRUE(waitForLog("positions (")) << folder.log();
    while (standin.staticObjectCount() < 10) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << standin.control("obj list").dump();
        std::this_thread::sleep_for(500ms);
    }
    ASSERT_TRUE(waitForLog("KLM1775  parks")) << folder.log();

    ASSERT_EQ(::kill(program, SIGTERM), 0);
    const std::optional<int> status = waitForExit();
    ASSERT_TRUE(status.has_value()) << "no end within the run's time after SIGTERM\n" << folder.log();
    EXPECT_TRUE(WIFEXITED(*status)) << *status;
    const std::string text = folder.log();
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

// EHAM's file arrives at 1.5 KiB/s, about a minute and a half for the sample: the live aircraft of the airborne
// scenario come and move meanwhile, and closing the program during the transfer ends it at once.
TEST_F(ParkingRun, LiveAircraftKeepMovingWhileTheParkAirportsFileArrivesSlowly)
{
    end = std::chrono::steady_clock::now() + kRunBudget;
    startProgram("slow/1536/");
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect")) << folder.log();
    startFeed("eham_airborne.txt");
    ASSERT_TRUE(test::gf_waitUntil(end, [&] { return fs::exists(partFile) || !programRunning(); }, 50ms))
        << folder.log();
    bool moved = false;
    std::map<uint32_t, std::pair<double, double>> before = ownPositions();
    while (!moved && fs::exists(partFile) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(1s);
        const std::map<uint32_t, std::pair<double, double>> now = ownPositions();
        moved = std::ranges::any_of(now, [&](const auto& object) {
            const auto earlier = before.find(object.first);
            return earlier != before.end() && earlier->second != object.second;
        });
        before = now;
    }
    ASSERT_TRUE(moved && fs::exists(partFile)) << "a live aircraft moved while the file arrived\n" << folder.log();

    const auto closing = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(program, SIGTERM), 0);
    const std::optional<int> status = waitForExit();
    ASSERT_TRUE(status.has_value()) << folder.log();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 10s) << "the close waited for the transfer";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_FALSE(fs::exists(partFile));
}

// An endless body is cut at the size the airport file reader accepts: the ".part" file never grows beyond it, and
// the load fails as any failed download does.
TEST_F(ParkingRun, AnEndlessParkAirportFileStopsAtTheReadersCap)
{
    end = std::chrono::steady_clock::now() + kRunBudget;
    startProgram("only/EHAM.xml/endless/");
    ASSERT_TRUE(waitForLog("Waiting for RealTraffic to connect")) << folder.log();
    startFeed();
    std::uintmax_t largest = 0;
    test::gf_waitUntil(
        end,
        [&] {
            std::error_code missing;
            if (const std::uintmax_t size = fs::file_size(partFile, missing); !missing) {
                largest = std::max(largest, size);
            }
            return folder.log().find("failed to download") != std::string::npos || !programRunning();
        },
        5ms);
    const std::string text = folder.log();
    EXPECT_THAT(text, HasSubstr(fmt::format("Download error: 'larger than {} bytes' for {}", apfMaxBytes,
                                            server.url("only/EHAM.xml/endless/MSFS/archive/stock/EHAM.xml"))));
    EXPECT_THAT(text, HasSubstr("failed to download: '"));
    EXPECT_GT(largest, 0U);
    EXPECT_LE(largest, apfMaxBytes);
    EXPECT_FALSE(fs::exists(partFile));
    ASSERT_EQ(::kill(program, SIGTERM), 0);
    EXPECT_EQ(waitForExit(), std::optional<int>(0));
}

} // namespace
} // namespace hlw
