// The simulator link against the simulator stand-in over loopback TCP, each test with a stand-in of its own on
// free ports. The test plays the worker: it makes the worker's requests and reads the reply queue.
#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_ai_commands.h"
#include "engine/sim/sim_client_link.h"
#include "engine/sim/sim_vocabulary.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"
#include "standin_process.h"
#include "support/wait_until.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <thread>

namespace hlw::test {
namespace {

using namespace sim_ids;
using namespace std::chrono_literals;

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 8s) {
    return gf_within(timeout, done, 5ms);
}

class StandinLink : public ::testing::Test {
protected:
    explicit StandinLink(const std::vector<std::string>& args = {}) : standin(args) {
        gf_resetLinkFlags();
        gf_startLog(dir / "Log.txt");
        ::setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
    }
    ~StandinLink() override {
        link.reset();
        gf_stopLog();
        gf_resetLinkFlags();
    }

    void startLink() {
        link = std::make_unique<SimClientLink>(events, SimClientLinkOptions{gf_realSimClientTiming(), gf_testModelFacts});
        link->resetQueues();
        link->start();
    }
    // The worker's wait for a running flight and a known user position.
    void waitForUser() {
        ASSERT_TRUE(waitUntil([] { return flightRunning.load(); }));
        link->requestUserOnGround();
        ASSERT_TRUE(waitUntil([this] {
            link->requestUserAcPosition();
            return link->user().positionKnown();
        }));
    }
    size_t logCount(const std::string& text) const {
        gf_logFlushNow();
        const std::string log = readWholeFile(dir / "Log.txt");
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++count;
        }
        return count;
    }
    std::optional<SimReply> takeReply(SimReplyType type) {
        const auto held = link->replies().lock();
        std::vector<SimReply>& entries = link->replies().entries(held);
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (it->type == type) {
                SimReply reply = *it;
                entries.erase(it);
                return reply;
            }
        }
        return std::nullopt;
    }
    // Polls the aircraft in range every 200 ms, as the engine does, until a reply of that type arrives.
    std::optional<SimReply> pollInRange(SimReplyType type) {
        std::optional<SimReply> reply;
        waitUntil([&] {
            link->requestAircraftInRange(20 * 1852);
            std::this_thread::sleep_for(50ms);
            reply = takeReply(type);
            return reply.has_value();
        });
        return reply;
    }
    void create(uint32_t hexId, const char* callsign, const char* title) {
        AiCreateRequest request;
        request.hexId = hexId;
        request.callsign = callsign;
        request.title = title;
        const LatLon user = link->user().position();
        request.position = {user.lat + 0.01, user.lon, 3000.0, 0.0, 0.0, 90.0, 0, 180};
        link->commands().queueCreate(request);
    }
    nlohmann::json object(uint32_t id) { return standin.control(fmt::format("obj get {}", id))["object"]; }

    TempDir dir;
    StandinProcess standin;
    RecordingLinkEvents events;
    std::unique_ptr<SimClientLink> link;
};

class OfflineStandinLink : public StandinLink {
protected:
    OfflineStandinLink() : StandinLink({"--offline"}) {}
};

