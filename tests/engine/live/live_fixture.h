#pragma once
// The live-aircraft code on a bench: a fresh engine state with recording neighbours (parking port, services), the
// plain straight motion, command queues and a fake steady clock, the log in a temporary folder, and builders of
// positions and aircraft. The settings the live code reads are put back to their defaults at the end.
#include "engine/live/live_context.h"
#include "support/fake_steady_time.h"
#include "support/log_capture.h"
#include "support/straight_motion.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

// A park airport with stands by number; records the occupancy changes, the learned stand uses and the static
// placements asked for.
class RecordingParking final : public ParkingPort {
public:
    bool parkAirportActive() const override { return airport.has_value(); }
    std::optional<LatLon> parkAirportPosition() const override { return airport; }
    double parkAirportElevationFt() const override { return airport ? elevationFt : 0.0; }
    std::string standName(int32_t standNumber) const override { return "S" + std::to_string(standNumber); }
    void clearParkAirportList() override { ++parkListClears; }
    void setStandOccupied(int32_t standNumber, bool occupied) override
    {
        occupancy.emplace_back(standNumber, occupied);
    }
    void addRealStandOption(LiveAircraft& aircraft, StandUseReason reason) override
    {
        standUses.emplace_back(aircraft.standNumber, reason);
    }
    void placeNextStatic() override { ++staticPlacements; }

    std::optional<LatLon> airport;
    double elevationFt = 0.0;
    std::vector<std::pair<int32_t, bool>> occupancy;
    std::vector<std::pair<int32_t, StandUseReason>> standUses;
    int staticPlacements = 0;
    int parkListClears = 0;
};

class RecordingServices final : public LiveServices {
public:
    bool makeRoomFor(double distanceNm) override
    {
        roomRequests.push_back(distanceNm);
        return roomMade;
    }
    bool createFlightPlan(uint32_t objectId, const FlightRecord&) override
    {
        plans.push_back(objectId);
        return true;
    }
    void deleteFlightPlan(uint32_t objectId) override { deletedPlans.push_back(objectId); }
    void requestStaticCg(uint32_t objectId) override { cgRequests.push_back(objectId); }
    bool aheadOfAirborneUser(const LiveAircraft&) override { return aheadOfUser; }
    void resetCallsignList() override { ++callsignListResets; }
    void setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) override
    {
        spoilerData.emplace_back(objectId, data);
    }
    void chooseLivery(FlightRecord& flight) override
    {
        ++liveryChoices;
        flight.title = livery;
    }

    bool roomMade = false;
    bool aheadOfUser = false;
    std::string_view livery = "Airbus A320 Test";
    int liveryChoices = 0;
    int callsignListResets = 0;
    std::vector<double> roomRequests;
    std::vector<uint32_t> plans;
    std::vector<uint32_t> deletedPlans;
    std::vector<uint32_t> cgRequests;
    std::vector<std::pair<uint32_t, SpoilersThrottleData>> spoilerData;
};

// The settings the live code reads back to their defaults; no refused titles or liveries.
void gf_restoreLiveSettings();

// Positions: latitude, longitude, altitude (0 on the ground), ground speed, due tick; track and vertical speed 0.
PositionRecord gf_air(double lat, double lon, double altitudeFt, double groundSpeedKt, int32_t dueTick);
PositionRecord gf_ground(double lat, double lon, double groundSpeedKt, int32_t dueTick);

// A live aircraft of the category in the phase with the stream, at the stream's first position, in "buffer"
// (hex id 0x4b0001, callsign "TST1", registration "HB-TST", half span 0.0185 nm, codes interned).
LiveAircraft gf_makeLive(AircraftCategory category, MovementPhase phase, std::vector<PositionRecord> stream);

class LiveFixture {
public:
    LiveFixture();
    ~LiveFixture();
    LiveFixture(const LiveFixture&) = delete;
    LiveFixture& operator=(const LiveFixture&) = delete;

    // Appends the aircraft to the live vector and returns it (valid until the vector changes).
    LiveAircraft& add(LiveAircraft aircraft);
    // The same, active with an object id (500 + its index), placed at its front position.
    LiveAircraft& addActive(LiveAircraft aircraft);
    // The client events queued so far, taken out of the queue.
    std::vector<ClientEventRequest> takeEvents();
    // The user aircraft at the position.
    void setUser(double lat, double lon, bool onGround, double groundSpeedKt = 0.0);

    LogCapture log;
    LiveEngineState state;
    SimCommandQueues commands;
    RecordingParking parking;
    RecordingServices services;
    StraightMotion straight;
    FakeSteadyTime time;
    LiveContext context{state, commands, parking, services, straight, time};
};

} // namespace hlw::test
