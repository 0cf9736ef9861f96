#include "engine/live/live_motion.h"

#include "engine/live/air_motion.h"
#include "engine/live/ground_motion.h"
#include "engine/live/motion_step.h"
#include "engine/live/stand_parking.h"

namespace hlw {

void LiveMotion::stepAirborne(LiveContext& context, LiveAircraft& aircraft)
{
    gf_stepAirborne(context, aircraft, readers_.qnh());
}

void LiveMotion::stepGround(LiveContext& context, LiveAircraft& aircraft) { gf_stepGround(context, aircraft); }

void LiveMotion::stepMotion(LiveContext& context, LiveAircraft& aircraft) { gf_stepMotion(context, aircraft); }

void LiveMotion::retimeGround(LiveContext& context, LiveAircraft& aircraft) { gf_nextPosGround(context, aircraft); }

void LiveMotion::groundPathStep(LiveContext& context, LiveAircraft& aircraft)
{
    gf_groundPathStep(context, aircraft);
}

bool LiveMotion::arriveAtStand(LiveContext& context, LiveAircraft& aircraft)
{
    return gf_arriveAtStand(context, aircraft);
}

SpawnStand LiveMotion::chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft)
{
    return gf_chooseSpawnStand(context, aircraft);
}

void LiveMotion::parkCreated(LiveContext& context, LiveAircraft& aircraft) { gf_parkAc(context, aircraft); }

void LiveMotion::startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft)
{
    gf_startTakeOffRoll(context, aircraft);
}

void LiveMotion::setParkedConfig(LiveContext& context, StaticAircraft& aircraft)
{
    gf_setParkedConfig(context, aircraft);
}

} // namespace hlw
