// The engine tick: pacing of the requests to the simulator, the intake of received records with its filters, the
// adding stack and the periodic requests.
#include "engine_fixture.h"

#include "engine/live/angles.h"
#include "engine/live/engine_lifecycle.h"
#include "engine/live/live_safety.h"
#include "engine/live/traffic_intake.h"
#include "platform/sim/sim_program_ids.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace hlw::test {
namespace {

class Tick : public ::testing::Test, public EngineFixture {};

AiCreateRequest lf_request(const char* callsign)
{
    AiCreateRequest request;
    request.callsign = callsign;
    return request;
}

TEST_F(Tick, ALiveCreationTakesTheHalfSecondMarkAndOtherwiseAStaticOneAndAPlacementDo)
{
    state.tick = 50;
    state.liveCreations.push_back(lf_request("LIVE"));
    state.staticCreations = {lf_request("STAT1*"), lf_request("STAT2*")};
    state.pendingRemovals = {101, 102, 103};
    runTicks(1);
    QueuedCommands queued = takeQueued();
    ASSERT_EQ(queued.creations.size(), 1u);
    EXPECT_EQ(queued.creations[0].callsign, "LIVE");
    EXPECT_EQ(parking.staticPlacements, 0);
    EXPECT_EQ(queued.removals, std::vector<uint32_t>{101});

    runTicks(49);
    queued = takeQueued();
    EXPECT_TRUE(queued.creations.empty()) << "nothing between the marks";
    EXPECT_EQ(queued.removals, (std::vector<uint32_t>{102, 103})) << "one removal every 10 ticks";
    EXPECT_EQ(parking.staticPlacements, 0);
    runTicks(1);
    queued = takeQueued();
    ASSERT_EQ(queued.creations.size(), 1u);
    EXPECT_EQ(queued.creations[0].callsign, "STAT1*");
    EXPECT_EQ(parking.staticPlacements, 1) << "one placement at tick 100";
}

TEST_F(Tick, TwoRecordsATickDrainTheQueue)
{
    const std::vector<std::pair<int, int>> queuedAndTicks = {{3, 2}, {2000, 1000}};
    for (const auto& [count, ticks] : queuedAndTicks) {
        traffic.clear();
        for (int i = 0; i < count; ++i) {
            TrafficRecord next = record(1000.0);
            next.hexId = 0x100000 + static_cast<uint32_t>(i);
            next.head.callsign = "T" + std::to_string(i);
            queue(std::move(next));
        }
        runTicks(ticks - 1);
        EXPECT_EQ(traffic.counts().size, static_cast<std::size_t>(count - 2 * (ticks - 1))) << count;
        runTicks(1);
        EXPECT_EQ(traffic.counts().size, 0u) << count;
    }
    EXPECT_EQ(state.live.size(), 2000u) << "a new aircraft per hex id; the first three came twice";
}

struct Spacing {
    const char* what;
    double lastKt;
    double lastTrackDeg;
    double newKt;
    double newTrackDeg;
    bool airborne;
    double seconds;
    int32_t extrapolation;
    bool dropped;
};

TEST_F(Tick, KnownAircraftTakeARecordOnlyWhenItCanBeANewPosition)
{
    const std::vector<Spacing> rows = {
        {"0.8 s after the last", 100, 0, 100, 0, true, 0.8, 0, true},
        {"1.5 s after the last", 100, 0, 100, 0, true, 1.5, 0, false},
        {"300 kt straight, 2 s (450 m need 2.9 s)", 300, 10, 300, 10.5, true, 2.0, 0, true},
        {"300 kt straight, 3 s", 300, 10, 300, 10.5, true, 3.0, 0, false},
        {"300 kt turning", 300, 10, 300, 12, true, 2.0, 0, false},
        {"300 kt straight while extrapolating", 300, 10, 300, 10, true, 2.0, 1, false},
        {"120 kt straight, 1.1 s", 120, 10, 120, 10, true, 1.1, 0, false},
        {"taxi 10 kt straight, 3 s (20 m need 3.9 s)", 10, 90, 10, 91, false, 3.0, 0, true},
        {"taxi 10 kt straight, 4 s", 10, 90, 10, 91, false, 4.0, 0, false},
        {"taxi 10 kt turning", 10, 90, 10, 95, false, 3.0, 0, false},
        {"stopped, 15 s", 0, 90, 0, 90, false, 15.0, 0, true},
        {"stopped, 15.5 s", 0, 90, 0, 90, false, 15.5, 0, false},
        {"tenfold speed", 20, 0, 200, 0, true, 5.0, 0, true},
        {"a tenth of the speed", 200, 0, 20, 0, true, 5.0, 0, true},
        {"from standing to 80 kt", 4, 0, 80, 0, false, 20.0, 0, true},
        {"from 80 kt to standing", 80, 0, 5, 0, false, 20.0, 0, true},
    };
    for (const Spacing& row : rows) {
        LiveAircraft aircraft = gf_makeLive(AircraftCategory::Large, MovementPhase::flying,
                                            {gf_air(47.0, 8.0, row.airborne ? 5000 : 0, row.lastKt, 0)});
        aircraft.positions.back().trackDeg = row.lastTrackDeg;
        aircraft.extrapolationCount = row.extrapolation;
        PositionRecord received = gf_air(47.01, 8.0, row.airborne ? 5000 : 0, row.newKt, 0);
        received.trackDeg = row.newTrackDeg;
        EXPECT_EQ(gf_tooSoonOrImplausible(aircraft, received, row.seconds), row.dropped) << row.what;
    }
}

struct NewAircraft {
    const char* what;
    std::function<void(EngineFixture&, TrafficRecord&)> change;
    bool created;
};

TEST_F(Tick, ANewHexIdBecomesALiveAircraftOnlyWhenItsModelAndPlaceAllowIt)
{
    const std::vector<NewAircraft> rows = {
        {"a known Large model", [](EngineFixture&, TrafficRecord&) {}, true},
        {"an unknown model", [](EngineFixture&, TrafficRecord& r) { r.head.model = gf_modelIndex("ZZZZ"); }, false},
        {"Light with LIGHT_AIRCRAFT off",
         [](EngineFixture&, TrafficRecord& r) {
             settings::lightAircraft.set(false);
             r.head.model = gf_modelIndex("C172");
         },
         false},
        {"Light with LIGHT_AIRCRAFT on",
         [](EngineFixture&, TrafficRecord& r) {
             settings::lightAircraft.set(true);
             r.head.model = gf_modelIndex("C172");
         },
         true},
        {"Rotorcraft with HELICOPTERS off",
         [](EngineFixture&, TrafficRecord& r) {
             settings::helicopters.set(false);
             r.head.model = gf_modelIndex("EC35");
         },
         false},
        {"airborne 50 ft above the park airport",
         [](EngineFixture& f, TrafficRecord& r) {
             f.parking.airport = LatLon{47.0, 8.0};
             f.parking.elevationFt = 364.0;
             r.position = gf_air(47.0, 8.0, 414.0, 140, 0);
         },
         false},
        {"on the ground at the park airport",
         [](EngineFixture& f, TrafficRecord& r) {
             f.parking.airport = LatLon{47.0, 8.0};
             f.parking.elevationFt = 364.0;
             r.position = gf_ground(47.0, 8.0, 10, 0);
         },
         true},
        {"airborne 120 ft above the park airport",
         [](EngineFixture& f, TrafficRecord& r) {
             f.parking.airport = LatLon{47.0, 8.0};
             f.parking.elevationFt = 364.0;
             r.position = gf_air(47.0, 8.0, 484.0, 140, 0);
         },
         true},
        {"airborne 50 ft above -1000 ft without a park airport",
         [](EngineFixture&, TrafficRecord& r) { r.position = gf_air(47.0, 8.0, 50.0, 140, 0); }, true},
        {"the callsign and model of a live aircraft under another hex id",
         [](EngineFixture& f, TrafficRecord& r) {
             f.state.live.push_back(gf_makeLive(AircraftCategory::Large, MovementPhase::flying, {r.position}));
             f.state.live.back().flight.hexId = 0x4b0999;
             f.state.live.back().flight.callsign = r.head.callsign;
             f.state.live.back().flight.model = r.head.model;
         },
         false},
    };
    for (const NewAircraft& row : rows) {
        state.live.clear();
        parking.airport.reset();
        TrafficRecord received = record(1000.0);
        row.change(*this, received);
        const std::size_t before = state.live.size();
        LiveContext live = engine.context();
        gf_handleTrafficRecord(live, received);
        EXPECT_EQ(state.live.size() - before, row.created ? 1u : 0u) << row.what;
        if (row.created) {
            const LiveAircraft& made = state.live.back();
            EXPECT_EQ(made.state, SimObjectState::buffer) << row.what;
            EXPECT_EQ(made.phase, MovementPhase::birth) << row.what;
            EXPECT_EQ(made.flight.secondCallsign, made.flight.callsign) << row.what;
        }
        settings::lightAircraft.set(settings::lightAircraft.defaultValue());
        settings::helicopters.set(settings::helicopters.defaultValue());
    }
}

TEST_F(Tick, ABufferedAircraftSkipsAPositionWhileItLeavesOrReachesTheGround)
{
    parking.airport = LatLon{47.0, 8.0};
    parking.elevationFt = 364.0;
    LiveContext live = engine.context();
    TrafficRecord first = record(1000.0);
    first.position = gf_ground(47.0, 8.0, 20, 0);
    gf_handleTrafficRecord(live, first);
    ASSERT_EQ(state.live.size(), 1u);
    TrafficRecord climbing = record(1005.0);
    climbing.position = gf_air(47.001, 8.0, 420.0, 140, 0);
    gf_handleTrafficRecord(live, climbing);
    EXPECT_EQ(state.live[0].positions.size(), 1u);
    climbing.timestamp = 1010.0;
    climbing.position = gf_air(47.002, 8.0, 900.0, 150, 0);
    gf_handleTrafficRecord(live, climbing);
    EXPECT_EQ(state.live[0].positions.size(), 2u);
    EXPECT_EQ(state.live[0].lastTimestamp, 1010.0);
}

// One record from the far future between real ones changes nothing the aircraft does: it flies as its twin does,
// which gets the same records 0.1 deg further east without the one from the future.
TEST_F(Tick, ARecordFromTheFarFutureBetweenRealOnesChangesNothingTheAircraftDoes)
{
    struct Twin {
        uint32_t hexId;
        const char* callsign;
        double east;
    };
    const Twin twins[] = {{0x4b0001, "TST1", 0.0}, {0x4b0002, "TST2", 0.1}};
    constexpr double start = 1.7e9;
    for (const Twin& twin : twins) {
        LiveAircraft& aircraft = state.live.emplace_back(gf_makeLive(
            AircraftCategory::Large, MovementPhase::flying, {gf_air(47.0, 8.0 + twin.east, 5000, 250, state.tick)}));
        aircraft.flight.hexId = twin.hexId;
        aircraft.flight.callsign = twin.callsign;
        aircraft.state = SimObjectState::active;
        aircraft.objectId = twin.hexId;
        aircraft.lastTimestamp = start;
    }
    const auto send = [this](const Twin& twin, double timestamp, double latitude) {
        TrafficRecord next = record(timestamp);
        next.hexId = twin.hexId;
        next.head.callsign = twin.callsign;
        next.position = gf_air(latitude, 8.0 + twin.east, 5000, 250, 0);
        queue(std::move(next));
    };
    // What each twin does every tick, its longitude taken back to the first one's.
    std::vector<std::string> done[2];
    const auto runAndNote = [&](int32_t ticks) {
        for (int32_t i = 0; i < ticks; ++i) {
            runTicks(1);
            for (std::size_t n = 0; n < 2; ++n) {
                const LiveAircraft* aircraft = state.findLive(twins[n].hexId);
                done[n].push_back(aircraft == nullptr
                                      ? "gone"
                                      : fmt::format("{:.9f} {:.9f} {:.6f} {} {}", aircraft->latitude,
                                                    aircraft->longitude - twins[n].east, aircraft->heading,
                                                    aircraft->positions.size(), gf_simStateName(aircraft->state)));
            }
        }
    };
    for (int report = 1; report <= 12; ++report) {
        const double latitude = 47.0 + 0.0058 * report;
        send(twins[0], start + 5.0 * report, latitude);
        send(twins[1], start + 5.0 * report, latitude);
        if (report == 4) {
            send(twins[0], 4.1e9, latitude); // its real position, stamped in the year 2099
        }
        runAndNote(500);
    }
    runAndNote(3000);
    const auto [hidden, twin] = std::ranges::mismatch(done[0], done[1]);
    EXPECT_TRUE(hidden == done[0].end()) << "tick " << (hidden - done[0].begin()) << ": " << *hidden << " | " << *twin;
    EXPECT_EQ(log.count("record refused: its time stamp 4100000000 lies"), 1u) << log.text();
}

TEST_F(Tick, TheNewestAircraftOnTheAddingStackBecomesACreationRequestInDegrees)
{
    for (const char* callsign : {"", "TST1"}) {
        state.live.clear();
        state.liveCreations.clear();
        LiveAircraft& aircraft = state.live.emplace_back(
            gf_makeLive(AircraftCategory::Large, MovementPhase::flying, {gf_air(47.0, 8.0, 5000, 250, 0)}));
        aircraft.flight.callsign = callsign;
        aircraft.flight.title = "Airbus A320 Test";
        aircraft.pitch = -3.0 * radPerDeg;
        aircraft.bank = 10.0 * radPerDeg;
        aircraft.heading = 90.0 * radPerDeg;
        state.addingStack = {aircraft.flight.hexId};
        engine.requestFromAddingStack();
        EXPECT_TRUE(state.addingStack.empty());
        if (*callsign == '\0') {
            EXPECT_TRUE(state.liveCreations.empty());
            EXPECT_EQ(log.count("lf_handleAddingStack"), 1u);
            continue;
        }
        ASSERT_EQ(state.liveCreations.size(), 1u);
        const AiCreateRequest& request = state.liveCreations.front();
        EXPECT_EQ(request.callsign, "TST1");
        EXPECT_EQ(request.title, "Airbus A320 Test");
        EXPECT_EQ(request.hexId, aircraft.flight.hexId);
        EXPECT_DOUBLE_EQ(request.position.Pitch, -3.0);
        EXPECT_DOUBLE_EQ(request.position.Bank, 10.0);
        EXPECT_DOUBLE_EQ(request.position.Heading, 90.0);
        EXPECT_DOUBLE_EQ(request.position.Altitude, 5000.0);
        EXPECT_EQ(request.position.OnGround, 0u);
    }
}

TEST_F(Tick, AnAircraftOnTheGroundIsAskedForOnTheGroundNotAtTheAltitudeOfItsGroundReports)
{
    // Ground reports carry altitude 0: without the flag the object would stand below an airport's terrain.
    LiveAircraft& aircraft = state.live.emplace_back(
        gf_makeLive(AircraftCategory::Large, MovementPhase::taxi, {gf_ground(47.0, 8.0, 10, 0)}));
    state.addingStack = {aircraft.flight.hexId};
    engine.requestFromAddingStack();
    ASSERT_EQ(state.liveCreations.size(), 1u);
    EXPECT_EQ(state.liveCreations.front().position.OnGround, 1u);
    EXPECT_DOUBLE_EQ(state.liveCreations.front().position.Altitude, 0.0);
}

TEST_F(Tick, InRangeEvery20TicksUserPositionEverySecondAndTheTickGoesToTheReader)
{
    settings::range.set(40);
    sim.user = UserAircraftFix{47.5, 8.5, 1400.0, true};
    state.tick = 0;
    runTicks(200);
    EXPECT_EQ(sim.inRange, std::vector<uint32_t>(10, 40u * 1852u));
    EXPECT_EQ(link.userPositions, 2);
    EXPECT_EQ(sim.userRequests, 2);
    ASSERT_TRUE(state.user);
    EXPECT_EQ(state.user->latitude, 47.5);
    EXPECT_EQ(traffic.engineTick(), 200);
    settings::range.set(settings::range.defaultValue());
}

TEST_F(Tick, ABusyCommandQueueCostsTheTicksPositionsButNeverAWait)
{
    state.tick = 10001;
    LiveAircraft& aircraft = state.live.emplace_back(gf_makeLive(
        AircraftCategory::Large, MovementPhase::flying,
        {gf_air(47.0, 8.0, 5000, 250, 10001), gf_air(47.1, 8.0, 5000, 250, 13001)}));
    aircraft.state = SimObjectState::active;
    aircraft.objectId = 500;
    TrafficRecord other = record(1000.0);
    other.hexId = 0x4b0002;
    other.head.callsign = "TST2";
    queue(std::move(other));
    std::promise<void> holding;
    std::promise<void> release;
    std::thread holder([&] {
        const SimCommandQueues::Lock held = commands.lock();
        holding.set_value();
        release.get_future().wait();
    });
    holding.get_future().wait();
    auto ticking = std::async(std::launch::async, [this] { runTicks(1); });
    const bool finished = ticking.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    release.set_value();
    holder.join();
    ASSERT_TRUE(finished) << "the tick waited for the simulator client thread";
    EXPECT_TRUE(takeQueued().positions.empty()) << "the held tick's positions are dropped";
    EXPECT_EQ(state.live.size(), 2u) << "the intake went on";
    runTicks(1);
    EXPECT_EQ(takeQueued().positions.size(), 1u);
}

} // namespace
} // namespace hlw::test

