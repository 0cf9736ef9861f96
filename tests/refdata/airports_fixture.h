#pragma once
// Airports databases for tests: "airports.xml" texts sealed into a temporary program folder with the log open
// in it, and tables installed directly. The database starts empty and is emptied again at the end.
#include "refdata/airports_database.h"
#include "refdata/closest_stand_port.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace hlw::test {

// "<root><airports>" + the elements + "</airports></root>".
std::string airportsXml(const std::string& elements);

class AirportsFolder {
public:
    AirportsFolder();
    ~AirportsFolder();
    AirportsFolder(const AirportsFolder&) = delete;
    AirportsFolder& operator=(const AirportsFolder&) = delete;

    void seal(const std::string& plainBytes) const;
    // Seals the text and reads it with gf_readAirports().
    bool read(const std::string& xml) const;
    std::string logText() const;

    std::filesystem::path sealedPath() const { return dir / "input" / "airports.enc"; }
    std::filesystem::path plainPath() const { return dir / "input" / "airports.xml"; }

    TempDir dir;

private:
    ScopedCurrentPath current_{dir.path()};
};

// An airport record at a position, with no IATA code and no stands.
AirportRecord airportAt(const std::string& icao, double lat, double lon);

// Stand answers by airport code; airports it does not name get the "no stand" answer. Remembers the order of
// the questions. Installed for its lifetime.
class FakeStands final : public ClosestStandPort {
public:
    FakeStands();
    ~FakeStands() override;
    FakeStands(const FakeStands&) = delete;
    FakeStands& operator=(const FakeStands&) = delete;

    ClosestStand closestStand(const AirportCode& icao, const LatLon& position) const override;

    std::map<std::string, ClosestStand> stands;
    mutable std::vector<std::string> asked;
};

} // namespace hlw::test
