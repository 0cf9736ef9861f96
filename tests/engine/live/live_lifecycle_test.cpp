// The lifecycle of a live aircraft: admission, spawn with its livery, binding, removal by state, respawn, ghosts,
// blocked callsigns and the time-outs of unanswered requests.
#include "live_fixture.h"

#include "engine/live/angles.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/position_stream.h"
#include "liveries/livery_catalogue.h"
#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

class Lifecycle : public ::testing::Test, public LiveFixture {
protected:
    // An airborne aircraft in "buffer" whose first of three positions is due now.
    LiveAircraft& newAircraft()
    {
        const int32_t now = state.tick;
        return add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                               {gf_air(47.0, 8.0, 5000, 250, now), gf_air(47.01, 8.0, 5000, 250, now + 300),
                                gf_air(47.02, 8.0, 5000, 250, now + 600)}));
    }
};

struct Admission {
    const char* check;
    std::function<void(Lifecycle&, LiveAircraft&)> fail;
    // What follows when this check is the first to fail.
    bool erased;
    size_t positionsLeft;
};

TEST_F(Lifecycle, AdmissionChecksRunInOrderAndTheFirstFailureDecides)
{
    const std::vector<Admission> checks = {
        {"front not yet due", [](Lifecycle& t, LiveAircraft& ac) { ac.positions.front().dueTick = t.state.tick + 1; },
         false, 3},
        {"ghost listed", [](Lifecycle& t, LiveAircraft& ac) {
             ac.flight.callsign = "TST1_";
             t.state.ghosts.push_back("TST1_");
         }, true, 3},
        {"air and ground mixed", [](Lifecycle&, LiveAircraft& ac) { ac.positions[2].airborne = 0; }, false, 2},
        {"ahead of the airborne user",
         [](Lifecycle& t, LiveAircraft&) {
             t.setUser(47.0, 7.9, false);
             t.services.aheadOfUser = true;
         },
         false, 2},
        {"creation backlog", [](Lifecycle& t, LiveAircraft&) { t.state.liveCreations.resize(11); }, false, 2},
        {"no live aircraft wanted", [](Lifecycle&, LiveAircraft&) { settings::maxLiveSel.set(0); }, true, 3},
        {"limit reached, no room made",
         [](Lifecycle& t, LiveAircraft&) {
             if (settings::maxLiveSel.get() != 0) {
                 settings::maxLiveSel.set(10);
             }
             t.state.addingStack.assign(10, 1);
         },
         true, 3},
        {"blocked callsign", [](Lifecycle&, LiveAircraft& ac) { settings::blockCallsign.set(ac.flight.callsign); }, true,
         3},
        {"refused livery",
         [](Lifecycle&, LiveAircraft& ac) {
             gf_notCreatedLiveries().add(gf_modelText(ac.flight.model) + " " + gf_airlineText(ac.flight.airline), "x");
         },
         true, 3},
    };
    for (size_t first = 0; first <= checks.size(); ++first) {
        SCOPED_TRACE(first < checks.size() ? checks[first].check : "every check passes");
        gf_restoreLiveSettings();
        Lifecycle& t = *this;
        t.state.live.clear();
        t.state.ghosts.clear();
        t.state.liveCreations.clear();
        t.state.addingStack.clear();
        t.state.user.reset();
        t.services.aheadOfUser = false;
        LiveAircraft& ac = newAircraft();
        for (size_t later = first; later < checks.size(); ++later) {
            checks[later].fail(t, ac);
        }
        gf_handleNewLiveAc(context, ac);
        if (first == checks.size()) {
            EXPECT_EQ(ac.state, SimObjectState::adding2sim);
            EXPECT_EQ(state.addingStack.back(), ac.flight.hexId);
            continue;
        }
        EXPECT_EQ(ac.erase != 0, checks[first].erased);
        EXPECT_EQ(ac.positions.size(), checks[first].positionsLeft);
        EXPECT_EQ(ac.state, SimObjectState::buffer);
    }
}

