// The parked counts of the status area with their mean hours: live aircraft parked at stands, and static
// aircraft in the simulator, each with the time since it parked averaged over the week's half hours.
#include "engine/live/live_engine_state.h"
#include "engine/live/live_safety.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

LiveAircraft lf_live(SimObjectState state, MovementPhase phase, uint32_t weekday, uint32_t slot)
{
    LiveAircraft aircraft(PositionRecord{}, FlightRecord{}, 0.0);
    aircraft.state = state;
    aircraft.phase = phase;
    aircraft.parkedWeekday = weekday;
    aircraft.parkedSlot = slot;
    return aircraft;
}

StaticAircraft lf_static(SimObjectState state, uint32_t weekday, uint32_t slot)
{
    StaticAircraft aircraft;
    aircraft.state = state;
    aircraft.parkedWeekday = weekday;
    aircraft.parkedSlot = slot;
    return aircraft;
}

TEST(ParkedCounts, CountsAndMeanHoursOfParkedLiveAndStaticAircraft)
{
    LiveEngineState state;
    state.weekday = 1;
    state.halfHour = 10;
    // Parked 4 half hours ago, and (across the week's end) 12 half hours ago; one moving, one without a slot.
    state.live = {lf_live(SimObjectState::active, MovementPhase::parked, 1, 6),
                  lf_live(SimObjectState::active, MovementPhase::parked, 7, 46),
                  lf_live(SimObjectState::active, MovementPhase::taxi, 1, 2),
                  lf_live(SimObjectState::adding2sim, MovementPhase::parked, 1, 2)};
    // Active and being removed count; a queued one does not. 2 and 6 half hours parked.
    state.statics = {lf_static(SimObjectState::active, 1, 8), lf_static(SimObjectState::removingfromsim, 1, 4),
                     lf_static(SimObjectState::adding2sim, 1, 0)};
    StatusBoard board;
    EXPECT_EQ(gf_countParkedLive(state, &board), 2);
    EXPECT_EQ(gf_staticParkedCount(state, &board), 2);
    const StatusValues values = board.snapshot();
    EXPECT_FLOAT_EQ(values.meanParkedHoursLive, 16.0F / 4.0F + 0.5F);
    EXPECT_FLOAT_EQ(values.meanParkedHoursStatic, 8.0F / 4.0F + 0.5F);

    // Without the board nothing is computed; with other weekdays in use the static mean stays.
    board.update([](StatusValues& v) {
        v.otherWeekdaysUsed = true;
        v.meanParkedHoursStatic = -1.0F;
    });
    EXPECT_EQ(gf_staticParkedCount(state, nullptr), 2);
    EXPECT_EQ(gf_staticParkedCount(state, &board), 2);
    EXPECT_FLOAT_EQ(board.snapshot().meanParkedHoursStatic, -1.0F);
    state.statics.clear();
    board.update([](StatusValues& v) { v.otherWeekdaysUsed = false; });
    EXPECT_EQ(gf_staticParkedCount(state, &board), 0);
    EXPECT_FLOAT_EQ(board.snapshot().meanParkedHoursStatic, 0.0F);
}

} // namespace
} // namespace hlw
