// The operations over the whole live list: room made by removing the farthest aircraft, the trim to a lowered
// "MAX_LIVE_SEL" done by the worker's per-second step, the callsign choice list, "ObjectIdList.txt", the removals
// of a lost live-traffic link and the run reset of the engine.
#include "engine_fixture.h"
#include "worker_fakes.h"

#include "engine/base/run_state.h"
#include "engine/live/engine_lifecycle.h"
#include "engine/live/live_list.h"
#include "engine/run/main_loop.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "support/recorded_window.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

constexpr LatLon userAt{52.0, 4.0};
constexpr double feetPerNm = 6076.11549;

class LiveList : public ::testing::Test, public EngineFixture {
  protected:
    LiveList()
    {
        UserAircraftFix user;
        user.latitude = userAt.lat;
        user.longitude = userAt.lon;
        state.user = user;
        sim.user = user;
    }
    ~LiveList() override
    {
        settings::callsign2ObjectId.choices()->assign({});
        settings::callsign2ObjectId.set({});
        settings::blockCallsign.set({});
    }

    // An active live aircraft the distance north of the user, with an object id of 600 + its index.
    LiveAircraft& activeAt(double distanceNm, const std::string& callsign)
    {
        const LatLon at = gf_destinationPoint(userAt, 0.0, distanceNm * feetPerNm);
        LiveAircraft& aircraft = state.live.emplace_back(gf_makeLive(
            AircraftCategory::Large, MovementPhase::flying, {gf_air(at.lat, at.lon, 5000, 250, state.tick + 3000)}));
        aircraft.flight.hexId = 0x4c0000 + static_cast<uint32_t>(state.live.size());
        aircraft.flight.callsign = callsign;
        aircraft.objectId = 600 + static_cast<uint32_t>(state.live.size() - 1);
        aircraft.state = SimObjectState::active;
        return aircraft;
    }
    std::vector<std::string> removedCallsigns() const
    {
        std::vector<std::string> removed;
        for (const LiveAircraft& aircraft : state.live) {
            if (aircraft.state == SimObjectState::removingfromsim) {
                removed.push_back(aircraft.flight.callsign);
            }
        }
        return removed;
    }

    SafetyRemovals safety;
    EngineLifecycle lifecycle{engine, safety};
};

TEST_F(LiveList, TheFarthestAircraftGoesOnlyWhenItLiesClearlyBeyondTheNewOne)
{
    struct Row {
        const char* what;
        std::vector<double> distancesNm;
        double newAircraftNm;
        std::vector<std::string> removed;
    };
    // Aircraft "A0", "A1" ... lie at the distances in list order.
    const std::vector<Row> rows = {
        {"20.04 is not 0.1 farther than 20.00", {20.00, 20.04}, 10.0, {"A0"}},
        {"20.20 is", {20.00, 20.20}, 10.0, {"A1"}},
        {"each candidate must be beaten by 0.1", {20.00, 20.04, 20.20}, 10.0, {"A2"}},
        {"the new one at 19.95: the bound is 20.05", {20.00, 20.04}, 19.95, {}},
        {"the new one at 19.95, one beyond the bound", {20.00, 20.04, 20.20}, 19.95, {"A2"}},
        {"a negative distance takes the farthest", {20.00, 20.04}, -1.0, {"A1"}},
        {"a negative distance, the farthest first", {20.04, 20.00, 20.02}, -1.0, {"A0"}},
        {"no active aircraft", {}, -1.0, {}},
    };
    for (const Row& row : rows) {
        state.live.clear();
        state.pendingRemovals.clear();
        for (std::size_t i = 0; i < row.distancesNm.size(); ++i) {
            activeAt(row.distancesNm[i], "A" + std::to_string(i));
        }
        // An aircraft still waiting for its object is never the one removed, however far it is.
        activeAt(60.0, "WAIT").state = SimObjectState::adding2sim;
        LiveContext live = engine.context();
        EXPECT_EQ(gf_removeFarthestLiveAc(live, row.newAircraftNm), row.removed.empty()) << row.what;
        EXPECT_EQ(removedCallsigns(), row.removed) << row.what;
        EXPECT_EQ(state.pendingRemovals.size(), row.removed.size()) << row.what;
    }
    for (const double distance : {20.00, 20.04, 20.20}) {
        const LatLon at = gf_destinationPoint(userAt, 0.0, distance * feetPerNm);
        ASSERT_NEAR(gf_distanceNm(userAt, at), distance, 0.002) << "the table's distances hold";
    }
}

