#include "parking/apf_load.h"

#include "core/log.h"
#include "core/user_error.h"
#include "parking/apf_download.h"
#include "parking/apf_location.h"
#include "parking/apf_reader.h"
#include "parking/damaged_learned.h"
#include "parking/quality_factors.h"
#include "parking/stand_index.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/xml_attributes.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr const char* readApfName = "gf_readApf";
constexpr int32_t fullFitHalfHours = 47;

// The local file a text beginning with the folder "airports" names; none for an archived file's text.
std::optional<fs::path> lf_localPath(const std::vector<std::string_view>& components)
{
    if (components.front() != paths::airportsFolder.generic_string()) {
        return std::nullopt;
    }
    fs::path path;
    for (const std::string_view component : components) {
        path /= component;
    }
    return path;
}

std::string lf_urlPath(const std::vector<std::string_view>& components)
{
    std::string text;
    for (const std::string_view component : components) {
        text += text.empty() ? "" : "/";
        text += component;
    }
    return text;
}

// Anything at the path, also what cannot be read as a file (a folder, a link that leads nowhere, a name whose
// status cannot be learned): only where surely nothing is does a visit start without a learned file.
bool lf_anythingAt(const fs::path& path)
{
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

void lf_setCheckBox(BoolCheckBoxParameter& setting, bool value)
{
    setting.set(value);
    setting.showCheck();
}

// What applies when the airport has no learned file: soft and other-weekday use for an airport that knows little
// real use, none for one that knows much; the share of stands to fill by the airport's size.
void lf_applyFirstVisitDefaults(const ParkAirport& park)
{
    gf_log("learned does not exist");
    const QualityPair quality = park.state.quality;
    if (quality.real < 3 && quality.soft >= 1) {
        lf_setCheckBox(settings::parkSoft, true);
        lf_setCheckBox(settings::week, true);
        settings::maxFit.set(fullFitHalfHours);
        gf_syncMaxFit();
    } else if (quality.real > 45) {
        lf_setCheckBox(settings::parkSoft, false);
        lf_setCheckBox(settings::week, false);
    }
    const AirportRecord* record = gf_findAirport(park.airport->icao);
    const int32_t databaseStands = record != nullptr ? record->stands : 0;
    const int32_t percentage = databaseStands == 1 ? 100 : databaseStands == 2 ? 50 : 30;
    settings::parkingPercentage.setClamped(percentage);
    gf_logContinuation(fmt::format("{:24}: {}%", settings::parkingPercentage.key(), percentage));
    settings::parkingPercentage.showSelection();
    gf_enableControl(settings::parkingPercentage);
}

void lf_readHeader(const pugi::xml_document& document, ApfHeader& header)
{
    header.trafficWeek = gf_readIntParameter(document, "RT_traffic_week").value_or(0);
    header.publisher = gf_readStringParameter(document, "publisher").value_or(std::string());
    header.version = gf_readStringParameter(document, "version").value_or(std::string());
    header.facilities = gf_readBoolParameter(document, "Facilities");
    const std::optional<int32_t> altitude = gf_readIntParameter(document, "altitude");
    if (!altitude) {
        throw UserErrorException(missingParameterErrorCode, fmt::format("Parameter {} not found", "altitude"));
    }
    header.altitude = *altitude;
    header.airportName = gf_readStringParameter(document, "airport_name").value_or(std::string());
}

void lf_readLearnedFile(ParkAirport& park)
{
    if (park.learnedPath.empty()) {
        gf_log(fmt::format("no learned file belongs to '{}' (publisher '{}'): nothing is learned for it",
                           park.airport->icao.str(), park.header.publisher));
        lf_applyFirstVisitDefaults(park);
        return;
    }
    if (!lf_anythingAt(park.learnedPath)) {
        lf_applyFirstVisitDefaults(park);
        return;
    }
    if (gf_learnedFileDamaged(gf_readLearned(park.learnedPath, park.header.airportName, park.state))) {
        gf_keepDamagedLearnedFile(park.learnedPath, park.state);
    }
    park.state.quality = gf_qualityFactors(park.state.stands);
    if (park.state.handmade) {
        gf_log("A handmade airport file overruled the archived file!");
    }
}

void lf_logRead(const ParkAirport& park, const std::string& fileRead)
{
    const ApfHeader& header = park.header;
    gf_log(fmt::format("Airport file read from '{}' for {}", fileRead, gf_airportText(*park.airport)));
    gf_logContinuation(fmt::format("{:24}: {}", "publisher", header.publisher));
    gf_logContinuation(fmt::format("{:24}: {}", "version", header.version));
    gf_logContinuation(fmt::format("{:24}: {} ft", "altitude", header.altitude));
    gf_logContinuation(fmt::format("{:24}: {}", "num_parkpos", park.state.stands.size()));
    if (header.facilities) {
        gf_logContinuation(fmt::format("{:24}: {}", "Facilities", *header.facilities));
    }
    gf_logContinuation(fmt::format("{:24}: {}", "quality factor", gf_qualityFactorText(park.state.quality)));
    gf_logContinuation(fmt::format("{:24}: {}", "RT traffic week", header.trafficWeek));
}

// Steps 3 to the end of a load of the document's file; throws on a missing "altitude" or a bad stand id.
std::string lf_load(std::string_view fileText, const fs::path& path, ParkAirport& park, StatusBoard& status)
{
    pugi::xml_document document;
    if (const std::optional<std::string> problem = gf_loadApfDocument(path, document)) {
        return fmt::format("{}: could not load file: {}", path.generic_string(), *problem);
    }
    if (!gf_readXmlMeta(document, true)) {
        return fmt::format("{}: refused to load", path.generic_string());
    }
    lf_readHeader(document, park.header);
    gf_readParkpositions(document, park.state.stands, true);
    const std::optional<int32_t> qfReal = gf_readIntParameter(document, "Qf_real");
    const std::optional<int32_t> qfSoft = gf_readIntParameter(document, "Qf_soft");
    if (qfReal && qfSoft) {
        park.state.quality = {*qfReal, *qfSoft};
    }
    // The airport file's tree is not needed any more; let go of it before the learned file takes its own.
    document.reset();
    park.keptSettings = OverriddenSettings::current();
    park.learnedPath = gf_learnedApfPath(fileText, park.header.publisher);
    lf_readLearnedFile(park);
    std::vector<StandRecord>& stands = park.state.stands;
    const fs::path& standsFile = park.state.handmade ? park.learnedPath : path;
    if (!gf_indexStands(stands)) {
        return fmt::format("{}: refused to load: its {} stands overlap too much (more than {} pairs of them lie "
                           "within each other's reach)",
                           standsFile.generic_string(), stands.size(), maxNearStandPairs);
    }
    const auto count = static_cast<int32_t>(stands.size());
    lf_logRead(park, standsFile.generic_string());
    status.update([&](StatusValues& values) {
        values.standCount = count;
        values.airportInfoText = park.header.publisher;
        values.handmade = park.state.handmade;
        values.weekValue = park.header.trafficWeek;
        values.qualityText = gf_qualityFactorText(park.state.quality);
    });
    return stands.empty() ? std::string("no stands found") : std::string();
}

} // namespace

