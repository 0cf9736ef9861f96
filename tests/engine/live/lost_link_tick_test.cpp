// The live-traffic application goes away while the engine ticks. The lost client's aircraft leave the simulator
// through the tick's own paced removals while the link waits, the link looks for the application only at the
// once-a-second position and never holds up a tick, and the application's return needs no second version exchange.
#include "engine_fixture.h"

#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/link/live_traffic_server.h"
#include "engine/live/engine_lifecycle.h"
#include "engine/run/link_run_events.h"
#include "engine/sim/idle_sim_link.h"
#include "platform/net/tcp_client.h"
#include "settings/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

class LostLinkWhileTicking : public ::testing::Test, public EngineFixture {
protected:
    LostLinkWhileTicking()
    {
        gf_resetRunFlags();
        userClosing.store(false);
        gf_resetMessageLine();
        rtOnThisPc.store(true);
        settings::portNumber.set("0");
        server.startServer();
        link.forwardTo = &server;
    }
    ~LostLinkWhileTicking() override
    {
        server.close();
        rtOnThisPc.store(false);
        settings::portNumber.set(settings::portNumber.defaultValue());
        gf_resetRunFlags();
    }

    // What the application received until the text came (or 2 s passed).
    static std::string readUntil(net::TcpClient& client, std::string_view text)
    {
        std::string all;
        std::string part;
        const auto until = Clock::now() + 2s;
        while (all.find(text) == std::string::npos && Clock::now() < until) {
            if (client.receive(part, 16384, 100ms).hasData()) {
                all += part;
            }
        }
        return all;
    }

    // The traffic start's handshake with the application at level 1.
    void handshake(net::TcpClient& application)
    {
        auto starting = std::async(std::launch::async, [this] { server.connectAndHandshake(); });
        ASSERT_TRUE(application.connect("127.0.0.1", server.port(), 2000ms));
        ASSERT_EQ(readUntil(application, "\r\n"), "Qs999=version\r\n");
        ASSERT_TRUE(application.sendText(R"({"level":1,"version":"1.2.3"})").ok);
        ASSERT_EQ(starting.wait_for(5s), std::future_status::ready);
        ASSERT_TRUE(status.snapshot().liveSourceReady);
    }

    LiveAircraft& add(uint32_t hexId, const char* callsign, SimObjectState simState, uint32_t objectId)
    {
        LiveAircraft aircraft = gf_makeLive(AircraftCategory::Large, MovementPhase::flying,
                                            {gf_air(47.0, 8.0, 5000, 250, state.tick),
                                             gf_air(47.5, 8.0, 5000, 250, state.tick + 100000)});
        aircraft.flight.hexId = hexId;
        aircraft.flight.callsign = callsign;
        aircraft.state = simState;
        aircraft.objectId = objectId;
        aircraft.stateSinceTick = state.tick;
        return state.live.emplace_back(std::move(aircraft));
    }

    AiCreateRequest creation(const char* callsign) const
    {
        AiCreateRequest request;
        request.callsign = callsign;
        return request;
    }

    // One engine tick, timed; a little real time passes every 10 ticks, so that the network keeps up.
    void tick()
    {
        const auto start = Clock::now();
        runTicks(1);
        longestTick = std::max(longestTick, Clock::now() - start);
        if (state.tick % 10 == 0) {
            std::this_thread::sleep_for(1ms);
        }
    }

    IdleSimLink user{UserAircraftFix{47.4647, 8.5492, 3500.0, false, -0.0523, 0.0175, 1.570796, 250.0}};
    TrafficReaders readers;
    SafetyRemovals safety;
    EngineLifecycle lifecycle{engine, safety};
    ResetRegistry resets;
    LinkRunEvents events{user, readers, lifecycle};
    LiveTrafficServer server{events, status, resets, LinkTimings{20ms, 2000ms, 200ms}};
    Clock::duration longestTick{};
};

