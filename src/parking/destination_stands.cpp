#include "parking/destination_stands.h"

#include "core/log.h"
#include "parking/apf_download.h"
#include "parking/apf_location.h"
#include "parking/apf_reader.h"
#include "refdata/remove_with_warning.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr const char* readDestName = "gf_readDestApfForClosestStand";

pugi::xml_node lf_parkpositions(const pugi::xml_document& document)
{
    const pugi::xml_node root = document.child("root");
    return (root ? root : document).child("parkpositions");
}

} // namespace

fs::path gf_destinationDownloadPath()
{
    return paths::airportsFolder / "airport.xml";
}

ClosestStand DestinationStands::closestStand(const AirportCode& icao, const LatLon& position) const
{
    std::lock_guard lock(mutex_);
    auto it = airports_.find(icao);
    if (it != airports_.end() && it->second.failed && time_.now() - it->second.failedAt >= failureMemory) {
        airports_.erase(it);
        it = airports_.end();
    }
    if (it == airports_.end()) {
        std::optional<Entry> entry = read(icao);
        if (!entry) {
            return {};
        }
        it = airports_.emplace(icao, std::move(*entry)).first;
    }
    ClosestStand closest;
    for (const Stand& stand : it->second.stands) {
        const double d = gf_distanceNm(position, stand.position);
        if (d < closest.distanceNm) {
            closest = {d, stand.id};
        }
    }
    return closest;
}

void DestinationStands::clear()
{
    std::lock_guard lock(mutex_);
    airports_.clear();
}

std::optional<DestinationStands::Entry> DestinationStands::read(const AirportCode& icao) const
{
    const std::string text = gf_findApf(icao);
    const std::optional<std::vector<std::string_view>> components = gf_apfTextComponents(text);
    if (!components) {
        return std::nullopt;
    }
    Entry failed{{}, true, time_.now()};
    fs::path path;
    std::optional<RemoveOnExit> downloaded;
    if (components->front() == paths::airportsFolder.generic_string()) {
        for (const std::string_view component : *components) {
            path /= component;
        }
    } else {
        path = gf_destinationDownloadPath();
        std::string relative;
        for (const std::string_view component : *components) {
            relative += relative.empty() ? "" : "/";
            relative += component;
        }
        if (!gf_downloadApf(relative, path, {}, downloadTimeLimit).empty()) {
            return failed;
        }
        downloaded.emplace(path);
    }
    try {
        pugi::xml_document document;
        if (const std::optional<std::string> problem = gf_loadApfDocument(path, document)) {
            gf_logAlert(fmt::format("{}: {}: {}", readDestName, path.generic_string(), *problem));
            return failed;
        }
        Entry entry;
        for (const pugi::xml_node parkpos : lf_parkpositions(document).children("parkpos")) {
            entry.stands.push_back({parkpos.attribute("id").value(),
                                    {parkpos.attribute("latitude").as_double(), parkpos.attribute("longitude").as_double()}});
        }
        return entry;
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{}: {}", readDestName, error.what()));
        return failed;
    }
}

} // namespace hlw