TEST_F(Lifecycle, ASingleDuePositionOrAnEmptyStreamIsDroppedAndRoomMadeAdmits)
{
    LiveAircraft& single = newAircraft();
    single.positions.resize(1);
    gf_handleNewLiveAc(context, single);
    EXPECT_TRUE(single.erase != 0 && single.positions.empty());

    // The live limit counts the active aircraft as they are at that moment of the tick.
    settings::maxLiveSel.set(2);
    LiveAircraft& leaving = newAircraft();
    gf_setState(context, leaving, SimObjectState::active);
    state.live.back().objectId = 9;
    state.addingStack.assign(1, 1);
    LiveAircraft& refused = newAircraft();
    gf_handleNewLiveAc(context, refused);
    EXPECT_NE(refused.erase, 0);
    removeAircraftFromSim(context, state.live[1]);
    LiveAircraft& taken = newAircraft();
    gf_handleNewLiveAc(context, taken);
    EXPECT_EQ(taken.state, SimObjectState::adding2sim);

    settings::maxLiveSel.set(10);
    state.addingStack.assign(10, 1);
    services.roomMade = true;
    setUser(47.0, 7.0, true);
    LiveAircraft& admitted = newAircraft();
    gf_handleNewLiveAc(context, admitted);
    EXPECT_EQ(admitted.state, SimObjectState::adding2sim);
    ASSERT_EQ(services.roomRequests.size(), 2u);
    EXPECT_NEAR(services.roomRequests.back(), 40.9, 0.1);
}

TEST_F(Lifecycle, UserProximityOnTheGroundSkipsPositionsNearTheUser)
{
    setUser(47.0, 8.0, true);
    LiveAircraft& ac = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                                       {gf_ground(47.0005, 8.0, 10, state.tick), gf_ground(47.01, 8.0, 10, state.tick + 300),
                                        gf_ground(47.02, 8.0, 10, state.tick + 600)}));
    gf_handleNewLiveAc(context, ac);
    EXPECT_EQ(ac.positions.size(), 2u) << "0.03 nm from the user";
    state.tick += 300;
    gf_handleNewLiveAc(context, ac);
    EXPECT_EQ(ac.state, SimObjectState::adding2sim) << "0.6 nm away";

    settings::collisionUserGnd.set(false);
    LiveAircraft& near = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                                         {gf_ground(47.0005, 8.0, 10, state.tick), gf_ground(47.01, 8.0, 10, state.tick + 300)}));
    near.flight.hexId = 0x4b0002;
    near.flight.callsign = "TST2";
    gf_handleNewLiveAc(context, near);
    EXPECT_EQ(near.state, SimObjectState::adding2sim);
}

TEST_F(Lifecycle, LiveryIsRememberedPerHexIdAndAnUnmatchedAircraftIsNoRefusedTitle)
{
    // A remembered title is taken back only as a view of the livery tables.
    LiveryData livery;
    livery.title = "Airbus A320 Test";
    livery.airline = gf_airlineIndex("TST");
    livery.model = gf_modelIndex("A320");
    gf_buildLiveryCatalogue({livery});
    LiveAircraft& first = newAircraft();
    spawnLiveAc(context, first);
    EXPECT_EQ(first.flight.title, services.livery);
    EXPECT_EQ(gf_rememberedTitle(state, first.flight.hexId), services.livery);

    LiveAircraft& again = newAircraft();
    services.livery = "Other";
    spawnLiveAc(context, again);
    EXPECT_EQ(again.flight.title, "Airbus A320 Test") << "the remembered title, no new choice";
    EXPECT_EQ(services.liveryChoices, 1);

    gf_refusedTitles().add("Airbus A320 Test");
    EXPECT_TRUE(gf_rememberedTitle(state, first.flight.hexId).empty());
    EXPECT_FALSE(state.rememberedTitles.contains(first.flight.hexId));

    services.livery = {};
    LiveAircraft& unmatched = newAircraft();
    spawnLiveAc(context, unmatched);
    EXPECT_NE(unmatched.erase, 0);
    EXPECT_EQ(state.unmatchedNames.count(gf_labelWithReg(unmatched.flight)), 1u);
    EXPECT_EQ(gf_refusedTitles().size(), 1u);
    // One log line for the aircraft dropped for want of a livery, not one per try.
    LiveAircraft& unmatchedAgain = newAircraft();
    spawnLiveAc(context, unmatchedAgain);
    EXPECT_EQ(log.count("TST1     airline TST model A320: no livery found, not created"), 1u) << log.text();
    gf_clearLiveryCatalogueTables();
}

