#pragma once
// The traffic engine on a bench: its own aircraft lists with recording neighbours (simulator requests, the
// live-traffic link, parking with its static placements), a traffic queue on a fake clock, a flight-plan folder and the log in
// temporary folders, and reference tables that know the models A320 (Large), B77W (Heavy), C172 (Light) and EC35
// (Rotorcraft). The settings the engine reads are put back to their defaults at both ends.
#include "engine/live/traffic_engine.h"
#include "live_fixture.h"
#include "support/fake_steady_time.h"
#include "support/log_capture.h"
#include "support/straight_motion.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

class RecordingSimRequests final : public SimRequests {
public:
    bool requestAircraftInRange(uint32_t radiusMeters) override
    {
        inRange.push_back(radiusMeters);
        return true;
    }
    std::optional<UserAircraftFix> requestUserPosition() override
    {
        ++userRequests;
        return user;
    }
    bool requestStaticCg(uint32_t objectId) override
    {
        cgRequests.push_back(objectId);
        return true;
    }
    bool setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) override
    {
        spoilersThrottle.emplace_back(objectId, data);
        return true;
    }
    bool assignFlightPlan(uint32_t objectId, const std::string&) override
    {
        assignedPlans.push_back(objectId);
        return planAssigned;
    }

    std::optional<UserAircraftFix> user;
    bool planAssigned = true;
    int userRequests = 0;
    std::vector<uint32_t> inRange;
    std::vector<uint32_t> cgRequests;
    std::vector<std::pair<uint32_t, SpoilersThrottleData>> spoilersThrottle;
    std::vector<uint32_t> assignedPlans;
};

class CountingLink final : public LiveTrafficLink {
public:
    void sendUserPosition() override
    {
        ++userPositions;
        if (forwardTo != nullptr) {
            forwardTo->sendUserPosition();
        }
    }
    int userPositions = 0;
    // A real link that every counted position also goes to; none by default.
    LiveTrafficLink* forwardTo = nullptr;
};

class EngineFixture {
public:
    EngineFixture();
    ~EngineFixture();
    EngineFixture(const EngineFixture&) = delete;
    EngineFixture& operator=(const EngineFixture&) = delete;

    // An airborne record of hex id 0x4b0001 "TST1" (A320) at 47.0, 8.0, 5000 ft, 250 kt, track 0, at timestamp t.
    static TrafficRecord record(double timestamp);
    void queue(TrafficRecord record);
    void runTicks(int32_t count);
    // The commands queued for the simulator so far, taken out of the queues.
    QueuedCommands takeQueued();

    LogCapture log;
    // Where the engine writes flight plans; the log's folder unless a test moves it.
    std::filesystem::path planFolder = log.folder();
    SimCommandQueues commands;
    SimReplyQueue replies;
    RecordingSimRequests sim;
    CountingLink link;
    FakeSteadyTime time;
    TrafficQueue traffic{time};
    RecordingParking parking;
    StatusBoard status;
    StraightMotion motion;
    TrafficEngine engine;
    LiveEngineState& state;
};

} // namespace hlw::test