TEST_F(LiveList, ALoweredLiveLimitIsATrimRequestThatTheWorkersPerSecondStepCarriesOut)
{
    for (const double distance : {10.0, 40.0, 20.0, 30.0}) {
        activeAt(distance, fmt::format("D{}", distance));
    }
    settings::maxLiveSel.set(2);
    FakeWorld world;
    WorkerContext context = world.context(world.window, engine, lifecycle);
    gf_resetRunFlags();
    flightRunning.store(true);
    MainLoop loop(context);
    ASSERT_TRUE(loop.step());
    EXPECT_TRUE(removedCallsigns().empty()) << "nothing without the request";

    world.requests.trimLiveAircraft.store(true);
    userDataArrived.store(true);
    ASSERT_TRUE(loop.step());
    EXPECT_FALSE(world.requests.trimLiveAircraft.load());
    std::vector<std::string> removed = removedCallsigns();
    std::ranges::sort(removed);
    EXPECT_EQ(removed, (std::vector<std::string>{"D30", "D40"}));
    EXPECT_EQ(state.pendingRemovals.size(), 2u);

    world.requests.trimLiveAircraft.store(true);
    userDataArrived.store(true);
    ASSERT_TRUE(loop.step());
    EXPECT_EQ(removedCallsigns().size(), 2u) << "two active aircraft are within the limit";
    gf_resetRunFlags();
}

TEST_F(LiveList, TheCallsignListHoldsTheFlyingActiveAircraftSorted)
{
    RecordedWindow window;
    const auto control = [&window](const ControlBinding& binding) { return *window.port.control(binding.controlId()); };
    activeAt(5.0, "SWR12");
    activeAt(6.0, "PARKED1").phase = MovementPhase::parked;
    activeAt(7.0, "AFR3");
    activeAt(8.0, "WAIT1").state = SimObjectState::adding2sim;
    activeAt(9.0, "KLM7");
    EXPECT_TRUE(gf_fillCallsignList(state));
    EXPECT_EQ(settings::callsign2ObjectId.choices()->snapshot(), (std::vector<std::string>{"AFR3", "KLM7", "SWR12"}));
    EXPECT_EQ(settings::callsign2ObjectId.get(), "AFR3");
    EXPECT_EQ(control(settings::callsign2ObjectId).items, (std::vector<std::string>{"AFR3", "KLM7", "SWR12"}));
    EXPECT_TRUE(control(settings::callsign2ObjectId).enabled);
    EXPECT_TRUE(control(settings::blockButton).enabled);

    // While a callsign is blocked "Unblock" is in use and "Block" stays off.
    settings::blockCallsign.set("SWR12");
    EXPECT_TRUE(gf_fillCallsignList(state));
    EXPECT_FALSE(control(settings::blockButton).enabled);
    settings::blockCallsign.set({});

    for (LiveAircraft& aircraft : state.live) {
        aircraft.phase = MovementPhase::parked;
    }
    EXPECT_FALSE(gf_fillCallsignList(state));
    EXPECT_TRUE(settings::callsign2ObjectId.choices()->snapshot().empty());
    EXPECT_EQ(settings::callsign2ObjectId.get(), "");
    EXPECT_FALSE(control(settings::callsign2ObjectId).enabled);
    EXPECT_FALSE(control(settings::blockButton).enabled);

    status.update([](StatusValues& values) { values.callsignObjectIdText = "= 601"; });
    gf_resetCallsignList(status);
    EXPECT_EQ(settings::callsign2ObjectId.choices()->snapshot(), std::vector<std::string>{""});
    EXPECT_EQ(status.snapshot().callsignObjectIdText, "");
    EXPECT_FALSE(control(settings::callsign2ObjectId).enabled);
}

