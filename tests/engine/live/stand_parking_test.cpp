// Live aircraft at the fixture airport's stands: who may take a held stand, parking of a taxiing aircraft at rest
// near a stand, the arrival on it, the stand of an aircraft created on the ground and the static aircraft that make
// way for it, and the cargo flag of a stand a passenger aircraft parks on.
#include "motion_fixture.h"

#include "engine/live/ground_motion.h"
#include "engine/live/position_stream.h"
#include "engine/live/stand_conflicts.h"
#include "engine/live/stand_parking.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

constexpr double degPerNm = 1.0 / 60.0;

class StandParking : public ::testing::Test, public MotionFixture {
  protected:
    LiveAircraft& onStand(const std::string& standId, const std::string& callsign, MovementPhase phase)
    {
        const StandRecord& stand = airport.stand(standId);
        LiveAircraft& ac =
            active(AircraftCategory::Large, phase, {gf_ground(stand.latitude, stand.longitude, 0, state.tick)});
        ac.flight.callsign = callsign;
        ac.flight.hexId = 0x4c0000 + static_cast<uint32_t>(state.live.size());
        ac.standNumber = stand.standNumber;
        ac.standLat = stand.latitude;
        ac.standLon = stand.longitude;
        ac.cargoStand = stand.cargo ? 1 : 0;
        ac.groundMode = 1;
        return ac;
    }
    // Taxiing, coming to rest `metres` south of the stand.
    LiveAircraft& restingNear(const std::string& standId, double metres)
    {
        const StandRecord& stand = airport.stand(standId);
        const LatLon rest = gf_destinationPoint({stand.latitude, stand.longitude}, std::numbers::pi, metres / 0.3048);
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::taxi,
                                  {gf_ground(rest.lat - 0.05 * degPerNm, rest.lon, 5, state.tick),
                                   gf_ground(rest.lat, rest.lon, 3, state.tick + 500),
                                   gf_ground(rest.lat, rest.lon, 0, state.tick + 800)});
        ac.positions.back().stationary = 1;
        ac.groundMode = 1;
        ac.previousPhase = MovementPhase::flying;
        return ac;
    }
};

TEST_F(StandParking, AHeldStandGoesToTheSameFlightOrItsGhostsWinnerByTheCallsigns)
{
    struct Row {
        const char* existing;
        const char* incoming;
        bool occupiedFlag;
        bool taken;
        bool existingRemoved;
    };
    const std::vector<Row> rows = {
        {"DLH4AB", "DLH4AB", false, true, true},    // the same callsign replaces it
        {"DLH4AB", "DLH4AB_", false, false, false}, // the newcomer is the ghost
        {"DLH4AB", "DLH4AB*", false, false, false},
        {"DLH4AB_", "DLH4AB", false, true, true}, // the ghost gives way
        {"DLH4AB*", "DLH4AB", false, true, true},
        {"DLH4AB_", "AFR11", false, true, true},
        {"AFR11", "DLH4AB_", false, false, false},
        {"AFR11", "DLH4AB", true, false, false}, // its stand use is being learned
        {"AFR11", "DLH4AB", false, true, true},
        {"", "D", false, true, true}, // an empty callsign is nobody's ghost
        {"D", "", false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.existing) + " <- " + row.incoming);
        state.live.clear();
        LiveAircraft& existing = onStand("A2", row.existing, MovementPhase::parked);
        existing.standOccupied = row.occupiedFlag ? 1 : 0;
        EXPECT_EQ(gf_resolveStandConflict(live, existing.standNumber, row.incoming), row.taken);
        EXPECT_EQ(state.live[0].state == SimObjectState::removingfromsim, row.existingRemoved);
    }
}

