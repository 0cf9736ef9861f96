#include "engine/link/live_traffic_server.h"

#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/run/link_run_events.h"
#include "platform/net/tcp_client.h"
#include "settings/catalogue.h"
#include "support/child_process.h"
#include "support/log_capture.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view goldenPosition = "Qs121=-5230;1750;1.570796;3500000;250000;0.828415;0.149212";

class StillSimLink final : public SimLink {
public:
    void resetQueues() override {}
    void start() override {}
    void stop() override {}
    void join() override {}
    bool requestUserOnGround() override { return true; }
    std::optional<UserAircraftFix> requestUserPosition() override { return userAircraft(); }
    void requestUserTitle() override {}
    UserAircraftFix userAircraft() const override
    {
        const std::lock_guard lock(mutex);
        return user;
    }
    void discardAiPositions() override {}

    mutable std::mutex mutex;
    UserAircraftFix user{47.4647, 8.5492, 3500.0, false, -0.0523, 0.0175, 1.570796, 250.0};
};

class CountingReaders final : public TrafficReaders {
public:
    void resetState() override { ++resets; }
    std::atomic<int> resets{0};
};

class CountingLifecycle final : public LifecycleHooks {
public:
    void removeForLostLink() override { ++removals; }
    std::atomic<int> removals{0};
};

class LiveTrafficLinkTest : public ::testing::Test {
protected:
    LiveTrafficLinkTest()
    {
        gf_resetRunFlags();
        userClosing.store(false);
        gf_resetMessageLine();
        rtOnThisPc.store(true);
        simUtcSeconds.store(0);
        settings::portNumber.set("0");
        link.startServer();
    }
    ~LiveTrafficLinkTest() override
    {
        link.close();
        feed.reset();
        gf_resetRunFlags();
        userClosing.store(false);
        rtOnThisPc.store(false);
        simUtcSeconds.store(0);
        settings::portNumber.set(settings::portNumber.defaultValue());
    }

    // The feed as the live-traffic application, playing only the link.
    void startFeed(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {HLMR_TRAFFIC_FEED, "--link-port", std::to_string(link.port()),
                                             "--link-log", (dir / "link.log").string(), "--duration", "60"});
        feed = std::make_unique<test::ChildProcess>(arguments, dir / "feed.out", dir / "feed.err");
    }
    std::string feedLog() const
    {
        const std::filesystem::path path = dir / "link.log";
        return std::filesystem::exists(path) ? test::readWholeFile(path) : std::string();
    }
    bool feedSaw(const std::string& text) const
    {
        return test::gf_eventually([&] { return feedLog().find(text) != std::string::npos; });
    }
    // The traffic start's handshake, ended by the test's close when it waits longer than within.
    void handshake(std::chrono::milliseconds within = 5s)
    {
        auto waiting = std::async(std::launch::async, [this] { link.connectAndHandshake(); });
        if (waiting.wait_for(within) != std::future_status::ready) {
            link.close();
        }
        waiting.get();
    }
    StatusValues status() const { return board.snapshot(); }

    test::LogCapture log;
    const std::filesystem::path dir = log.folder();
    StillSimLink sim;
    CountingReaders readers;
    CountingLifecycle lifecycle;
    StatusBoard board;
    ResetRegistry resets;
    LinkRunEvents events{sim, readers, lifecycle};
    LiveTrafficServer link{events, board, resets, LinkTimings{20ms, 500ms, 200ms}};
    std::unique_ptr<test::ChildProcess> feed;
};

