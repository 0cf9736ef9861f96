// The program against the simulator stand-in: it waits for the simulator, connects, registers, learns the user
// aircraft, and ends with the simulator.
#include "standin_process.h"
#include "support/free_port.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

class SimLinkRun : public testing::Test {
protected:
    SimLinkRun() : standin({"--command", "user set 52.3086 4.7639 0 0 0 0 0 on"}) {
        fs::create_directories(dir / "runtime");
        fs::create_directories(program() / "docs");
        fs::create_directories(program() / "input");
        for (const char* name : {"dbase.enc", "airports.enc"}) {
            fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, program() / "input" / name);
        }
        // The airports the first start's add-on airports scan looks for.
        test::writeWholeFile(program() / "input" / "ICAO_airports.txt", "EHAM,EGLL,LSZH\r\n");
        const std::string command = fmt::format("'{}' '{}' siminstall --root '{}' --edition steam > /dev/null",
                                                HLMR_PYTHON, HLMR_SAMPLE_BUILDER, dir.path().string());
        EXPECT_EQ(std::system(command.c_str()), 0);
        // One AI-traffic package with one livery for the start-up's livery scan.
        const fs::path cfg = dir / "roaming" / "Microsoft Flight Simulator" / "Packages" / "Community" /
                             "user-aitraffic" / "SimObjects" / "Airplanes" / "A320" / "aircraft.cfg";
        fs::create_directories(cfg.parent_path());
        test::writeWholeFile(cfg, "[GENERAL]\r\nicao_type_designator = \"A320\"\r\n[FLTSIM.0]\r\n"
                                  "title = \"Airbus A320 SWISS\"\r\nicao_airline = \"SWR\"\r\n");
    }
    ~SimLinkRun() override {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }

    fs::path program() const { return dir / "program"; }
    std::string log() const {
        return fs::exists(program() / "Log.txt") ? test::readWholeFile(program() / "Log.txt") : std::string();
    }
    bool waitForLog(const std::string& needle, std::chrono::seconds timeout = 60s) const {
        return test::gf_within(timeout, [&] { return log().find(needle) != std::string::npos; }, 20ms);
    }
    void startProgram() {
        child = fork();
        if (child == 0) {
            const std::string root = dir.path().string();
            if (chdir((root + "/program").c_str()) != 0) {
                _exit(127);
            }
            setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
            setenv("HLMR_ROAMING_APPDATA", (root + "/roaming").c_str(), 1);
            setenv("HLMR_LOCAL_APPDATA", "", 1);
            setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
            setenv("HLMR_TRAFFIC_PORT", std::to_string(trafficPort).c_str(), 1);
            setenv("HLMR_QNH_PORT", std::to_string(qnhPort).c_str(), 1);
            freopen((root + "/out.txt").c_str(), "w", stdout);
            freopen((root + "/err.txt").c_str(), "w", stderr);
            execl(HOLLOWMERE_PROGRAM, HOLLOWMERE_PROGRAM, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    int waitForExit(std::chrono::seconds timeout = 30s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                return -2;
            }
            std::this_thread::sleep_for(20ms);
        }
        child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::TempDir dir;
    test::StandinProcess standin;
    // The readers' ports, free now, so that runs of other suites on this machine do not collide.
    const uint16_t trafficPort = test::gf_freePort(SOCK_DGRAM);
    const uint16_t qnhPort = test::gf_freePort(SOCK_DGRAM);
    pid_t child = -1;
};

TEST_F(SimLinkRun, ConnectsRegistersKnowsTheUserAircraftAndEndsWithTheSimulator) {
    ASSERT_TRUE(standin.control("sim offline")["ok"].get<bool>());
    startProgram();
    ASSERT_TRUE(waitForLog("Waiting for MSFS 2020 ...")) << log();
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(standin.control("sim online")["ok"].get<bool>());
    // The log is written as the program goes but flushed later: the stand-in tells when the user aircraft's
    // position, on-ground state, title and model have been asked for.
    const auto end = std::chrono::steady_clock::now() + 60s;
    const auto userRequests = [this] {
        return standin.control("stats")["calls"].value("RequestDataOnSimObject", nlohmann::json::object()).value(
            "total", 0);
    };
    while (userRequests() < 4) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << log();
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(200ms);
    const nlohmann::json audit = standin.control("audit");
    EXPECT_EQ(audit["registrations"].size(), 72u);
    EXPECT_TRUE(standin.control("exceptions")["exceptions"].empty());

    ASSERT_TRUE(standin.control("sim quit")["ok"].get<bool>());
    EXPECT_EQ(waitForExit(), 0) << log();
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("MSFS 2020 (11.0.282174.999) connected\n"));
    EXPECT_THAT(text, HasSubstr("SimConnect: User aircraft title: Stand-in Airliner A320 Hollowmere\n"));
    EXPECT_THAT(text, HasSubstr("SimConnect: User aircraft model: A320"));
    EXPECT_THAT(text, HasSubstr("3 ICAO codes of airports read\n"));
    EXPECT_THAT(text, HasSubstr("The scan will search 2 folders\n"));
    EXPECT_THAT(text, HasSubstr("Warning: Scan has not found any add-on airports\n"));
    EXPECT_THAT(text, HasSubstr("Flight Simulator no longer connected, Hollowmere will stop ...\n"));
    EXPECT_THAT(text, HasSubstr("Exiting: SIM WAS CLOSED\n"));
    EXPECT_THAT(text, HasSubstr("SimConnect closed ok\n"));
    EXPECT_EQ(text.find("Waiting for MSFS 2020 ..."), text.rfind("Waiting for MSFS 2020 ..."));
}

} // namespace
} // namespace hlw
