#include "liveries/livery_tables.h"

#include "core/log.h"
#include "liveries/livery_catalogue.h"
#include "liveries/livery_data.h"
#include "liveries/livery_view_port.h"
#include "liveries/registration_codes.h"
#include "liveries/registration_tables.h"
#include "liveries/scanned_liveries_file.h"
#include "refdata/similar_models.h"

#include <fmt/format.h>

namespace hlw {

std::atomic<bool> liveriesDone{false};
std::atomic<int32_t> liveryCount{0};

namespace {

std::atomic<bool> rebuildRequested{false};

constexpr std::size_t expectedRegistrations = 36000;

// Empties the scanned list however the processing ends.
struct ScannedListRelease {
    ScannedListRelease() = default;
    ScannedListRelease(const ScannedListRelease&) = delete;
    ScannedListRelease& operator=(const ScannedListRelease&) = delete;
    ~ScannedListRelease() { ScannedLiveryList().swap(gf_scannedLiveryList()); }
};

void lf_buildTables(RegistrationCodeBuilder buildRegistrationCodes)
{
    const ScannedLiveryList& liveries = gf_scannedLiveryList();
    gf_readScannedLiveries();
    liveryCount.store(static_cast<int32_t>(liveries.size()));
    gf_liveryView().liveryStatusChanged();
    gf_buildLiveryTables(liveries, buildRegistrationCodes == nullptr ? std::function<void()>()
                                                                     : std::function<void()>(buildRegistrationCodes));
}

} // namespace

void gf_buildLiveryTables(const ScannedLiveryList& liveries, const std::function<void()>& buildRegistrationCodes)
{
    gf_reserveModelCatalogue();
    gf_reserveRegistrationTables(expectedRegistrations);
    gf_buildLiveryCatalogue(liveries);
    gf_buildPaxCargoCatalogue();
    if (buildRegistrationCodes) {
        buildRegistrationCodes();
    }
    gf_log(fmt::format("{:5} registration codes", gf_registrationTables().regcodes.size()));
    gf_buildModelCatalogue();
    gf_buildRegisteredTitleLists();
    const LiveryCatalogue& catalogue = gf_liveryCatalogue();
    gf_log(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models",
                       catalogue.byAirline.size(), catalogue.byModel[paxIndex].size(),
                       catalogue.byModel[cargoIndex].size()));
    gf_buildSimilarModels(gf_liveryPresence());
    gf_log(" ");
    for (const AircraftCategory category :
         {AircraftCategory::Light, AircraftCategory::Buzjets, AircraftCategory::Large, AircraftCategory::Heavy,
          AircraftCategory::HighPerf, AircraftCategory::Rotorcraft}) {
        gf_logCategory(category);
    }
    gf_logGenericLiveries();
}

void gf_requestLiveryRebuild() noexcept
{
    rebuildRequested.store(true);
    liveriesDone.store(false);
}

bool gf_liveryRebuildRequested() noexcept
{
    return rebuildRequested.load();
}

void gf_processScannedLiveries(RegistrationCodeBuilder buildRegistrationCodes)
{
    const ScannedListRelease release;
    // A request made while this build runs stays set for the next start-up.
    const bool requested = rebuildRequested.exchange(false);
    if (liveriesDone.load() && !requested) {
        gf_log("Processing scanned liveries skipped; already done in previous start-up");
        return;
    }
    // Whatever an earlier build left, also one that failed half-way, goes first.
    gf_clearLiveryCatalogue();
    try {
        lf_buildTables(buildRegistrationCodes);
    } catch (...) {
        gf_clearLiveryCatalogue();
        liveryCount.store(0);
        throw;
    }
    liveriesDone.store(true);
    gf_liveryView().liveryStatusChanged();
}

void gf_clearLiveryCatalogue()
{
    liveriesDone.store(false);
    gf_clearSimilarModels();
    gf_clearRegistrationTables();
    gf_clearLiveryCatalogueTables();
}

} // namespace hlw