namespace hlw::test {
namespace {

// The navigation-lights request of the window: active static aircraft and active parked live aircraft, nothing else.
TEST_F(Tick, TheParkedNavLightsRequestReachesEveryParkedObjectOnce)
{
    const auto live = [](uint32_t objectId, SimObjectState objectState, MovementPhase phase) {
        LiveAircraft aircraft(PositionRecord{}, FlightRecord{}, 0.0);
        aircraft.objectId = objectId;
        aircraft.state = objectState;
        aircraft.phase = phase;
        return aircraft;
    };
    const auto parked = [](uint32_t objectId, SimObjectState objectState) {
        StaticAircraft aircraft;
        aircraft.objectId = objectId;
        aircraft.state = objectState;
        return aircraft;
    };
    state.live = {live(11, SimObjectState::active, MovementPhase::parked),
                  live(12, SimObjectState::active, MovementPhase::taxi),
                  live(13, SimObjectState::removingfromsim, MovementPhase::parked)};
    state.statics = {parked(21, SimObjectState::active), parked(22, SimObjectState::adding2sim)};
    LiveSafety safety;
    EngineLifecycle lifecycle(engine, safety);
    lifecycle.setParkedNavLights(false);
    const QueuedCommands queued = takeQueued();
    std::vector<std::pair<uint32_t, uint32_t>> lights;
    for (const ClientEventRequest& event : queued.events) {
        if (event.eventId == sim_ids::kClientNavLightsSet) {
            lights.emplace_back(event.objectId, event.value);
        }
    }
    EXPECT_EQ(lights, (std::vector<std::pair<uint32_t, uint32_t>>{{21, 0}, {11, 0}}));
}

} // namespace
} // namespace hlw::test