TEST_F(StandParking, ATaxiingAircraftAtRestNearAStandRemovesALiveOneParkedThereAndDrivesOn)
{
    onStand("A2", "DLH4AB", MovementPhase::parked);
    LiveAircraft& ac = restingNear("A2", 10.0);
    const std::string logged = log.during([&] { try2Park(live, ac, false); });
    EXPECT_NE(logged.find("A2      : DLH4AB   removed, TST1 wants to park there"), std::string::npos) << logged;
    EXPECT_EQ(state.live[0].state, SimObjectState::removingfromsim);
    EXPECT_EQ(ac.phase, MovementPhase::parking);
    ASSERT_EQ(ac.positions.size(), 3u);
    const StandRecord& stand = airport.stand("A2");
    EXPECT_EQ(ac.positions[1].latitude, stand.latitude);
    EXPECT_EQ(ac.positions[2].stationary, 1);
    EXPECT_EQ(ac.positions[2].groundSpeedKt, 0.0);
    EXPECT_EQ(ac.positions[2].dueTick - ac.positions[1].dueTick, 50);
    EXPECT_EQ(ac.standNumber, stand.standNumber);
}

TEST_F(StandParking, OnRealDataATaxiingAircraftLooksForAStandOnlyWhenItsNextSpeedIsAtMostFiveKnots)
{
    struct Row {
        double nextSpeedKt;
        MovementPhase phase;
    };
    for (const Row row : {Row{3.0, MovementPhase::parking}, Row{5.0, MovementPhase::parking},
                          Row{8.0, MovementPhase::taxi}}) {
        state.live.clear();
        LiveAircraft& ac = restingNear("A2", 10.0);
        ac.positions[1].groundSpeedKt = row.nextSpeedKt;
        // The last position within 0.0189 nm of the front.
        ac.positions[0].latitude = ac.positions[1].latitude - 0.01 * degPerNm;
        ac.previousPhase = MovementPhase::taxi;
        gf_nextPosGround(live, ac);
        EXPECT_EQ(ac.phase, row.phase) << row.nextSpeedKt << " kt";
    }
}

TEST_F(StandParking, AnAircraftThatMayHaveBeenTowedFindsAStandFartherAway)
{
    struct Row {
        double metresOff;
        bool mayBeTowed;
        MovementPhase phase;
    };
    // Searched within 0.0108 nm (20 m), or 0.0297 nm (55 m) for an aircraft that may have been towed.
    for (const Row row : {Row{15.0, false, MovementPhase::parking}, Row{40.0, false, MovementPhase::taxi},
                          Row{40.0, true, MovementPhase::parking}, Row{70.0, true, MovementPhase::taxi}}) {
        state.live.clear();
        LiveAircraft& ac = restingNear("A2", row.metresOff);
        try2Park(live, ac, row.mayBeTowed);
        EXPECT_EQ(ac.phase, row.phase) << row.metresOff << " m" << (row.mayBeTowed ? ", may be towed" : "");
    }
}

TEST_F(StandParking, ALiveAircraftParkingOnAStandRemovesTheStaticAircraftStandingThere)
{
    for (const char* standId : {"A3", "A4"}) {
        StaticAircraft& fixed = state.statics.emplace_back();
        fixed.flight.callsign = std::string("STAT") + standId;
        fixed.standNumber = airport.stand(standId).standNumber;
        fixed.state = SimObjectState::active;
        fixed.objectId = 900 + static_cast<uint32_t>(state.statics.size());
    }
    LiveAircraft& ac = onStand("A3", "DLH4AB", MovementPhase::parked);
    ac.groundMode = 0;
    const std::string logged = log.during([&] { gf_parkAc(live, ac); });
    EXPECT_NE(logged.find("DLH4AB   parks over static STATA3"), std::string::npos) << logged;
    EXPECT_EQ(state.statics[0].state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.statics[1].state, SimObjectState::active);
    EXPECT_EQ(ac.groundMode, 1);
    EXPECT_EQ(airport.unselected, std::vector<int32_t>{airport.stand("A3").standNumber});
}