// Every answer the application may give to the version request, and what the run makes of it.
TEST_F(LiveTrafficLinkTest, EveryVersionReplyMode)
{
    struct Row {
        std::vector<std::string> arguments;
        bool simTime;
        std::string edition;
        bool noVersionMessage;
        std::string logged;
    };
    const Row rows[] = {
        {{"--reply", "normal"}, true, "RT prof edition: 1.2.3", false, ""},
        {{"--reply", "normal", "--level", "1", "--version", "2.0.1"}, false, "RT stnd edition: 2.0.1", false, ""},
        {{"--reply", "late", "--reply-delay", "0.2"}, true, "RT prof edition: 1.2.3", false, ""},
        {{"--reply", "partial", "--reply-delay", "0.2"}, true, "RT prof edition: 1.2.3", false, ""},
        {{"--reply", "empty"}, false, "", true, ""},
        {{"--reply", "broken"}, false, "", false, "lf_processRTVersion: JSON parse failed: "},
        {{"--reply", "array"}, false, "", false, ""},
        {{"--reply", "drop"}, false, "", true, ""},
    };
    for (const Row& row : rows) {
        const std::string name = fmt::format("{}", fmt::join(row.arguments, " "));
        link.startServer();
        board.reset();
        gf_resetMessageLine();
        std::filesystem::remove(dir / "link.log");
        simTimeEnabled.store(!row.simTime);
        simTimeInUse.store(!row.simTime);
        const std::size_t logBefore = log.text().size();
        const uint64_t handshakesBefore = link.counts().handshakes;
        startFeed(row.arguments);
        const auto start = std::chrono::steady_clock::now();
        handshake();
        const auto took = std::chrono::steady_clock::now() - start;
        const std::string logged = log.text().substr(logBefore);
        // Only a cut reply waits out the 500 ms; a complete one or a close ends the wait at once.
        EXPECT_EQ(took < 450ms, row.arguments[1] != "broken") << name;
        EXPECT_THAT(logged, Not(HasSubstr("waitForClient interrupted"))) << name;
        EXPECT_EQ(simTimeEnabled.load(), row.simTime) << name;
        EXPECT_EQ(simTimeInUse.load(), row.simTime) << "the simulator's clock is the program's: " << name;
        EXPECT_EQ(status().rtEditionText, row.edition) << name;
        EXPECT_TRUE(status().liveSourceReady) << name;
        EXPECT_EQ(link.counts().handshakes, handshakesBefore + 1) << name;
        EXPECT_EQ(logged.find("No RealTraffic version received?") != std::string::npos, row.noVersionMessage) << name;
        EXPECT_THAT(logged, HasSubstr(row.logged)) << name;
        EXPECT_THAT(logged, HasSubstr("RealTraffic connected\n")) << name;
        EXPECT_TRUE(feedSaw("request Qs999=version")) << name;
        simUtcSeconds.store(1717000000);
        link.sendSimTime();
        link.sendUserPosition();
        // The lines go out in order: once the position is there, a simulator time sent before it is there too.
        EXPECT_TRUE(row.arguments[1] == "drop" || feedSaw(" Qs121 ")) << name;
        EXPECT_EQ(feedLog().find("Qs123=1717000000000") != std::string::npos, row.simTime) << "level 2 only: " << name;
        link.close();
        feed.reset();
    }
}

TEST_F(LiveTrafficLinkTest, PositionAndTimeReachTheApplicationAndExitEndsIt)
{
    startFeed({"--reply", "normal", "--stop-on-exit"});
    handshake();
    ASSERT_TRUE(status().liveSourceReady);
    EXPECT_THAT(log.text(), HasSubstr("Waiting for RealTraffic to connect to Hollowmere ...\n"));
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic connected\n"));
    EXPECT_EQ(readers.resets.load(), 1) << "the readers start afresh with the application";

    link.sendUserPosition();
    EXPECT_TRUE(feedSaw(fmt::format("Qs121 {}\n", goldenPosition)));
    sim.user.groundSpeedKt = 100.0;
    link.sendUserPosition();
    EXPECT_TRUE(feedSaw("Qs121 Qs121=-5230;1750;1.570796;3500000;1e+05;0.828415;0.149212\n"));
    {
        const std::lock_guard lock(sim.mutex);
        sim.user.latitude = 0.00005;
        sim.user.longitude = 0.00005;
    }
    link.sendUserPosition();
    {
        const std::lock_guard lock(sim.mutex);
        sim.user.longitude = 0.5;
    }
    link.sendUserPosition();

    link.sendSimTime();
    simUtcSeconds.store(1717000000);
    link.sendSimTime();
    EXPECT_TRUE(feedSaw("Qs123 Qs123=1717000000000\n"));
    EXPECT_EQ(link.counts().userPositions, 3U) << "nothing near 0, 0";
    EXPECT_EQ(link.counts().simTimes, 1U) << "nothing for a simulator time of 0";

    link.close();
    EXPECT_TRUE(feedSaw("exit exit\n"));
    EXPECT_EQ(feed->waitForExit(5s), 0) << "the feed ends on exit and found no bad line";
    EXPECT_THAT(feedLog(), Not(HasSubstr("-bad")));
}