TEST_F(Lifecycle, SpawnDecidesThePhaseAndTheInitialAttitude)
{
    LiveAircraft& air = newAircraft();
    air.positions[0].verticalSpeedFpm = 3000;
    spawnLiveAc(context, air);
    EXPECT_EQ(air.phase, MovementPhase::flying);
    EXPECT_NEAR(air.pitch * degPerRad, -(3.0 + 2400.0 / 600.0 * 2.2), 1e-9) << "a climb is limited to 2400 ft/min";
    EXPECT_NEAR(air.heading, 0.0, 1e-9) << "the bearing to the next position";
    EXPECT_EQ(state.arrivals.back(), air.flight.hexId);

    const int32_t now = state.tick;
    LiveAircraft& taxiing = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                                            {gf_ground(47.0, 8.0, 10, now), gf_ground(47.0, 8.01, 10, now + 300)}));
    spawnLiveAc(context, taxiing);
    EXPECT_EQ(taxiing.phase, MovementPhase::taxi);
    EXPECT_NEAR(taxiing.pitch * degPerRad, 0.6, 1e-9);
    EXPECT_NEAR(taxiing.heading * degPerRad, 90.0, 0.01);

    LiveAircraft& standing = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                                             {gf_ground(47.0, 8.0, 3, now), gf_ground(47.0, 8.0, 3, now + 300),
                                              gf_ground(47.0, 8.01, 10, now + 600)}));
    standing.positions[1].stationary = 1;
    spawnLiveAc(context, standing);
    EXPECT_EQ(standing.state, SimObjectState::buffer) << "waits without a stand while the next position stands";
    EXPECT_EQ(standing.positions.size(), 2u);
    EXPECT_EQ(standing.positions[0].groundSpeedKt, 0.0);
}

TEST_F(Lifecycle, TheCreatedObjectIsBoundWithPlanAndStaticCg)
{
    LiveAircraft& ac = newAircraft();
    ac.flight.origin = RouteCode("ZRH");
    ac.flight.destination = RouteCode("LHR");
    EXPECT_FALSE(gf_onObjectCreated(context, ac, 2, 300.0));
    ASSERT_TRUE(gf_onObjectCreated(context, ac, 77, 300.0));
    EXPECT_EQ(ac.objectId, 77u);
    EXPECT_EQ(ac.heightAboveGroundFt, 300.0);
    EXPECT_EQ(ac.flightPlanSet, 1);
    EXPECT_EQ(services.cgRequests, std::vector<uint32_t>{77});

    const int32_t now = state.tick;
    LiveAircraft& ground =
        add(gf_makeLive(AircraftCategory::Large, MovementPhase::taxi, {gf_ground(47.0, 8.0, 10, now), gf_ground(47.0, 8.01, 10, now + 300)}));
    ground.groundMode = 0;
    ASSERT_TRUE(gf_onObjectCreated(context, ground, 78, 0.0));
    EXPECT_EQ(ground.groundMode, 1);
    EXPECT_EQ(ground.flightPlanSet, 0) << "no plan without both route codes";
}

struct RemovalCase {
    const char* name;
    SimObjectState state;
    uint32_t objectId;
    bool queuedCreation;
    bool removeWhenCreated;
    SimObjectState after;
    bool erase;
    bool cancelled;
    bool removeFlag;
    size_t removalsQueued;
};

