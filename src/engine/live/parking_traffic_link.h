#pragma once
// The traffic engine's answer to what the parking code needs of it (parking/parking_traffic.h): the engine's live
// and static aircraft, static creations queued for the pacing of the engine tick, removals by the engine's rule,
// the traffic reader's heard callsigns, the user aircraft as the tick last requested it (or, before the tick's
// first request, as the simulator last reported it), the engine's weekday and
// half hour, and the park airport handed to the traffic readers. Worker thread only.
#include "engine/intake/traffic_queue.h"
#include "engine/intake/traffic_readers.h"
#include "engine/live/traffic_engine.h"
#include "parking/parking_traffic.h"

namespace hlw {

class EngineParkingTraffic final : public ParkingTraffic {
public:
    EngineParkingTraffic(TrafficEngine& engine, TrafficReaders& readers, TrafficQueue& traffic)
        : engine_(&engine), readers_(readers), traffic_(traffic)
    {
    }
    // For an owner that makes the engine after the parking service that calls this: attach() before the first call.
    EngineParkingTraffic(TrafficReaders& readers, TrafficQueue& traffic) : readers_(readers), traffic_(traffic) {}
    void attach(TrafficEngine& engine) noexcept { engine_ = &engine; }

    std::vector<LiveAircraft>& liveAircraft() override { return engine().state().live; }
    std::vector<StaticAircraft>& staticAircraft() override { return engine().state().statics; }
    void createStatic(StaticAircraft aircraft) override;
    void removeAircraft(StaticAircraft& aircraft) override;
    void removeAllStatic() override;
    void leaveStands() override;
    void collectCallsigns() override { readers_.collectCallsigns(); }
    std::unordered_set<std::string> takeHeardCallsigns() override { return traffic_.takeCallsigns(); }
    std::optional<UserAircraftState> userAircraft() const override;
    WeekdaySlot weekdaySlot() const override;
    void parkAirportChanged(std::optional<LatLon> position, double elevationFt) override;

private:
    // Throws std::logic_error before attach().
    TrafficEngine& engine() const;

    TrafficEngine* engine_ = nullptr;
    TrafficReaders& readers_;
    TrafficQueue& traffic_;
};

} // namespace hlw