// The application goes away and comes back while the engine keeps ticking: every position send returns at once,
// the lost client's aircraft go, and the link comes back without a new version exchange.
TEST_F(LiveTrafficLinkTest, ALostClientAndItsReturnWhileTheTickRuns)
{
    startFeed({"--reply", "normal", "--drop-after", "0.5", "--reconnect"});
    handshake();
    ASSERT_TRUE(status().liveSourceReady);
    ASSERT_TRUE(simTimeInUse.load());
    simUtcSeconds.store(1717000000);
    const int resetsAfterHandshake = readers.resets.load();
    auto longest = std::chrono::steady_clock::duration::zero();
    const auto tick = [&] {
        const auto start = std::chrono::steady_clock::now();
        link.sendUserPosition();
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
        std::this_thread::sleep_for(20ms);
    };
    ASSERT_TRUE(test::gf_eventually([&] {
        tick();
        return link.counts().lostClients == 1;
    }));
    EXPECT_FALSE(status().liveSourceReady);
    EXPECT_EQ(lifecycle.removals.load(), 1);
    EXPECT_EQ(readers.resets.load(), resetsAfterHandshake + 1);
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic gone? Wait for RealTraffic to re-connect ...\n"));
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic client socket closed\n"));
    EXPECT_FALSE(simTimeInUse.load()) << "the PC's clock while the application is away";
    EXPECT_EQ(simUtcSeconds.load(), 0) << "the returning application never gets the time of before";
    link.sendSimTime();
    ASSERT_TRUE(test::gf_eventually([&] {
        tick();
        return status().liveSourceReady;
    }));
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic re-connected\n"));
    EXPECT_TRUE(simTimeInUse.load()) << "the level of the first handshake holds";
    link.sendSimTime();
    EXPECT_EQ(link.counts().simTimes, 0U) << "no simulator time until the simulator reports one again";
    const uint64_t sentBefore = link.counts().userPositions;
    tick();
    EXPECT_EQ(link.counts().userPositions, sentBefore + 1);
    EXPECT_EQ(link.counts().handshakes, 1U) << "no second version exchange";
    EXPECT_LT(longest, 250ms);
}

// Connections that were opened and closed again while they waited in the listen queue are never taken for the
// returning application: its loss removes the aircraft once, and the real application is served when it comes.
TEST_F(LiveTrafficLinkTest, ClosedConnectionsInTheQueueNeverRemoveTheAircraftAgain)
{
    net::TcpClient application;
    auto waiting = std::async(std::launch::async, [this] { link.connectAndHandshake(); });
    ASSERT_TRUE(application.connect("127.0.0.1", link.port(), 2000ms));
    std::string request;
    ASSERT_TRUE(application.receive(request, 16384, 2000ms).hasData());
    ASSERT_EQ(request, "Qs999=version\r\n");
    ASSERT_TRUE(application.sendText(R"({"level":1,"version":"1.2.3"})").ok);
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);

    constexpr int closedConnections = 4;
    for (int i = 0; i < closedConnections; ++i) {
        net::TcpClient gone;
        ASSERT_TRUE(gone.connect("127.0.0.1", link.port(), 2000ms)) << i;
    }
    application.close();
    const auto tick = [this] {
        link.sendUserPosition();
        std::this_thread::sleep_for(20ms);
    };
    ASSERT_TRUE(test::gf_eventually([&] {
        tick();
        return link.counts().lostClients == 1;
    }));
    // Each closed connection taken as the application would be lost again at its second position.
    for (int i = 0; i < 3 * closedConnections + 10; ++i) {
        tick();
    }
    EXPECT_EQ(lifecycle.removals.load(), 1);
    EXPECT_EQ(link.counts().lostClients, 1U);
    EXPECT_EQ(link.counts().closedPeersDropped, static_cast<uint64_t>(closedConnections));
    EXPECT_FALSE(status().liveSourceReady);
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic link: connection closed before it was served; dropped ("));
    EXPECT_THAT(log.text(), Not(HasSubstr("RealTraffic re-connected")));

    const uint64_t positionsBefore = link.counts().userPositions;
    net::TcpClient returning;
    ASSERT_TRUE(returning.connect("127.0.0.1", link.port(), 2000ms));
    ASSERT_TRUE(test::gf_eventually([&] {
        tick();
        return link.counts().userPositions > positionsBefore;
    }));
    EXPECT_TRUE(status().liveSourceReady);
    std::string position;
    ASSERT_TRUE(returning.receive(position, 16384, 2000ms).hasData());
    EXPECT_TRUE(position.starts_with("Qs121=")) << position;
    EXPECT_EQ(lifecycle.removals.load(), 1);
}

