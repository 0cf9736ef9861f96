#include "airports_fixture.h"

#include "core/log.h"
#include "refdata/project_key.h"
#include "seal_stream.h"


namespace hlw::test {

std::string airportsXml(const std::string& elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n<airports>\n" + elements + "</airports>\n</root>\n";
}

AirportsFolder::AirportsFolder()
{
    std::filesystem::create_directories(dir / "input");
    gf_startLog(dir / "Log.txt");
    gf_clearAirports();
}

AirportsFolder::~AirportsFolder()
{
    gf_clearAirports();
    gf_stopLog();
}

void AirportsFolder::seal(const std::string& plainBytes) const
{
    sealer::sealTextToFile(gf_projectKey(), plainBytes, sealedPath());
}

bool AirportsFolder::read(const std::string& xml) const
{
    seal(xml);
    return gf_readAirports();
}

std::string AirportsFolder::logText() const
{
    gf_logFlushNow();
    return readWholeFile(dir / "Log.txt");
}

AirportRecord airportAt(const std::string& icao, double lat, double lon)
{
    AirportRecord record;
    record.icao = AirportCode(icao);
    record.lat = lat;
    record.lon = lon;
    return record;
}

FakeStands::FakeStands()
{
    gf_installClosestStandPort(this);
}

FakeStands::~FakeStands()
{
    gf_installClosestStandPort(nullptr);
}

ClosestStand FakeStands::closestStand(const AirportCode& icao, const LatLon& /*position*/) const
{
    asked.push_back(icao.str());
    const auto hit = stands.find(icao.str());
    return hit != stands.end() ? hit->second : ClosestStand{};
}

} // namespace hlw::test
