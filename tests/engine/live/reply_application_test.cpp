// The simulator's replies as the engine applies them: binding and the deferred configuration, touchdowns, static
// CGs, failed creations with their refused liveries and error 81, and stale replies.
#include "engine_fixture.h"

#include "core/message_line.h"
#include "core/user_error.h"
#include "engine/live/angles.h"
#include "platform/sim/sim_program_ids.h"
#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

using namespace sim_ids;

class Replies : public ::testing::Test, public EngineFixture {
protected:
    // An airborne live aircraft waiting for its object.
    LiveAircraft& adding(uint32_t hexId, AircraftCategory category = AircraftCategory::Large)
    {
        LiveAircraft& aircraft = state.live.emplace_back(gf_makeLive(
            category, MovementPhase::flying, {gf_air(47.0, 8.0, 5000, 250, 0), gf_air(47.1, 8.0, 5000, 250, 3000)}));
        aircraft.flight.hexId = hexId;
        aircraft.flight.title = "Airbus A320 Test";
        aircraft.state = SimObjectState::adding2sim;
        return aircraft;
    }
    StaticAircraft& addingStatic(uint32_t hexId, int32_t stand)
    {
        StaticAircraft& aircraft = state.statics.emplace_back();
        aircraft.flight.hexId = hexId;
        aircraft.flight.callsign = "STAT1*";
        aircraft.flight.title = "Static Livery";
        aircraft.standNumber = stand;
        aircraft.state = SimObjectState::adding2sim;
        return aircraft;
    }
    void push(SimReplyType type, uint32_t objectId, uint32_t hexIdOrFlag, double value1 = 0.0, double value2 = 0.0)
    {
        replies.push({objectId, hexIdOrFlag, 0, type, value1, value2});
    }
    void apply()
    {
        LiveContext live = engine.context();
        ReplyApplication& application = applier;
        application.apply(live, replies, sim);
    }
    std::vector<ClientEventRequest> events() { return takeQueued().events; }

    ReplyApplication applier;
};

TEST_F(Replies, CreatedObjectsAreBoundAtOnceAndConfiguredTwoSecondsLater)
{
    LiveAircraft& live = adding(0x4b0001);
    addingStatic(7, 12);
    push(SimReplyType::liveCreated, 300, 0x4b0001, 0.0, 2500.0);
    push(SimReplyType::staticCreated, 301, 7);
    apply();
    EXPECT_EQ(live.objectId, 300u);
    EXPECT_EQ(sim.cgRequests, std::vector<uint32_t>{300});
    // An airborne live object moves from its first frame; its configuration waits.
    EXPECT_EQ(live.state, SimObjectState::active);
    std::vector<int> toggles;
    // The tick of the reply's arrival is the first of the 200 it waits.
    for (int tick = 2; tick < ReplyApplication::configureAfterTicks; ++tick) {
        apply();
        for (const ClientEventRequest& event : events()) {
            toggles.push_back(event.eventId == kClientAllLightsToggle ? tick : -tick);
        }
    }
    EXPECT_EQ(toggles, (std::vector<int>{50, 100}));
    EXPECT_EQ(state.statics[0].state, SimObjectState::adding2sim);
    EXPECT_EQ(log.count(": STAT1*   parked"), 0u);
    apply();
    EXPECT_EQ(live.state, SimObjectState::active);
    EXPECT_EQ(state.statics[0].state, SimObjectState::active);
    EXPECT_EQ(state.statics[0].objectId, 301u);
    EXPECT_EQ(log.count("S12     : STAT1*   parked"), 1u);
    const std::vector<ClientEventRequest> configured = events();
    EXPECT_NE(std::ranges::find(configured, ClientEventRequest{300, kClientEngineAutoStart, 0}), configured.end());
    EXPECT_NE(std::ranges::find(configured, ClientEventRequest{300, kClientStrobesSet, 1}), configured.end());
    EXPECT_NE(std::ranges::find(configured, ClientEventRequest{300, kClientCabinLightsSet, 1}), configured.end())
        << "2500 ft above the ground";
    EXPECT_TRUE(applier.deferred().empty());
}

TEST_F(Replies, AnObjectCreatedOnTheGroundMovesFromTheSimulatorsFirstGroundReportOnceItsCgIsKnown)
{
    LiveAircraft& taxiing = state.live.emplace_back(gf_makeLive(
        AircraftCategory::Large, MovementPhase::taxi, {gf_ground(47.0, 8.0, 15, 0), gf_ground(47.001, 8.0, 15, 300)}));
    taxiing.flight.hexId = 0x4b0002;
    taxiing.state = SimObjectState::adding2sim;
    push(SimReplyType::liveCreated, 310, 0x4b0002, 0.0, 0.0);
    apply();
    EXPECT_EQ(taxiing.objectId, 310u);
    EXPECT_EQ(taxiing.state, SimObjectState::adding2sim) << "the ground under it is not known yet";
    push(SimReplyType::onGroundStatus, 310, 1, 364.0, 0.0);
    apply();
    EXPECT_EQ(taxiing.state, SimObjectState::adding2sim) << "without its CG height it would be sent into the ground";
    push(SimReplyType::staticCg, 310, 0, 8.0, 0.7 * radPerDeg);
    push(SimReplyType::onGroundStatus, 310, 1, 364.0, 8.0);
    apply();
    EXPECT_EQ(taxiing.state, SimObjectState::active) << "not two seconds later with its configuration";
    EXPECT_EQ(taxiing.altitudeFt, 372.0);
    EXPECT_EQ(applier.deferred().size(), 1u) << "engines, lights and flaps still follow after 200 ticks";
    EXPECT_EQ(taxiing.landed, 0) << "created on the ground, it has not landed";
    EXPECT_EQ(taxiing.landingRoll, 0);
}