// A client that connects and says nothing is dropped after the reply time; the next one is served.
TEST_F(LiveTrafficLinkTest, ASilentClientNeverHoldsTheSlot)
{
    auto waiting = std::async(std::launch::async, [this] { link.connectAndHandshake(); });
    startFeed({"--reply", "none"});
    ASSERT_TRUE(feedSaw("reply-none"));
    ASSERT_TRUE(feedSaw(" closed ")) << "the program dropped the silent application";
    EXPECT_EQ(waiting.wait_for(0ms), std::future_status::timeout) << "and waits on";
    startFeed({"--reply", "normal"});
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(status().liveSourceReady);
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic client sent no version within 500 ms and is dropped\n"));
    EXPECT_THAT(log.text(), HasSubstr("No RealTraffic version received?\n"));
}

// The traffic start's wait for the application ends at once on a close from the window's thread or a stop.
TEST_F(LiveTrafficLinkTest, TheFirstWaitEndsOnACloseFromAnotherThreadOrAStop)
{
    for (const bool close : {true, false}) {
        link.startServer();
        auto waiting = std::async(std::launch::async, [this] { link.connectAndHandshake(); });
        ASSERT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
        const auto start = std::chrono::steady_clock::now();
        std::thread other([this, close] { close ? link.close() : userClosing.store(true); });
        ASSERT_EQ(waiting.wait_for(1s), std::future_status::ready);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
        other.join();
        EXPECT_FALSE(status().liveSourceReady);
        EXPECT_EQ(gf_messageLineTexts().message, "") << "the wait's message is cleared";
    }
    rtOnThisPc.store(false);
    userClosing.store(false);
    link.startServer();
    const std::size_t logBefore = log.text().size();
    link.connectAndHandshake();
    EXPECT_EQ(log.text().size(), logBefore) << "nothing without the application on this PC";
}

// With "AEROWINX" on the traffic start opens no server: every call of the engine finds nothing to do.
TEST_F(LiveTrafficLinkTest, WithoutAServerNothingIsSentOrAwaited)
{
    ResetRegistry ownResets;
    LiveTrafficServer unopened{events, board, ownResets};
    simTimeEnabled.store(true);
    simUtcSeconds.store(1717000000);
    const auto start = std::chrono::steady_clock::now();
    unopened.connectAndHandshake();
    unopened.sendUserPosition();
    unopened.sendSimTime();
    unopened.close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(unopened.port(), 0);
    const LinkCounts counts = unopened.counts();
    EXPECT_EQ(counts.handshakes + counts.userPositions + counts.simTimes + counts.lostClients, 0U);
    EXPECT_EQ(readers.resets.load(), 0);
}

TEST_F(LiveTrafficLinkTest, APortSettingThatIsNoNumberStopsTheStart)
{
    for (const char* bad : {"http", "", "70000", "-1", "10747 "}) {
        settings::portNumber.set(bad);
        try {
            link.startServer();
            FAIL() << bad;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), fmt::format("PORT_NUMBER '{}' is no port number", bad));
        }
    }
}

} // namespace
} // namespace hlw
