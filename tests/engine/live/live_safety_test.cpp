// The safety removals around the user aircraft and between live and static aircraft, and the count of parked live
// aircraft with their mean time parked.
#include "motion_fixture.h"

#include "engine/live/angles.h"
#include "engine/live/live_safety.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hlw::test {
namespace {

constexpr double degPerNm = 1.0 / 60.0;

class LiveSafetyTest : public ::testing::Test, public MotionFixture {
  protected:
    LiveAircraft& groundAc(double lat, double lon, double headingDeg, uint32_t hexId)
    {
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::taxi, {gf_ground(lat, lon, 10, state.tick)});
        ac.heading = headingDeg * radPerDeg;
        ac.groundMode = 1;
        ac.flight.hexId = hexId;
        return ac;
    }
    StaticAircraft& staticAc(const std::string& callsign, const std::string& registration)
    {
        StaticAircraft& fixed = state.statics.emplace_back();
        fixed.flight.callsign = callsign;
        fixed.flight.registration = registration;
        fixed.state = SimObjectState::active;
        fixed.objectId = 900 + static_cast<uint32_t>(state.statics.size());
        return fixed;
    }
    LiveSafety safety;
};

TEST_F(LiveSafetyTest, AnAircraftIsAheadOfTheUserWhenItHeadsAwayCloseToTheUsersLineOfSight)
{
    UserAircraftFix user;
    struct Row {
        const char* name;
        double northNm;
        double eastNm;
        double headingDeg;
        bool ahead;
    };
    for (const Row row : {Row{"north, heading away", 0.5, 0, 0, true}, Row{"north, heading back", 0.5, 0, 180, false},
                          Row{"north, crossing", 0.5, 0, 90, false}, Row{"close abeam", 0, 0.05, 0, true},
                          Row{"farther abeam", 0, 0.2, 0, false}}) {
        LiveAircraft ac = gf_makeLive(AircraftCategory::Large, MovementPhase::taxi,
                                      {gf_ground(row.northNm * degPerNm, row.eastNm * degPerNm, 10, 0)});
        ac.heading = row.headingDeg * radPerDeg;
        EXPECT_EQ(gf_isAheadOfUser(ac, user, groundAheadTable), row.ahead) << row.name;
    }
}

TEST_F(LiveSafetyTest, LowDownTheUsersHeadingLineIsClearedBothWaysOneAircraftPerPass)
{
    setUser(47.0, 8.0, true);
    state.user->heightAboveGroundFt = 0;
    // Behind the user on its (northbound) heading line, and ahead of it: both on the line within 1 nm.
    groundAc(47.0 - 0.5 * degPerNm, 8.0, 180, 0x4c0001);
    groundAc(47.0 + 0.5 * degPerNm, 8.0, 180, 0x4c0002);
    safety.removeGroundAircraftAheadOfUser(live);
    EXPECT_EQ(state.live[0].state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.live[1].state, SimObjectState::active);
    safety.removeGroundAircraftAheadOfUser(live);
    EXPECT_EQ(state.live[1].state, SimObjectState::removingfromsim);
}

TEST_F(LiveSafetyTest, StaticTwinsOfEveryActiveGroundAircraftAreRemoved)
{
    LiveAircraft& first = groundAc(47.0, 8.0, 0, 0x4c0001);
    first.flight.callsign = "AFR11";
    first.flight.registration = "F-GKXA";
    LiveAircraft& second = groundAc(47.01, 8.0, 0, 0x4c0002);
    second.flight.callsign = "DLH4AB";
    second.flight.registration = "D-AIZZ";
    StaticAircraft& byRegistration = staticAc("XXX1*", "F-GKXA");
    static_cast<void>(byRegistration);
    staticAc("DLH4AB*", "D-OTHER");
    staticAc("KLM1*", "PH-AAA");
    // Only aircraft on the ground have static twins to clear.
    LiveAircraft& airborne = groundAc(47.02, 8.0, 0, 0x4c0003);
    airborne.groundMode = 0;
    airborne.phase = MovementPhase::flying;
    airborne.flight.callsign = "KLM1";
    airborne.flight.registration = "PH-AAA";
    safety.removeStaticTwins(live);
    EXPECT_EQ(state.statics[0].state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.statics[1].state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.statics[2].state, SimObjectState::active);
}

TEST_F(LiveSafetyTest, ATaxiingOrParkingAircraftThatMovedRemovesTheStaticAircraftItTouches)
{
    struct Row {
        const char* name;
        MovementPhase phase;
        double offsetNm; // east of the static aircraft's stand
        bool rolling;
        bool sameCallsign;
        bool moved;
        bool removed;
    };
    // Both half spans of 0.0185 nm, x 1.1: within 0.0407 nm.
    for (const Row row : {
             Row{"taxiing onto it", MovementPhase::taxi, 0.03, false, false, true, true},
             Row{"parking onto it", MovementPhase::parking, 0.03, false, false, true, true},
             Row{"just clear", MovementPhase::taxi, 0.045, false, false, true, false},
             Row{"parked", MovementPhase::parked, 0.0, false, false, true, false},
             Row{"pushing back", MovementPhase::pushing_back, 0.0, false, false, true, false},
             Row{"on a take-off roll", MovementPhase::taxi, 0.0, true, false, true, false},
             Row{"its own static copy", MovementPhase::taxi, 0.0, false, true, true, false},
             Row{"standing where it stood at the last pass", MovementPhase::taxi, 0.0, false, false, false, false},
         }) {
        state.live.clear();
        state.statics.clear();
        StaticAircraft& fixed = staticAc("SWR12", "HB-JXA");
        fixed.standLat = 47.0;
        fixed.standLon = 8.0;
        fixed.flight.halfWingspanNm = 0.0185;
        const double lon = 8.0 + row.offsetNm * degPerNm / std::cos(47.0 * radPerDeg);
        LiveAircraft& ac = groundAc(47.0, lon, 90, 0x4c0010);
        ac.phase = row.phase;
        ac.flight.callsign = row.sameCallsign ? "SWR12" : "AFR11";
        ac.takeOffRoll = row.rolling ? 1 : 0;
        if (!row.moved) {
            ac.savedPosition = {ac.latitude, ac.longitude};
        }
        safety.checkMovingAgainstParked(live);
        EXPECT_EQ(state.statics[0].state == SimObjectState::removingfromsim, row.removed) << row.name;
    }
}

TEST_F(LiveSafetyTest, TheMeanTimeParkedWrapsOverTheWeekAndCountsOnlyAircraftWithAParkedSlot)
{
    StatusBoard status;
    EXPECT_EQ(gf_countParkedLive(state, &status), 0);
    EXPECT_EQ(status.snapshot().meanParkedHoursLive, 0.0F);
    state.weekday = 1;
    state.halfHour = 2;
    struct Parked {
        uint32_t weekday;
        uint32_t slot;
    };
    // Sunday 23:00 to Monday 01:00 (4 half-hours over the week's end), Monday 00:00 (slot 0, 2 half-hours), and
    // one without a parked slot.
    for (const Parked parked : {Parked{7, 46}, Parked{1, 0}, Parked{0, 0}}) {
        LiveAircraft& ac = groundAc(47.0, 8.0, 0, 0x4c0000 + parked.weekday + 10 * parked.slot);
        ac.phase = MovementPhase::parked;
        ac.parkedWeekday = parked.weekday;
        ac.parkedSlot = parked.slot;
    }
    EXPECT_EQ(gf_countParkedLive(state, &status), 3);
    EXPECT_FLOAT_EQ(status.snapshot().meanParkedHoursLive, 2.0F);
}

} // namespace
} // namespace hlw::test