TEST_F(StandParking, AnAircraftCreatedOnTheGroundWithoutAStandMakesTheStaticAircraftOfAStandItStandsWithinLeave)
{
    struct Row {
        double metresSouth; // of the centre of A3, whose radius is 20 m
        bool removed;
    };
    const StandRecord& stand = airport.stand("A3");
    for (const Row row : {Row{8.0, true}, Row{19.0, true}, Row{21.0, false}}) {
        SCOPED_TRACE(row.metresSouth);
        state.statics.clear();
        state.live.clear();
        StaticAircraft& fixed = state.statics.emplace_back();
        fixed.flight.callsign = "STATA3";
        fixed.flight.registration = "PH-STA";
        fixed.standNumber = stand.standNumber;
        fixed.state = SimObjectState::active;
        fixed.objectId = 901;
        const LatLon at =
            gf_destinationPoint({stand.latitude, stand.longitude}, std::numbers::pi, row.metresSouth / 0.3048);
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::taxi, {gf_ground(at.lat, at.lon, 3, state.tick)});
        ac.flight.callsign = "KLM1001";
        ac.flight.registration = "PH-IFJ";
        const std::string logged = log.during([&] { gf_parkAc(live, ac); });
        EXPECT_EQ(state.statics[0].state, row.removed ? SimObjectState::removingfromsim : SimObjectState::active);
        EXPECT_EQ(logged.find("A3      : STATA3   PH-STA makes way for KLM1001 PH-IFJ") != std::string::npos,
                  row.removed)
            << logged;
        EXPECT_EQ(ac.standNumber, 0);
    }
}

TEST_F(StandParking, AnAircraftCreatedMovingTakesTheStandOnlyWhenItComesToRestThere)
{
    struct Row {
        double nextSpeedKt;
        double restMetresOff; // the last position from the stand
        SpawnStand result;
    };
    for (const Row row : {Row{3.0, 5.0, SpawnStand::parked}, Row{5.0, 5.0, SpawnStand::parked},
                          Row{8.0, 5.0, SpawnStand::none}}) {
        state.live.clear();
        const StandRecord& stand = airport.stand("A3");
        const LatLon rest = gf_destinationPoint({stand.latitude, stand.longitude}, std::numbers::pi,
                                                row.restMetresOff / 0.3048);
        LiveAircraft& ac = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                                           {gf_ground(rest.lat - 0.01 * degPerNm, rest.lon, 6, state.tick),
                                            gf_ground(rest.lat, rest.lon, row.nextSpeedKt, state.tick + 1500)}));
        gf_setPerformance(ac.flight, AircraftCategory::Large);
        EXPECT_EQ(gf_chooseSpawnStand(live, ac), row.result) << row.nextSpeedKt << " kt";
        EXPECT_EQ(ac.standNumber, row.result == SpawnStand::parked ? stand.standNumber : 0);
    }
}

TEST_F(StandParking, AnAdjacentStandIsFreeUnlessAnAircraftStandingThereCouldTouchTheOneParking)
{
    struct Row {
        const char* name;
        MovementPhase phase;
        const char* callsign;
        double halfSpanNm;
        bool free;
    };
    // A2 and A3 are 70 m (0.0378 nm) apart; two half spans of 0.0185 nm x 1.1 reach 0.0407 nm.
    for (const Row row : {Row{"parked", MovementPhase::parked, "AFR11", 0.0185, false},
                          Row{"pushing back", MovementPhase::pushing_back, "AFR11", 0.0185, false},
                          Row{"taxiing away", MovementPhase::taxi, "AFR11", 0.0185, true},
                          Row{"the same flight", MovementPhase::parked, "DLH4AB", 0.0185, true},
                          Row{"a small aircraft", MovementPhase::parked, "AFR11", 0.01, true}}) {
        state.live.clear();
        LiveAircraft& neighbour = onStand("A2", row.callsign, row.phase);
        neighbour.flight.halfWingspanNm = row.halfSpanNm;
        LiveAircraft& arriving = onStand("A3", "DLH4AB", MovementPhase::parking);
        arriving.flight.halfWingspanNm = 0.0185;
        const StandRecord& a3 = airport.stand("A3");
        EXPECT_EQ(gf_adjacentFree(live, airport.stand("A2").standNumber, arriving, a3), row.free) << row.name;
        gf_removeAdjacentColliding(live, arriving, a3);
        EXPECT_EQ(state.live.front().state == SimObjectState::removingfromsim, !row.free) << row.name;
    }
}