fs::path gf_parkAirportDownloadPath()
{
    return paths::airportsFolder / "park_airport.xml";
}

std::optional<std::string> gf_archivedApfPath(std::string_view fileText)
{
    const std::optional<std::vector<std::string_view>> components = gf_apfTextComponents(fileText);
    if (!components || lf_localPath(*components)) {
        return std::nullopt;
    }
    return lf_urlPath(*components);
}

std::string gf_readApf(std::string_view fileText, ParkAirport& park, StatusBoard& status,
                       const std::optional<std::string>& downloaded)
{
    park.apfLoaded.store(false);
    park.state.reset();
    park.header = {};
    park.learnedPath.clear();
    park.keptSettings.reset();
    if (fileText.empty()) {
        return fmt::format("{}: xml is empty", readApfName);
    }
    if (!park.airport) {
        return fmt::format("{}: no park airport set", readApfName);
    }
    const std::optional<std::vector<std::string_view>> components = gf_apfTextComponents(fileText);
    if (!components) {
        return fmt::format("{}: '{}' names no file inside the program folder", readApfName, fileText);
    }
    fs::path path;
    if (const std::optional<fs::path> local = lf_localPath(*components)) {
        path = *local;
    } else {
        path = gf_parkAirportDownloadPath();
        if (std::string failure = downloaded ? *downloaded : gf_downloadApf(lf_urlPath(*components), path);
            !failure.empty()) {
            return failure;
        }
    }
    std::string result;
    try {
        result = lf_load(fileText, path, park, status);
    } catch (const std::exception& error) {
        result = fmt::format("{}: {}", readApfName, error.what());
    }
    if (!result.empty()) {
        if (park.keptSettings) {
            gf_restoreApfOverriddenSettings(*park.keptSettings);
            park.keptSettings.reset();
        }
        return result;
    }
    park.apfLoaded.store(true);
    return {};
}

} // namespace hlw