TEST_F(LostLinkWhileTicking, TheLostClientsAircraftLeaveAndTheApplicationReturnsAtTheNextSecond)
{
    net::TcpClient application;
    handshake(application);
    ASSERT_EQ(state.tick % TrafficEngine::userPositionEveryTicks, 0);
    runTicks(1);
    ASSERT_THAT(readUntil(application, "\r\n"), HasSubstr("Qs121=-5230;1750;1.570796;3500000;250000;"));
    runTicks(TrafficEngine::userPositionEveryTicks);

    add(0x4b0001, "ACT1", SimObjectState::active, 501);
    add(0x4b0002, "ACT2", SimObjectState::active, 502);
    add(0x4b0003, "QUEUED", SimObjectState::adding2sim, 0);
    add(0x4b0004, "SENT", SimObjectState::adding2sim, 0);
    // A backlog of creations, one taken every half second: the last stays queued until the link is found lost.
    for (const char* callsign : {"OTHER1", "OTHER2", "OTHER3", "OTHER4", "OTHER5", "OTHER6", "QUEUED"}) {
        state.liveCreations.push_back(creation(callsign));
    }

    // The application leaves with a position unread, so the next send fails.
    application.close();
    int32_t lostAtTick = 0;
    while (server.counts().lostClients == 0 && state.tick <= 10000 + 300) {
        tick();
        lostAtTick = state.tick;
    }
    ASSERT_EQ(server.counts().lostClients, 1U) << "the link saw the application go within two seconds";
    EXPECT_FALSE(status.snapshot().liveSourceReady);
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic gone? Wait for RealTraffic to re-connect ...\n"));

    EXPECT_EQ(state.findLive(0x4b0001)->state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.findLive(0x4b0002)->state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.findLive(0x4b0003), nullptr) << "a creation still queued is withdrawn";
    EXPECT_TRUE(std::ranges::none_of(state.liveCreations,
                                     [](const AiCreateRequest& request) { return request.callsign == "QUEUED"; }));
    ASSERT_NE(state.findLive(0x4b0004), nullptr);
    EXPECT_EQ(state.findLive(0x4b0004)->removeWhenCreated, 1) << "a creation already sent is removed once made";

    // The engine goes on ticking without the application, through a position tick that finds nobody to accept:
    // the removals reach the simulator's queue.
    std::vector<uint32_t> removals;
    while (state.tick < lostAtTick + TrafficEngine::userPositionEveryTicks + 50) {
        tick();
        const QueuedCommands queued = takeQueued();
        removals.insert(removals.end(), queued.removals.begin(), queued.removals.end());
    }
    EXPECT_EQ(removals, (std::vector<uint32_t>{501, 502}));
    EXPECT_FALSE(status.snapshot().liveSourceReady);

    // The application comes back; the link takes it at the next once-a-second position.
    net::TcpClient returning;
    ASSERT_TRUE(returning.connect("127.0.0.1", server.port(), 2000ms));
    while (!status.snapshot().liveSourceReady && state.tick < lostAtTick + 600) {
        tick();
    }
    ASSERT_TRUE(status.snapshot().liveSourceReady);
    EXPECT_EQ(state.tick % TrafficEngine::userPositionEveryTicks, 1) << "taken by the tick that sends the position";
    EXPECT_THAT(log.text(), HasSubstr("RealTraffic re-connected\n"));
    const int32_t returnedAtTick = state.tick;
    while (state.tick < returnedAtTick + TrafficEngine::userPositionEveryTicks) {
        tick();
    }
    const std::string afterReturn = readUntil(returning, "\r\n");
    EXPECT_TRUE(afterReturn.starts_with("Qs121=-5230;1750;")) << "no second version request: " << afterReturn;
    EXPECT_EQ(server.counts().handshakes, 1U);
    EXPECT_EQ(server.counts().lostClients, 1U);
    EXPECT_LT(longestTick, 100ms) << "no tick waited for the application";
}

} // namespace
} // namespace hlw::test