TEST_F(StandParking, TheReservedStandAndTheStandOfTheUserAreNeverTaken)
{
    LiveAircraft& reserved = restingNear("B4", 8.0);
    try2Park(live, reserved, false);
    EXPECT_EQ(reserved.phase, MovementPhase::taxi);

    const StandRecord& a3 = airport.stand("A3");
    setUser(a3.latitude, a3.longitude, true);
    LiveAircraft& users = restingNear("A3", 8.0);
    try2Park(live, users, false);
    EXPECT_EQ(users.phase, MovementPhase::taxi);
    // Not moved since: no new search.
    state.user.reset();
    try2Park(live, users, false);
    EXPECT_EQ(users.phase, MovementPhase::taxi);
}

TEST_F(StandParking, AnAircraftWithinTwoMetresOfItsStandParksFartherAwayItTaxisOn)
{
    struct Row {
        double metresOff;
        MovementPhase phase;
    };
    for (const Row row : {Row{1.5, MovementPhase::parked}, Row{3.0, MovementPhase::taxi}}) {
        state.live.clear();
        StandRecord& cargoStand = airport.stand("A5");
        cargoStand.occupied = false;
        cargoStand.cargo = true;
        cargoStand.cargoChange = false;
        LiveAircraft& ac = onStand("A5", "TST1", MovementPhase::parking);
        const LatLon at = gf_destinationPoint({ac.standLat, ac.standLon}, 0.0, row.metresOff / 0.3048);
        ac.latitude = at.lat;
        ac.longitude = at.lon;
        state.arrivals.clear();
        EXPECT_FALSE(gf_arriveAtStand(live, ac));
        EXPECT_EQ(ac.phase, row.phase) << row.metresOff;
        const bool parked = row.phase == MovementPhase::parked;
        EXPECT_EQ(airport.stand("A5").occupied, parked);
        EXPECT_EQ(state.arrivals.size(), parked ? 1u : 0u);
        EXPECT_EQ(airport.maxParkChecks, parked ? std::vector<bool>{false} : std::vector<bool>{});
        airport.maxParkChecks.clear();
        // A passenger aircraft parked on the cargo stand: its cargo flag is learned away.
        EXPECT_EQ(airport.stand("A5").cargoChange, parked);
    }
}

TEST_F(StandParking, AnAircraftCreatedAtAStandParksOnItFacingTheStandUnlessTheStandIsNotForIt)
{
    struct Row {
        const char* stand;
        bool userThere;
        SpawnStand result;
        bool erased;
    };
    for (const Row row : {Row{"A3", false, SpawnStand::parked, false}, Row{"B4", false, SpawnStand::none, false},
                          Row{"A3", true, SpawnStand::none, true}}) {
        SCOPED_TRACE(row.stand);
        state.live.clear();
        const StandRecord& stand = airport.stand(row.stand);
        state.user.reset();
        if (row.userThere) {
            setUser(stand.latitude, stand.longitude, true);
        }
        LiveAircraft& ac = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth,
                                           {gf_ground(stand.latitude + 1e-5, stand.longitude, 0, state.tick),
                                            gf_ground(stand.latitude + 1e-5, stand.longitude, 0, state.tick + 1500)}));
        gf_setPerformance(ac.flight, AircraftCategory::Large);
        ac.positions[0].stationary = ac.positions[1].stationary = 1;
        EXPECT_EQ(gf_chooseSpawnStand(live, ac), row.result);
        EXPECT_EQ(ac.erase != 0, row.erased);
        if (row.result == SpawnStand::parked) {
            EXPECT_EQ(ac.phase, MovementPhase::parked);
            EXPECT_EQ(ac.positions.size(), 1u);
            EXPECT_EQ(ac.positions[0].latitude, stand.latitude);
            EXPECT_NEAR(ac.positions[0].trackDeg, stand.heading * 180.0 / std::numbers::pi, 1e-9);
            EXPECT_EQ(airport.standUses.back().second, StandUseReason::createdOnStand);
        }
    }
}

} // namespace
} // namespace hlw::test
