#pragma once
// The parking service's neighbours on a bench: an engine that keeps its live and static aircraft in plain vectors
// and records what parking asks of it, and builders of stands and options at exact distances.
#include "parking/parking_traffic.h"
#include "records/stand_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace hlw::test {

class FakeParkingTraffic final : public ParkingTraffic {
  public:
    std::vector<LiveAircraft>& liveAircraft() override { return live; }
    std::vector<StaticAircraft>& staticAircraft() override { return statics; }
    // Appended in "adding2sim"; the creation is counted.
    void createStatic(StaticAircraft aircraft) override;
    // An active aircraft goes to "removingfromsim", one being added is withdrawn (erased by removeAllStatic).
    void removeAircraft(StaticAircraft& aircraft) override;
    void removeAllStatic() override;
    // Every live aircraft on the ground loses its stand and is removed.
    void leaveStands() override;
    void collectCallsigns() override;
    std::unordered_set<std::string> takeHeardCallsigns() override;
    std::optional<UserAircraftState> userAircraft() const override { return user; }
    WeekdaySlot weekdaySlot() const override { return now; }
    void parkAirportChanged(std::optional<LatLon> position, double elevationFt) override;

    std::vector<LiveAircraft> live;
    std::vector<StaticAircraft> statics;
    std::optional<UserAircraftState> user;
    WeekdaySlot now{1, 20};
    std::unordered_set<std::string> heard;
    bool collecting = false;
    int creations = 0;
    std::vector<std::string> removed; // callsigns, in order
    std::optional<LatLon> parkAirport;
    double parkAirportElevationFt = 0.0;
};

// The point the distance in metres north (bearing 0) or along the bearing in degrees from the origin.
LatLon gf_metresFrom(const LatLon& origin, double metres, double bearingDeg = 0.0);

// A stand of the radius in metres at the position, numbered, with no options.
StandRecord gf_stand(const std::string& id, const LatLon& at, double radiusMetres, int32_t parkingType = 0,
                     bool heli = false);

// A real option of the registration, airline and model (interned) on the weekday with the slots.
StandOption gf_option(const std::string& registration, const std::string& airline, const std::string& model,
                      int32_t weekday, SlotSet slots, const std::string& callsign,
                      const std::string& secondCallsign = "");

// A live aircraft of the model (interned) with the callsign, parked and active at the stand.
LiveAircraft gf_parkedLive(const std::string& callsign, const std::string& model, const StandRecord& stand,
                           uint32_t objectId);
// A static aircraft of the model at the stand in the state.
StaticAircraft gf_staticAt(const std::string& callsign, const std::string& model, const StandRecord& stand,
                           SimObjectState state, uint32_t hexId);

// Builds the livery tables from a "LiveriesScanned.xml" of the given <l .../> lines in "output" of the current
// folder; the tables are emptied when the object goes.
class InstalledLiveries {
  public:
    explicit InstalledLiveries(const std::string& liveryLines);
    ~InstalledLiveries();
    InstalledLiveries(const InstalledLiveries&) = delete;
    InstalledLiveries& operator=(const InstalledLiveries&) = delete;
};

} // namespace hlw::test
