#pragma once
// What the engine asks of the park-airport side. The engine calls this port; the parking code implements it. The
// defaults have no park airport and no stand, and every step they are asked for does nothing and succeeds.
#include <cstdint>
#include <optional>
#include <string>

namespace hlw {

class ParkingPort {
  public:
    virtual ~ParkingPort() = default;

    // Start-up: reads "my_park_airports.txt"; false when it could not be read.
    virtual bool readParkAirportList() { return true; }
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
    // The user aircraft stands on this stand: it becomes the reserved stand of the park airport when that airport
    // heads the park-airport list, and the list is written again.
    virtual void reserveStandForUser(const std::string& stand) { static_cast<void>(stand); }

    virtual bool parkAirportActive() const { return false; }
    virtual bool hasStands() const { return false; }
    virtual bool fileLoaded() const { return false; }
    // A static-parking calculation runs.
    virtual bool staticParkingBusy() const { return false; }
    // The park positions still to place while static parking is busy.
    virtual int32_t positionsToPlace() const { return 0; }

    // First half of a parking adjustment: parking controls disabled, static parking marked busy.
    virtual void beginAdjustment() {}
    // Second half: the adjustments of the active park airport.
    virtual void runAdjustments() {}
    // Starts the refresh of the static aircraft that the 20-minute countdown asks for.
    virtual void startStaticRefresh() {}
    // Leaves the park airport: its static aircraft removed, its learned file saved.
    virtual void leaveParkAirport() {}
    // Traffic start with "SCAN_AIRPORTS" on: the add-on airports scan.
    virtual void scanAddonAirports() {}
};

} // namespace hlw
