#pragma once
// A plain motion for tests of the position stream and the engine without the program's air and ground motion:
// every leg is a straight line at constant rates toward the next position, heading along the bearing to it, wings
// and nose level; on the ground the same, and no stands.
#include "engine/live/live_context.h"

namespace hlw {

class StraightMotion final : public MotionSteps {
public:
    void stepAirborne(LiveContext& context, LiveAircraft& aircraft) override;
    void stepGround(LiveContext& context, LiveAircraft& aircraft) override;
    void stepMotion(LiveContext& context, LiveAircraft& aircraft) override;
    void retimeGround(LiveContext& context, LiveAircraft& aircraft) override;
    void groundPathStep(LiveContext& context, LiveAircraft& aircraft) override;
    // Without stand bookkeeping the aircraft taxis on.
    bool arriveAtStand(LiveContext& context, LiveAircraft& aircraft) override;
    SpawnStand chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft) override;
    // Ground mode, gear down, no climb.
    void parkCreated(LiveContext& context, LiveAircraft& aircraft) override;
    void startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft) override;
};

} // namespace hlw
