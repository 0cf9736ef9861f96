#include "motion_fixture.h"

#include "engine/live/air_motion.h"
#include "engine/live/angles.h"
#include "engine/live/motion_step.h"
#include "records/category_performance.h"

namespace hlw::test {

void gf_setPerformance(FlightRecord& flight, AircraftCategory category)
{
    const CategoryPerformance& values = gf_categoryPerformance(category);
    flight.category = category;
    flight.takeOffPitchRad = values.takeOffPitchDeg * radPerDeg;
    flight.climbPitchRad = values.climbPitchDeg * radPerDeg;
    flight.normalTurnStepRad = values.normalTurnStepDeg * radPerDeg;
    flight.turnStepRad = flight.normalTurnStepRad;
    flight.climbLimitFtPerTick = values.climbLimitFtPerTick;
    flight.taxiSpeedKt = values.taxiSpeedKt;
    flight.flareTicks = values.flareTicks;
    flight.touchdownTicks = values.touchdownTicks;
    flight.takeOffRunTicks = values.takeOffRunTicks;
    flight.rotationTicks = values.rotationTicks;
    // Half wing spans of an A320, a B777 and the like.
    constexpr double halfSpansNm[] = {0.0030, 0.0050, 0.0097, 0.0175, 0.0050, 0.0040};
    flight.halfWingspanNm = halfSpansNm[static_cast<std::size_t>(category)];
    flight.staticCgHeightFt = 8.0;
    flight.staticPitchRad = 0.7 * radPerDeg;
}

LiveAircraft& MotionFixture::active(AircraftCategory category, MovementPhase phase, std::vector<PositionRecord> stream)
{
    LiveAircraft aircraft = gf_makeLive(category, phase, std::move(stream));
    gf_setPerformance(aircraft.flight, category);
    return addActive(std::move(aircraft));
}

void MotionFixture::step(LiveAircraft& aircraft, int32_t ticks)
{
    for (int32_t i = 0; i < ticks; ++i) {
        gf_stepMotion(live, aircraft);
        ++state.tick;
    }
}

} // namespace hlw::test