TEST_F(LiveList, ObjectIdListHoldsOneLinePerActiveAircraftInListOrder)
{
    FakeRunState run;
    LiveAircraft& parked = activeAt(1.0, "KLM;7");
    parked.flight.registration = "PH;BXA";
    parked.phase = MovementPhase::parked;
    parked.groundMode = 1;
    activeAt(2.0, "WAIT1").state = SimObjectState::adding2sim;
    LiveAircraft& flying = activeAt(3.0, "SWR12");
    flying.flight.model = gf_modelIndex("B77W");
    flying.flight.airline = gf_airlineIndex("SWR");
    LiveAircraft& taxiing = activeAt(4.0, "EZY1");
    taxiing.phase = MovementPhase::taxi;
    taxiing.groundMode = 1;
    taxiing.flight.airline = 0;
    const std::filesystem::path path = log.folder() / "info" / "ObjectIdList.txt";
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(gf_writeLiveAcList(state, path));
    EXPECT_EQ(readWholeFile(path), "600;KLM_7;PH_BXA;TST;A320;GND;PARKED\n"
                                   "602;SWR12;HB-TST;SWR;B77W;AIR;\n"
                                   "603;EZY1;HB-TST;;A320;GND;\n");

    // The 2024 simulator's ids are hexadecimal.
    run.msfs2020 = false;
    EXPECT_EQ(gf_liveAcListText(state).substr(0, 4), "258;");

    state.live.clear();
    ASSERT_TRUE(gf_writeLiveAcList(state, path));
    EXPECT_EQ(readWholeFile(path), "");

    const std::filesystem::path blocked = log.folder() / "blocked";
    writeWholeFile(blocked, "a file where the folder should be");
    EXPECT_FALSE(gf_writeLiveAcList(state, blocked / "ObjectIdList.txt"));
    EXPECT_EQ(log.count("==> Failed to write " + (blocked / "ObjectIdList.txt").string()), 1u);
}

TEST_F(LiveList, ALostLinkRemovesTheActiveAircraftAndWithdrawsOrMarksTheirCreations)
{
    activeAt(5.0, "ACT1");
    LiveAircraft& queued = activeAt(6.0, "QUEUED");
    queued.state = SimObjectState::adding2sim;
    queued.objectId = 0;
    state.liveCreations.emplace_back().callsign = "QUEUED";
    LiveAircraft& handedOver = activeAt(7.0, "SENT");
    handedOver.state = SimObjectState::adding2sim;
    handedOver.objectId = 0;
    activeAt(8.0, "BUF").state = SimObjectState::buffer;

    lifecycle.removeForLostLink();
    ASSERT_EQ(state.live.size(), 3u) << "the withdrawn creation's record is gone";
    EXPECT_TRUE(state.liveCreations.empty());
    EXPECT_EQ(state.findLiveByCallsign("ACT1")->state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.pendingRemovals, std::deque<uint32_t>{600});
    EXPECT_NE(state.findLiveByCallsign("SENT")->removeWhenCreated, 0);
    EXPECT_EQ(state.findLiveByCallsign("BUF")->state, SimObjectState::buffer);
}

TEST_F(LiveList, TheRunResetEmptiesEveryListOfTheEngine)
{
    activeAt(5.0, "ACT1");
    state.statics.emplace_back();
    state.addingStack.push_back(1);
    state.pendingRemovals.push_back(600);
    state.liveCreations.emplace_back();
    state.staticCreations.emplace_back();
    state.arrivals.push_back(1);
    state.ghosts.push_back("GHOST_");
    state.rememberedTitles[0x4c0001] = "Airbus A320 Test";
    state.unmatchedNames.insert("TST1 HB-TST");
    replies.push({700, 7, 0, SimReplyType::staticCreated, 0.0, 0.0});
    engine.applySimReplies();
    ASSERT_EQ(engine.replies().deferred().size(), 1u);
    queue(record(1000.0));
    const int32_t tick = state.tick;

    engine.reset();
    EXPECT_TRUE(state.live.empty() && state.statics.empty() && state.addingStack.empty() && state.ghosts.empty());
    EXPECT_TRUE(state.pendingRemovals.empty() && state.liveCreations.empty() && state.staticCreations.empty());
    EXPECT_TRUE(state.arrivals.empty() && state.rememberedTitles.empty() && state.unmatchedNames.empty());
    EXPECT_TRUE(engine.replies().deferred().empty());
    EXPECT_EQ(traffic.counts().size, 0u);
    EXPECT_EQ(parking.parkListClears, 1);
    EXPECT_EQ(state.tick, tick) << "the due ticks of a new run count on";
}

} // namespace
} // namespace hlw::test