struct Touchdown {
    const char* what;
    AircraftCategory category;
    uint32_t flareStage;
    bool fsltl;
    bool landingRoll;
    std::vector<std::pair<uint32_t, SpoilersThrottleData>> direct;
};

TEST_F(Replies, ATouchdownSettlesTheNoseAndSendsSpoilersAndThrottleUnlessLight)
{
    const std::vector<Touchdown> rows = {
        {"Heavy in its flare", AircraftCategory::Heavy, 2, false, true, {{500, {100, 100, 100}}}},
        {"FSLTL livery", AircraftCategory::Large, 4, true, true, {{500, {100, -100, -100}}}},
        {"Light in its flare", AircraftCategory::Light, 3, false, true, {}},
        {"no flare (no park airport near): a roll-out all the same", AircraftCategory::Heavy, 0, false, true, {}},
    };
    for (const Touchdown& row : rows) {
        state.live.clear();
        sim.spoilersThrottle.clear();
        state.arrivals.clear();
        LiveAircraft& aircraft = state.live.emplace_back(
            gf_makeLive(row.category, MovementPhase::flying, {gf_air(47.0, 8.0, 420, 140, 0)}));
        aircraft.state = SimObjectState::active;
        aircraft.objectId = 500;
        aircraft.flareStage = row.flareStage;
        aircraft.flight.fsltlLivery = row.fsltl;
        aircraft.flight.touchdownTicks = 450;
        aircraft.flight.staticPitchRad = 0.7 * radPerDeg;
        aircraft.flight.staticCgHeightFt = 8.0;
        aircraft.pitch = -4.0 * radPerDeg;
        aircraft.bank = 2.0 * radPerDeg;
        takeQueued();
        push(SimReplyType::onGroundStatus, 500, 1, 364.0, 0.4);
        apply();
        EXPECT_EQ(aircraft.groundMode, 1) << row.what;
        EXPECT_EQ(aircraft.altitudeFt, 372.0) << row.what << ": the ground plus the static CG";
        EXPECT_EQ(aircraft.landingRoll != 0, row.landingRoll) << row.what;
        EXPECT_EQ(aircraft.landed != 0, row.landingRoll) << row.what;
        EXPECT_EQ(sim.spoilersThrottle.size(), row.direct.size()) << row.what;
        for (std::size_t i = 0; i < std::min(row.direct.size(), sim.spoilersThrottle.size()); ++i) {
            EXPECT_EQ(sim.spoilersThrottle[i].second.throttle1Pct, row.direct[i].second.throttle1Pct) << row.what;
            EXPECT_EQ(sim.spoilersThrottle[i].second.spoilersPct, 100.0) << row.what;
        }
        const bool spoilerEvent = std::ranges::any_of(events(), [](const ClientEventRequest& e) {
            return e.eventId == kClientSpoilersSet;
        });
        const bool flare = row.flareStage != 0;
        EXPECT_EQ(spoilerEvent, flare && row.category != AircraftCategory::Rotorcraft) << row.what;
        if (flare) {
            EXPECT_NEAR(aircraft.pitch + 450 * aircraft.pitchRate, 0.7 * radPerDeg, 1e-12) << row.what;
            EXPECT_NEAR(aircraft.bank + 450 * aircraft.bankRate, 0.0, 1e-12) << row.what;
            EXPECT_EQ(state.arrivals.size(), 1u) << row.what;
        }
    }
}

TEST_F(Replies, AnImplausibleStaticCgKeepsTheHeightAndAnImplausiblePitchBecomesSevenTenths)
{
    struct Row {
        double heightFt;
        double pitchDeg;
        double keptHeightFt;
        double keptPitchDeg;
    };
    const std::vector<Row> rows = {
        {0.5, 1.0, 8.0, 1.0}, {12.0, 2.5, 12.0, 2.5}, {36.0, 5.0, 8.0, 0.7}, {8.0, -1.0, 8.0, 0.7}, {8.0, -0.9, 8.0, -0.9}};
    for (const Row& row : rows) {
        FlightRecord flight;
        flight.staticCgHeightFt = 8.0;
        gf_applyStaticCg(flight, row.heightFt, row.pitchDeg * radPerDeg);
        EXPECT_EQ(flight.staticCgHeightFt, row.keptHeightFt) << row.heightFt;
        EXPECT_NEAR(flight.staticPitchRad, row.keptPitchDeg * radPerDeg, 1e-15) << row.pitchDeg;
    }
}