TEST_F(Lifecycle, RemovalActsByState)
{
    using enum SimObjectState;
    const std::vector<RemovalCase> cases = {
        {"buffer", buffer, 0, false, false, buffer, true, false, false, 0},
        {"creation still queued", adding2sim, 0, true, false, adding2sim, false, true, false, 0},
        {"creation sent", adding2sim, 0, false, false, adding2sim, false, false, true, 0},
        {"already marked", adding2sim, 0, false, true, adding2sim, false, false, true, 0},
        {"active", active, 61, false, false, removingfromsim, false, false, false, 1},
        {"active without object", active, 0, false, false, removingfromsim, true, false, false, 0},
        {"already removing", removingfromsim, 61, false, false, removingfromsim, false, false, false, 0},
        {"respawn removes its object already", liveryrespawn, 61, false, false, removingfromsim, false, false, false, 0},
    };
    for (const RemovalCase& row : cases) {
        SCOPED_TRACE(row.name);
        state.live.clear();
        state.pendingRemovals.clear();
        LiveAircraft& ac = newAircraft();
        ac.state = row.state;
        ac.objectId = row.objectId;
        ac.removeWhenCreated = row.removeWhenCreated ? 1 : 0;
        if (row.queuedCreation) {
            state.liveCreations.push_back({{}, ac.flight.callsign, "t", ac.flight.hexId});
        }
        removeAircraftFromSim(context, ac);
        EXPECT_EQ(ac.state, row.after);
        EXPECT_EQ(ac.erase != 0, row.erase);
        EXPECT_EQ(ac.creationCancelled != 0, row.cancelled);
        EXPECT_EQ(ac.removeWhenCreated != 0, row.removeFlag);
        EXPECT_EQ(state.pendingRemovals.size(), row.removalsQueued);
        EXPECT_TRUE(state.liveCreations.empty());
    }
}

TEST_F(Lifecycle, ACreationStillOnTheAddingStackIsWithdrawnAndAnActiveRemovalFreesItsStand)
{
    LiveAircraft& ac = newAircraft();
    spawnLiveAc(context, ac);
    removeAircraftFromSim(context, ac);
    EXPECT_NE(ac.creationCancelled, 0);
    EXPECT_TRUE(state.addingStack.empty());

    LiveAircraft& parked = newAircraft();
    parked.state = SimObjectState::active;
    parked.objectId = 90;
    parked.standNumber = 7;
    state.selectedObjectId = 90;
    removeAircraftFromSim(context, parked);
    EXPECT_EQ(parking.occupancy, (std::vector<std::pair<int32_t, bool>>{{7, false}}));
    EXPECT_EQ(state.selectedObjectId, 0u);
    EXPECT_EQ(services.callsignListResets, 1);
}

TEST_F(Lifecycle, AnObjectCreatedAfterARemovalRequestIsRemovedOnceConfigured)
{
    LiveAircraft& ac = newAircraft();
    ac.state = SimObjectState::adding2sim;
    removeAircraftFromSim(context, ac);
    ASSERT_NE(ac.removeWhenCreated, 0);
    ASSERT_TRUE(gf_onObjectCreated(context, ac, 55, 100.0));
    ac.state = SimObjectState::active;
    removeAircraftFromSim(context, ac);
    EXPECT_EQ(ac.state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.pendingRemovals, std::deque<uint32_t>{55});
}

TEST_F(Lifecycle, RemovedObjectsFinishTheirRecords)
{
    LiveAircraft& leaving = newAircraft();
    leaving.state = SimObjectState::removingfromsim;
    leaving.objectId = 40;
    leaving.flightPlanSet = 1;
    LiveAircraft& respawning = newAircraft();
    respawning.state = SimObjectState::liveryrespawn;
    respawning.objectId = 41;
    respawning.lastThrottleIndex = 2;
    respawning.lastFlapsIndex = 1;
    respawning.flightPlanSet = 1;
    state.statics.emplace_back(FlightRecord{}, 3, 47.0, 8.0, 0.0, false);
    state.statics.back().objectId = 42;

    gf_onObjectRemoved(context, 40);
    ASSERT_EQ(state.live.size(), 1u);
    EXPECT_EQ(services.deletedPlans, std::vector<uint32_t>{40});
    const LiveAircraft& back = state.live[0];
    gf_onObjectRemoved(context, 41);
    EXPECT_EQ(services.deletedPlans, (std::vector<uint32_t>{40, 41})) << "the old object's plan goes with it";
    EXPECT_EQ(back.flightPlanSet, 0);
    EXPECT_EQ(back.state, SimObjectState::buffer);
    EXPECT_EQ(back.objectId, 0u);
    EXPECT_EQ(back.lastThrottleIndex, noThrottleSent);
    EXPECT_EQ(back.lastFlapsIndex, noFlapsSent);
    gf_onObjectRemoved(context, 42);
    EXPECT_TRUE(state.statics.empty());
}

