#pragma once
// What the engine asks of the park-airport side. The engine calls this port; the parking code implements it. The
// defaults have no park airport and no stand, and every step they are asked for does nothing and succeeds.
#include "core/geodesy.h"
#include "parking/park_airport_list.h"
#include "records/aircraft_records.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hlw {

struct StandRecord;

// Why a live aircraft's use of a stand is learned.
enum class StandUseReason : int32_t { arrived = 0, createdOnStand = 1, left = 2, goneUnseen = 3 };

class ParkingPort {
  public:
    virtual ~ParkingPort() = default;

    // Start-up: reads "my_park_airports.txt"; false when it could not be read.
    virtual bool readParkAirportList() { return true; }
    // Empties the park-airport list (the run reset, and before the list is read).
    virtual void clearParkAirportList() {}
    // Worker: the destination airport goes first in the park-airport list; a new one is written to the file. The
    // window's destination command posts it as a request (WorkerRequests) that the per-second step hands on here.
    virtual void addParkAirport(const AirportCode& code, const LatLon& position)
    {
        static_cast<void>(code);
        static_cast<void>(position);
    }
    // Any thread: a copy of the first entry of the park-airport list (the destination when one is set, else the
    // nearest airport), for the automatic range; none while the list is empty.
    virtual std::optional<ParkAirportEntry> firstParkAirport() const { return std::nullopt; }
    // The park-airport driver; the first call of a run loads without waiting for the user to settle.
    virtual void driveParkAirport(bool firstCall) { static_cast<void>(firstCall); }
    // The "Re-read" check of the reserved stands: the text for the message line, or none.
    virtual std::optional<std::string> checkReservedStands() { return std::nullopt; }
    // The park airport's stand reserved for the user, when one is set.
    virtual std::optional<std::string> reservedStand() const { return std::nullopt; }
    // The name of the park airport's stand nearest to the position (degrees); empty when there is none.
    virtual std::string nearestStandName(double latDeg, double lonDeg) const
    {
        static_cast<void>(latDeg);
        static_cast<void>(lonDeg);
        return {};
    }
    // The name of the park airport's stand with the number; empty for none.
    virtual std::string standName(int32_t standNumber) const
    {
        static_cast<void>(standNumber);
        return {};
    }
    // The park airport's stand with the number; none for a number of 0 or less or one not in the table. The
    // pointer is valid until the stand table changes (a load or the leaving of the park airport).
    virtual const StandRecord* standByNumber(int32_t standNumber) const
    {
        static_cast<void>(standNumber);
        return nullptr;
    }
    // The stand at which an aircraft on the ground at the position stands: the nearest one within maxDistanceNm
    // that suits its category and half wing span (a helipad only for a rotorcraft and a rotorcraft only on a
    // helipad); with nearSearch also one within 85 m that real traffic of the same callsign or codes used. A tight
    // stand that is taken anyway is widened to the aircraft. None when nothing fits. Valid as standByNumber.
    virtual const StandRecord* findStandNear(const LatLon& position, const FlightRecord& aircraft, double maxDistanceNm,
                                             bool nearSearch)
    {
        static_cast<void>(position);
        static_cast<void>(aircraft);
        static_cast<void>(maxDistanceNm);
        static_cast<void>(nearSearch);
        return nullptr;
    }
    // A passenger aircraft parked on the stand: a cargo flag it has is cleared and learned as a change.
    virtual void clearStandCargo(int32_t standNumber) { static_cast<void>(standNumber); }
    // The stand is no longer among the selected park positions still to place (a live aircraft parks on it).
    virtual void unselectStand(int32_t standNumber) { static_cast<void>(standNumber); }
    // The engine's 500 ms mark with no live creation waiting: the next selected park position becomes a static
    // aircraft; nothing when none is selected.
    virtual void placeNextStatic() {}
    // Keeps the parked live and static aircraft within the park airport's max-park number; oneMoreLive counts a
    // live aircraft that is about to park.
    virtual void checkMaxPark(bool oneMoreLive) { static_cast<void>(oneMoreLive); }
    // Marks the stand with the number as taken or free; a number of 0 or less is no stand.
    virtual void setStandOccupied(int32_t standNumber, bool occupied)
    {
        static_cast<void>(standNumber);
        static_cast<void>(occupied);
    }
    // Learns a use of the live aircraft's stand seen in the traffic; the aircraft takes its registration's codes.
    virtual void addRealStandOption(LiveAircraft& aircraft, StandUseReason reason)
    {
        static_cast<void>(aircraft);
        static_cast<void>(reason);
    }
    // The arrivals step, once per aircraft (its slots-marked flag): the arriving live aircraft takes the two coupled
    // callsigns of the learned use of its callsign.
    virtual void markUsedSlots(LiveAircraft& aircraft) { static_cast<void>(aircraft); }
    // The 60-second task: the learned file is saved when it has changes and its last save is 5 minutes old.
    virtual void saveCheckpoint() {}
    // The user aircraft stands on this stand: it becomes the reserved stand of the park airport when that airport
    // heads the park-airport list, and the list is written again.
    virtual void reserveStandForUser(const std::string& stand) { static_cast<void>(stand); }

    virtual bool parkAirportActive() const { return false; }
    // The active park airport's position; none while no park airport is active.
    virtual std::optional<LatLon> parkAirportPosition() const { return std::nullopt; }
    // The active park airport's elevation in feet; 0 while none is active.
    virtual double parkAirportElevationFt() const { return 0.0; }
    virtual bool hasStands() const { return false; }
    // The park airport's file was loaded (its stands are known).
    virtual bool fileLoaded() const { return false; }
    // A static-parking calculation runs.
    virtual bool staticParkingBusy() const { return false; }
    // The park positions still to place while static parking is busy.
    virtual int32_t positionsToPlace() const { return 0; }

    // First half of a parking adjustment: parking controls disabled, static parking marked busy.
    virtual void beginAdjustment() {}
    // Second half: the adjustments of the active park airport.
    virtual void runAdjustments() {}
    // The 20-minute countdown ran out and a parking adjustment is requested: the parking controls go off.
    virtual void startStaticRefresh() {}
    // Leaves the park airport: its static aircraft removed, its learned file saved.
    virtual void leaveParkAirport() {}
};

} // namespace hlw