TEST_F(Replies, AFailedCreationRefusesItsLiveryStaticUpToHexId10000AndLiveAbove)
{
    adding(10001).flight.model = gf_modelIndex("A320");
    addingStatic(10000, 3);
    push(SimReplyType::createFailed, 0, 10000);
    apply();
    EXPECT_TRUE(state.statics.empty());
    EXPECT_EQ(state.live.size(), 1u);
    EXPECT_TRUE(gf_refusedTitles().contains("Static Livery"));
    push(SimReplyType::createFailed, 0, 10001);
    apply();
    EXPECT_TRUE(state.live.empty());
    EXPECT_TRUE(gf_refusedTitles().contains("Airbus A320 Test"));
    EXPECT_TRUE(gf_notCreatedLiveries().contains("A320 TST"));
    EXPECT_EQ(log.count("TST1 'Airbus A320 Test' could not be created by your Sim!"), 1u);
}

TEST_F(Replies, TheTwentiethRefusedTitleEndsTheRunAndLeavesTheReplyQueueFree)
{
    for (int i = 0; i < 18; ++i) {
        gf_refusedTitles().add("Refused " + std::to_string(i));
    }
    adding(0x4b0001).flight.title = "Nineteenth";
    push(SimReplyType::createFailed, 0, 0x4b0001);
    EXPECT_NO_THROW(apply());
    EXPECT_EQ(log.count("Error 81"), 0u);
    EXPECT_EQ(log.count("TST1 'Nineteenth' could not be created by your Sim!"), 1u);
    EXPECT_EQ(gf_messageLineTexts().message, "TST1 'Nineteenth' could not be created by your Sim!");

    adding(0x4b0002).flight.title = "Twentieth";
    push(SimReplyType::createFailed, 0, 0x4b0002);
    push(SimReplyType::objectRemoved, 999, 0);
    try {
        apply();
        ADD_FAILURE() << "no error 81";
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), 81);
        EXPECT_STREQ(error.what(), "81: There are too many liveries that could not be created!, see Log.txt");
    }
    EXPECT_EQ(log.count("===> Error 81, There are too many liveries that could not be created!"), 1u);
    // The simulator client thread can push again, and the failed reply is not applied twice.
    auto pushing = std::async(std::launch::async, [this] { push(SimReplyType::objectRemoved, 998, 0); });
    ASSERT_EQ(pushing.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the reply mutex stayed held";
    const std::vector<SimReply> left = replies.snapshot();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].objectId, 999u);
}

TEST_F(Replies, AnObjectWhoseRemovalWasAskedForBeforeItsBindingIsRemovedAtOnce)
{
    LiveAircraft& live = adding(0x4b0001);
    live.removeWhenCreated = 1;
    push(SimReplyType::liveCreated, 300, 0x4b0001);
    apply();
    EXPECT_EQ(live.state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.pendingRemovals, std::deque<uint32_t>{300});
    EXPECT_TRUE(applier.deferred().empty());
}

TEST_F(Replies, StaleRepliesBindNothing)
{
    // The aircraft is gone when its reply matures.
    adding(0x4b0001);
    push(SimReplyType::liveCreated, 300, 0x4b0001);
    apply();
    state.live.clear();
    for (int tick = 0; tick < ReplyApplication::configureAfterTicks; ++tick) {
        apply();
    }
    EXPECT_TRUE(applier.deferred().empty());

    // A static object reported removed before it matured; a new static aircraft takes the same hex id.
    addingStatic(7, 1);
    push(SimReplyType::staticCreated, 301, 7);
    apply();
    state.statics.clear();
    push(SimReplyType::objectRemoved, 301, 0);
    apply();
    EXPECT_TRUE(applier.deferred().empty());
    addingStatic(7, 2);
    for (int tick = 0; tick < ReplyApplication::configureAfterTicks; ++tick) {
        apply();
    }
    ASSERT_EQ(state.statics.size(), 1u);
    EXPECT_EQ(state.statics[0].objectId, 0u);
    EXPECT_EQ(state.statics[0].state, SimObjectState::adding2sim);

    // An object that no record waits for is removed again.
    push(SimReplyType::liveCreated, 302, 0x4b0077);
    apply();
    EXPECT_EQ(state.pendingRemovals, std::deque<uint32_t>{302});
}

TEST_F(Replies, ABlockedCallsignLeavesTheBufferByAHandMadeReply)
{
    LiveAircraft& buffered = adding(0x4b0001);
    buffered.state = SimObjectState::buffer;
    push(SimReplyType::removedWhileBlocked, 0, 0x4b0001);
    apply();
    EXPECT_NE(state.live[0].erase, 0);
    EXPECT_EQ(log.count("will be removed from buffer while blocked"), 1u);
}

} // namespace
} // namespace hlw::test
