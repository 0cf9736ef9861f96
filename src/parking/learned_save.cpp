#include "parking/learned_save.h"

#include "core/atomic_file.h"
#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/run_state_port.h"
#include "core/time_text.h"
#include "parking/apf_writer.h"
#include "parking/file_generation.h"
#include "parking/learned_fit.h"
#include "parking/quality_factors.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {
namespace {

// The stands the learned file holds: for a handmade file all of them; otherwise those made by hand, changed, or
// with learned options, each with its learned options only.
std::vector<StandRecord> lf_standsToWrite(const ParkAirportState& state)
{
    if (state.handmade) {
        return state.stands;
    }
    std::vector<StandRecord> stands;
    for (const StandRecord& stand : state.stands) {
        const bool learned = std::ranges::any_of(
            stand.options, [](const StandOption& option) { return option.number != 0 && !option.fromAirportFile; });
        if (!learned && !stand.manual && !stand.radiusChange && !stand.cargoChange) {
            continue;
        }
        StandRecord& copy = stands.emplace_back(stand);
        std::erase_if(copy.options,
                      [](const StandOption& option) { return option.number == 0 || option.fromAirportFile; });
    }
    return stands;
}

ApfData lf_header(const ParkAirport& park)
{
    ApfData data;
    data.icao = park.airport->icao;
    data.airportName = park.header.airportName;
    data.publisher = park.header.publisher;
    data.facilities = park.header.facilities.value_or(false);
    data.altitude = park.header.altitude;
    if (park.state.handmade) {
        const QualityPair quality = gf_qualityFactors(park.state.stands);
        data.qfReal = quality.real;
        data.qfSoft = quality.soft;
    }
    return data;
}

// Once a visit, in the log and on the message line.
void lf_sayFull(ParkAirport& park, const std::string& text)
{
    if (park.learnedFullSaid) {
        return;
    }
    park.learnedFullSaid = true;
    gf_logAlert(text);
    gf_setMessage(text, false);
}

bool lf_write(ParkAirport& park)
{
    const std::filesystem::path& path = park.learnedPath;
    gf_removeOrphanTemporaryFiles(path.parent_path());
    const ApfData data = lf_header(park);
    const std::vector<StandRecord> stands = lf_standsToWrite(park.state);
    ApfWriteOptions options = gf_learnedWriteOptions(park.state, gf_runState().simCode());
    std::vector<pugi::xml_node> newlyLearned;
    options.newlyLearned = &newlyLearned;
    pugi::xml_document document;
    if (!gf_buildApfDocument(data, stands, options, document)) {
        return false;
    }
    const FittedLearnedFile fitted = gf_fitLearnedFile(document, newlyLearned, path);
    if (!fitted.text) {
        lf_sayFull(park, fmt::format("Learned file {} is not saved: even without the stand use learned in this "
                                     "visit it would hold more than the program reads",
                                     path.generic_string()));
        return false;
    }
    if (fitted.leftOut > 0) {
        lf_sayFull(park, fmt::format("Learned file {} is full: {} stand use{} learned in this visit left out of it",
                                     path.generic_string(), fitted.leftOut, gf_plural(fitted.leftOut)));
    }
    if (!park.generationKept) {
        park.generationKept = gf_keepGeneration(path);
    }
    return gf_writeApfText(path, *fitted.text, options.durability);
}

} // namespace

bool gf_saveLearnedAirport(ParkAirport& park, std::chrono::steady_clock::time_point now)
{
    if (!park.apfLoaded.load() || !park.airport) {
        return false;
    }
    const std::filesystem::path& path = park.learnedPath;
    if (path.empty()) {
        gf_log(fmt::format("{} learned file of {} not saved: the airport file names no learned file", gf_clockText(),
                           park.airport->icao));
        return false;
    }
    if (gf_learnedReadIncomplete(park.state.learnedRead)) {
        gf_log(fmt::format("{} '{}' not saved: it was not read completely, and a save would lose what it holds",
                           gf_clockText(), path.generic_string()));
        return false;
    }
    bool saved = false;
    try {
        saved = lf_write(park);
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{}: {}", "lf_saveLearnedAirport", error.what()));
    }
    if (!saved) {
        gf_log(fmt::format("{} saving '{}' did not succeed", gf_clockText(), path.generic_string()));
        return false;
    }
    const int32_t updates = park.state.learnedUpdates.count();
    gf_log(fmt::format("{}{} '{}' saved with {} update{}", gf_clockText(), park.state.handmade ? " handmade" : "",
                       path.generic_string(), updates, gf_pluralInt(updates)));
    park.state.learnedUpdates.reset();
    park.lastSave = now;
    return true;
}

} // namespace hlw
