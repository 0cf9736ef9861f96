#include "parking_fixture.h"

#include "core/log.h"
#include "refdata/airports_database.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;

DbaseRecord lf_record(const char* registration, const char* airline, const char* model, bool cargo)
{
    return {registration, {gf_airlineIndex(airline), 0, gf_modelIndex(model), static_cast<uint8_t>(cargo), 1}};
}

void lf_installReferenceData()
{
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
    ReferenceTables tables;
    tables.records = {lf_record("D-AINA", "DLH", "A20N", false), lf_record("N700FX", "FDX", "B77F", true),
                      lf_record("PH-BXA", "KLM", "B738", false)};
    std::ranges::sort(tables.records, {}, &DbaseRecord::registration);
    tables.publisherGroups = {{"Northwind Scenery", "Northwind", "NWS"}, {"Blue Delta Design", "BlueDelta"}};
    gf_installReferenceTables(std::move(tables));
    AirportRecord eham{AirportCode("EHAM"), gf_noIataCode(), 52.3086, 4.7639, -11.0F, 208};
    AirportRecord ehrd{AirportCode("EHRD"), gf_noIataCode(), 51.9569, 4.4372, -15.0F, 0};
    gf_installAirports({eham, ehrd});
}

} // namespace

ParkingFolder::ParkingFolder()
{
    gf_startLog(dir / "Log.txt");
    gf_overrideDataFolderPath(dir / "user");
    fs::create_directories(dir / "user");
    lf_installReferenceData();
    resetAirportSettings();
}

ParkingFolder::~ParkingFolder()
{
    resetAirportSettings();
    gf_clearAirports();
    gf_clearReferenceTables();
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
    gf_overrideDataFolderPath(std::nullopt);
    gf_stopLog();
}

std::string ParkingFolder::logText() const
{
    gf_logFlushNow();
    return readWholeFile(dir / "Log.txt");
}

void ParkingFolder::write(const fs::path& relative, const std::string& bytes) const
{
    const fs::path path = dir / relative;
    fs::create_directories(path.parent_path());
    writeWholeFile(path, bytes);
}

StopOnceWritten::StopOnceWritten(fs::path file, bool msfs2020) : file_(std::move(file)), msfs2020_(msfs2020)
{
    gf_installRunStatePort(this);
}

StopOnceWritten::~StopOnceWritten()
{
    gf_installRunStatePort(nullptr);
}

bool StopOnceWritten::stopRequested() const noexcept
{
    std::error_code error;
    return fs::exists(file_, error);
}

void resetAirportSettings()
{
    for (IntParameter* setting :
         {static_cast<IntParameter*>(&settings::maxLiveSel), &settings::maxFit,
          static_cast<IntParameter*>(&settings::range), static_cast<IntParameter*>(&settings::parkingPercentage)}) {
        setting->set(setting->defaultValue());
    }
    for (BoolParameter* setting :
         {&settings::autoRange, &settings::initialLoadOnly, &settings::parkSoft, &settings::week}) {
        setting->set(setting->defaultValue());
    }
    gf_syncMaxFit();
}

std::string withoutDate(std::string text)
{
    constexpr std::string_view marker = R"(name="date" value=")";
    const auto start = text.find(marker);
    if (start != std::string::npos) {
        const auto valueStart = start + marker.size();
        text.replace(valueStart, text.find('"', valueStart) - valueStart, "DATE");
    }
    return text;
}

std::string apfText(const std::string& parkpositions, const std::string& parameters, const std::string& version)
{
    return fmt::format(R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <meta>
    <info name="author" value="Hollowmere" />
    <info name="version" value="{}" />
    <info name="copyright" value="Copyright" />
    <info name="sim" value="1" />
  </meta>
  <parameters>{}</parameters>
  <parkpositions>{}</parkpositions>
</root>
)",
                       version, parameters, parkpositions);
}

std::vector<std::string> describeStands(const std::vector<StandRecord>& stands, bool withOrigin)
{
    std::vector<std::string> lines;
    for (const StandRecord& s : stands) {
        lines.push_back(fmt::format("{} {:.6f} {:.6f} h{:.1f} r{:.1f} t{} c{} r{} h{} m{} rc{} cc{}", s.id, s.latitude,
                                    s.longitude, s.heading * 57.29577951308232, s.radius * 1852.0, s.parkingType,
                                    s.cargo, s.ramp, s.heli, s.manual, s.radiusChange, s.cargoChange));
        for (const StandOption& o : s.options) {
            lines.push_back(fmt::format("  #{} {} {}/{}/{}/{}/{} '{}' '{}' d{} {} real{} cpl{} file{}", o.number,
                                        o.registration, gf_airlineText(o.codes.airline), o.codes.secondAirline,
                                        gf_modelText(o.codes.model), o.codes.cargo, o.codes.valid, o.callsign,
                                        o.secondCallsign, o.weekday, o.slots.to_string(), int(o.real), int(o.coupled),
                                        int(withOrigin && o.fromAirportFile)));
        }
    }
    return lines;
}

} // namespace hlw::test