TEST_F(Lifecycle, UnansweredRequestsAreGivenUpAfterTheirTimeOut)
{
    struct TimeOut {
        SimObjectState state;
        uint32_t objectId;
        int32_t ticks;
    };
    size_t givenUp = 0;
    for (const TimeOut row : {TimeOut{SimObjectState::adding2sim, 0, bindingTimeoutTicks},
                              TimeOut{SimObjectState::removingfromsim, 30, removalTimeoutTicks},
                              TimeOut{SimObjectState::liveryrespawn, 31, removalTimeoutTicks}}) {
        SCOPED_TRACE(gf_simStateName(row.state));
        LiveAircraft& ac = newAircraft();
        gf_setState(context, ac, row.state);
        ac.objectId = row.objectId;
        state.tick += row.ticks - 1;
        EXPECT_FALSE(updateLiveAc(context, ac));
        ++state.tick;
        EXPECT_TRUE(updateLiveAc(context, ac));
        EXPECT_EQ(log.count("given up"), ++givenUp);
        state.live.clear();
    }
}

TEST_F(Lifecycle, ARespawnKeepsHeadingAndReturnsToBufferForANewObject)
{
    LiveAircraft& ac = newAircraft();
    ac.state = SimObjectState::active;
    ac.objectId = 70;
    ac.heading = 1.25;
    ac.phase = MovementPhase::flying;
    ac.latitude = 47.005;
    ac.lastThrottleIndex = 3;
    FlightHead received = ac.flight;
    received.callsign = "NEW1";
    EXPECT_FALSE(gf_checkRespawn(context, ac, received));
    EXPECT_EQ(ac.state, SimObjectState::liveryrespawn);
    EXPECT_EQ(ac.flight.callsign, "NEW1");
    EXPECT_EQ(ac.flight.secondCallsign, "TST1");
    EXPECT_EQ(state.pendingRemovals, std::deque<uint32_t>{70});
    EXPECT_EQ(ac.positions.front().latitude, 47.005) << "the stream starts where the aircraft is";
    EXPECT_EQ(ac.positions.front().dueTick, state.tick + 1);

    gf_onObjectRemoved(context, 70);
    EXPECT_EQ(ac.state, SimObjectState::buffer);
    EXPECT_EQ(ac.lastThrottleIndex, noThrottleSent);
    ++state.tick;
    gf_handleNewLiveAc(context, ac);
    EXPECT_EQ(ac.state, SimObjectState::adding2sim);
    EXPECT_EQ(ac.heading, 1.25);
    EXPECT_EQ(ac.phase, MovementPhase::flying) << "a kept livery skips the choice and the phase";
    EXPECT_EQ(services.liveryChoices, 0);
}

TEST_F(Lifecycle, ARegistrationOfAnotherAirlineForgetsTheLiveryOnlyWhenTheRespawnRuns)
{
    ReferenceTables tables;
    tables.records.push_back({"HB-NEW", {gf_airlineIndex("SWR"), 0, gf_modelIndex("A320"), 0, 1}});
    gf_installReferenceTables(std::move(tables));
    for (const bool guidChanges : {false, true}) {
        SCOPED_TRACE(guidChanges ? "respawns" : "no respawns");
        settings::guidChanges.set(guidChanges);
        state.live.clear();
        LiveAircraft& ac = newAircraft();
        ac.state = SimObjectState::active;
        ac.objectId = 70;
        ac.phase = MovementPhase::taxi;
        ac.flight.title = "Old Livery";
        state.rememberedTitles[ac.flight.hexId] = "Old Livery";
        FlightHead received = ac.flight;
        received.registration = "HB-NEW";
        EXPECT_EQ(gf_checkRespawn(context, ac, received), !guidChanges);
        EXPECT_EQ(ac.flight.title.empty(), guidChanges);
        EXPECT_EQ(ac.phase, guidChanges ? MovementPhase::birth : MovementPhase::taxi);
        EXPECT_EQ(state.rememberedTitles.contains(ac.flight.hexId), !guidChanges);
        EXPECT_EQ(ac.flight.airline, gf_airlineIndex("SWR"));
    }
    gf_clearReferenceTables();
}