TEST_F(OfflineStandinLink, WaitsForTheSimulatorThenConnectsAndRegistersWithoutException) {
    startLink();
    ASSERT_TRUE(waitUntil([this] { return logCount("Waiting for MSFS 2020 ...") == 1; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(events.has("connected true"));
    ASSERT_TRUE(standin.control("sim online")["ok"].get<bool>());
    ASSERT_TRUE(waitUntil([this] { return events.has("connected true") && flightRunning.load(); }));
    EXPECT_TRUE(events.has("sim text MSFS 2020 (11.0.282174.999)"));
    EXPECT_EQ(logCount("Waiting for MSFS 2020 ..."), 1u);

    const size_t registrationCount = kSimSystemEvents.size() + kSimDatums.size() + kSimClientEvents.size() +
                                     kSimGroupMembers.size() + 1;
    nlohmann::json audit;
    ASSERT_TRUE(waitUntil([&] {
        audit = standin.control("audit");
        return audit["registrations"].size() == registrationCount;
    }));
    const nlohmann::json& registrations = audit["registrations"];
    for (const auto& entry : registrations) {
        EXPECT_EQ(entry["result"], "ok") << entry.dump();
    }
    for (size_t i = 0; i < kSimDatums.size(); ++i) {
        const auto& entry = registrations[kSimSystemEvents.size() + i];
        EXPECT_EQ(entry["texts"][0], kSimDatums[i].name);
        EXPECT_EQ(entry["numbers"][0], kSimDatums[i].definition);
    }
    EXPECT_EQ(audit["definitions"]["402"]["bytes"], 64);
    EXPECT_EQ(audit["definitions"]["403"]["bytes"], 96);
    EXPECT_TRUE(standin.control("exceptions")["exceptions"].empty());
}

TEST_F(StandinLink, ACreatedAircraftIsBoundReleasedFrozenAndThenMovedByItsPositionsAndEvents) {
    startLink();
    waitForUser();
    EXPECT_EQ(link->user().objectId(), 1u);
    create(0x4b1234, "SWR12", "Airbus A320 SWISS");
    const auto created = pollInRange(SimReplyType::liveCreated);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->hexIdOrFlag, 0x4b1234u);
    const uint32_t id = created->objectId;
    ASSERT_TRUE(waitUntil([&] { return object(id)["frozen"]["att"].get<bool>(); }));
    EXPECT_TRUE(object(id)["frozen"]["latlon"].get<bool>());
    EXPECT_TRUE(object(id)["released"].get<bool>());

    ASSERT_TRUE(link->requestStaticCg(id));
    ASSERT_TRUE(waitUntil([&] { return takeReply(SimReplyType::staticCg).has_value(); }));

    AiPositionUpdate update;
    update.objectId = id;
    update.data = {47.5, 8.6, 0.0, 0.0, 1.0, 2500.0, 0.0, 150.0};
    // The hand-over never waits: while the client thread holds the queues it fails, as a tick's would, and the
    // next tick offers its positions again.
    ASSERT_TRUE(waitUntil([&] {
        link->commands().fillBuffer().push_back(update);
        return link->commands().publishPositions();
    }));
    AiControls controls{id, AircraftCategory::Large, 4, 5};
    gf_setGear(link->commands(), controls, 1);
    gf_setFlaps(link->commands(), controls, 2);
    ASSERT_TRUE(waitUntil([&] {
        const nlohmann::json o = object(id);
        return std::abs(o["lat"].get<double>() - 47.5) < 1e-6 && o["gear_down"].get<bool>();
    }));
    EXPECT_TRUE(standin.control("exceptions")["exceptions"].empty());
}

TEST_F(StandinLink, ARefusedTitleComesBackAsAFailedCreation) {
    ASSERT_TRUE(standin.control("create fail *Refused*")["ok"].get<bool>());
    startLink();
    waitForUser();
    create(0x4b0001, "RFS1", "A Refused Livery");
    ASSERT_TRUE(waitUntil([&] { return takeReply(SimReplyType::createFailed).has_value(); }));
    EXPECT_FALSE(simConnectError.load());
}

TEST_F(StandinLink, ACreationWithoutPacketIdIsStillBoundByItsCallsign) {
    startLink();
    waitForUser();
    ASSERT_TRUE(standin.control("failnext GetLastSentPacketID 1")["ok"].get<bool>());
    std::this_thread::sleep_for(100ms);
    create(0x4b0002, "NOPK1", "Airbus A320 SWISS");
    const auto created = pollInRange(SimReplyType::liveCreated);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->hexIdOrFlag, 0x4b0002u);
    EXPECT_EQ(logCount("==> GetLastSentPacketID"), 1u);
}

TEST_F(StandinLink, ForeignObjectsAreLoggedAndLeftAlone) {
    startLink();
    waitForUser();
    const LatLon user = link->user().position();
    for (const char* atcId : {"AS-GEN", "AS-GEN", "N123"}) {
        ASSERT_TRUE(standin.control(fmt::format("obj spawn {} {} {} 3000", atcId, user.lat + 0.01, user.lon))["ok"]
                        .get<bool>());
    }
    ASSERT_TRUE(waitUntil([&] {
        link->requestAircraftInRange(20 * 1852);
        std::this_thread::sleep_for(50ms);
        return logCount("callsign 'N123'") == 1 && logCount("Spawned by Asobo") == 1;
    }));
    EXPECT_FALSE(takeReply(SimReplyType::liveCreated));
}

TEST_F(StandinLink, PauseFlightLoadedAndTeleport) {
    startLink();
    waitForUser();
    standin.control("sim run 0");
    ASSERT_TRUE(waitUntil([] { return !flightRunning.load(); }));
    standin.control("sim run 1");
    ASSERT_TRUE(waitUntil([] { return flightRunning.load(); }));
    EXPECT_FALSE(events.has("stop NewFlight"));

    // Each new flight stops the run, which ends the link; the next run starts a new link thread.
    const auto nextRun = [this] {
        ASSERT_TRUE(waitUntil([this] { return events.has("connected false"); }));
        link->join();
        gf_resetLinkFlags();
        events.clear();
        link->resetRun();
        link->start();
        waitForUser();
    };
    standin.control("sim flightloaded event");
    ASSERT_TRUE(waitUntil([this] { return events.has("stop NewFlight"); }));
    EXPECT_EQ(logCount("SimConnect: flight loaded event"), 1u);
    nextRun();
    standin.control("sim flightloaded filename");
    ASSERT_TRUE(waitUntil([this] { return events.has("stop NewFlight"); }));
    EXPECT_EQ(logCount("==> SimConnect: New file event"), 1u);
    nextRun();
    standin.control("user teleport 51.95 4.43");
    ASSERT_TRUE(waitUntil([this] {
        link->requestUserAcPosition();
        return events.has("stop NewFlight");
    }));
    EXPECT_EQ(logCount("Teleport"), 1u);
}

TEST_F(StandinLink, SimQuitEndsTheLinkAsAClosedSimulator) {
    startLink();
    waitForUser();
    standin.control("sim quit");
    ASSERT_TRUE(waitUntil([this] { return events.has("connected false"); }));
    link->join();
    EXPECT_TRUE(events.has("disconnected false"));
    EXPECT_FALSE(events.has("stop SimConnectError"));
    EXPECT_EQ(logCount("SimConnect closed ok"), 1u);
    EXPECT_EQ(link->connection(), nullptr);
}

TEST_F(StandinLink, ADroppedConnectionIsASimConnectErrorAndANewThreadConnectsAgain) {
    startLink();
    waitForUser();
    standin.control("sim drop");
    ASSERT_TRUE(waitUntil([this] { return events.has("stop SimConnectError"); }));
    link->join();
    EXPECT_TRUE(simConnectError.load());
    EXPECT_FALSE(events.has("disconnected false"));

    // The next run: the flags back to a new run, a new thread.
    gf_resetLinkFlags();
    link->resetRun();
    link->resetQueues();
    link->start();
    ASSERT_TRUE(waitUntil([] { return flightRunning.load(); }));
    ASSERT_TRUE(waitUntil([this] {
        const nlohmann::json clients = standin.control("clients")["clients"];
        return clients.size() == 1 && standin.control("audit")["registrations"].size() == 72;
    }));
}

TEST_F(StandinLink, TheOtherSimulatorAsksForTheSwitch) {
    standin.control("sim name SunRise");
    startLink();
    ASSERT_TRUE(waitUntil([this] { return events.has("disconnected true"); }));
    link->join();
    EXPECT_EQ(logCount("MSFS and Hollowmere do not match, restarting ..."), 1u);
}

TEST_F(OfflineStandinLink, AStopDuringTheRetriesEndsTheThreadWithoutAnotherOpen) {
    startLink();
    ASSERT_TRUE(waitUntil([this] { return logCount("Waiting for MSFS 2020 ...") == 1; }));
    stopRequested.store(true);
    link->join();
    standin.control("sim online");
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(standin.control("clients")["clients"].empty());
}

} // namespace
} // namespace hlw::test
