#pragma once
// The motion of the live aircraft in the air and on the ground, with the stand steps of a ground aircraft: the
// engine's MotionSteps. The QNH that shifts the descent of an approach is read from the traffic readers.
#include "engine/intake/traffic_readers.h"
#include "engine/live/live_context.h"

namespace hlw {

class LiveMotion final : public MotionSteps {
public:
    explicit LiveMotion(const TrafficReaders& readers) : readers_(readers) {}

    void stepAirborne(LiveContext& context, LiveAircraft& aircraft) override;
    void stepGround(LiveContext& context, LiveAircraft& aircraft) override;
    void stepMotion(LiveContext& context, LiveAircraft& aircraft) override;
    void retimeGround(LiveContext& context, LiveAircraft& aircraft) override;
    void groundPathStep(LiveContext& context, LiveAircraft& aircraft) override;
    bool arriveAtStand(LiveContext& context, LiveAircraft& aircraft) override;
    SpawnStand chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft) override;
    void parkCreated(LiveContext& context, LiveAircraft& aircraft) override;
    void startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft) override;
    void setParkedConfig(LiveContext& context, StaticAircraft& aircraft) override;

private:
    const TrafficReaders& readers_;
};

} // namespace hlw