TEST_F(Lifecycle, RouteCodesAreMergedAndAChangedRouteOnTheGroundTaxisAgain)
{
    LiveAircraft& waiting = newAircraft();
    FlightHead received = waiting.flight;
    received.origin = RouteCode("ZRH");
    received.callsign = "NEW2";
    EXPECT_TRUE(gf_checkRespawn(context, waiting, received));
    EXPECT_EQ(waiting.flight.origin, RouteCode("ZRH"));
    EXPECT_EQ(waiting.flight.callsign, "NEW2") << "a record in buffer takes the new identification";

    LiveAircraft& parked = newAircraft();
    parked.state = SimObjectState::active;
    parked.objectId = 71;
    parked.groundMode = 1;
    parked.phase = MovementPhase::pushed_back;
    parked.heading = 2.0;
    parked.flight.origin = RouteCode("ZRH");
    received = parked.flight;
    received.destination = RouteCode("LHR");
    EXPECT_TRUE(gf_checkRespawn(context, parked, received));
    EXPECT_EQ(parked.flight.destination, RouteCode("LHR"));
    EXPECT_EQ(parked.phase, MovementPhase::pushed_back) << "a missing code filled is no change of route";
    received.origin = RouteCode("GVA");
    EXPECT_TRUE(gf_checkRespawn(context, parked, received));
    EXPECT_EQ(parked.flight.origin, RouteCode("GVA"));
    EXPECT_EQ(parked.phase, MovementPhase::taxi);
    EXPECT_EQ(parked.bearingToNext, 2.0);
}

TEST_F(Lifecycle, ARespawnWithoutObjectGoesStraightBackToBuffer)
{
    LiveAircraft& ac = newAircraft();
    ac.state = SimObjectState::active;
    ac.objectId = 0;
    liveryRespawn(context, ac);
    EXPECT_EQ(ac.state, SimObjectState::buffer);
    EXPECT_TRUE(state.pendingRemovals.empty());
    EXPECT_EQ(log.count("objectid=0 ?"), 1u);
}

TEST_F(Lifecycle, AGhostGivesWayToTheAircraftWithoutTheUnderscore)
{
    LiveAircraft& ghost = newAircraft();
    ghost.flight.callsign = "TST1_";
    ghost.state = SimObjectState::active;
    ghost.objectId = 66;
    LiveAircraft& real = newAircraft();
    real.flight.hexId = 0x4b0002;
    spawnLiveAc(context, real);
    EXPECT_EQ(state.live[0].state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.ghosts, std::vector<std::string>{"TST1_"});
    EXPECT_EQ(log.count("TST1_    is a ghost and will be removed, continue with TST1"), 1u);
}

TEST_F(Lifecycle, ABlockedCallsignRemovesTheAircraftByState)
{
    LiveAircraft& waiting = newAircraft();
    gf_removeWhileBlocked(context, waiting.flight.hexId);
    EXPECT_NE(state.live[0].erase, 0);
    state.live[0].flight.hexId = 1;
    LiveAircraft& flying = newAircraft();
    flying.state = SimObjectState::active;
    flying.objectId = 80;
    gf_removeWhileBlocked(context, flying.flight.hexId);
    EXPECT_EQ(state.live[1].state, SimObjectState::removingfromsim);
    EXPECT_EQ(log.count("will be removed from buffer while blocked"), 1u);
    EXPECT_EQ(log.count("removed from simulator immediately while blocked"), 1u);
}

} // namespace
} // namespace hlw::test
