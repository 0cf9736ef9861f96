#include "liveries/livery_data.h"

#include "liveries/reader_tasks.h"
#include "refdata/code_table.h"

#include <mutex>
#include <set>
#include <tuple>
#include <utility>

namespace hlw {
namespace {

struct ScannedTitles {
    std::mutex mutex;
    std::set<std::string, std::less<>> titles;
};

ScannedTitles& lf_scannedTitles()
{
    static ScannedTitles titles;
    return titles;
}

} // namespace

ScannedLiveryList& gf_scannedLiveryList()
{
    static ScannedLiveryList liveries;
    return liveries;
}

LiveryData gf_makeLiveryData(uint16_t sourceIndex, const RegistrationCodes& codes, std::string title,
                             std::string registration)
{
    {
        ScannedTitles& scanned = lf_scannedTitles();
        const std::lock_guard lock(scanned.mutex);
        // A late reader task must not reserve titles of a later scan.
        if (gf_readerTaskIsLate() || !scanned.titles.insert(title).second) {
            return {};
        }
    }
    LiveryData livery;
    livery.title = std::move(title);
    livery.atcId = std::move(registration);
    livery.airline = codes.airline;
    livery.secondAirline = codes.secondAirline;
    livery.model = codes.model;
    livery.cargo = codes.cargo;
    livery.referenceFlag = codes.valid;
    livery.sourceIndex = sourceIndex;
    return livery;
}

bool gf_hasNoCodes(const LiveryData& livery) noexcept
{
    return livery.airline == 0 || livery.model == 0;
}

void gf_clearScannedTitles()
{
    ScannedTitles& scanned = lf_scannedTitles();
    const std::lock_guard lock(scanned.mutex);
    scanned.titles.clear();
}

std::size_t gf_scannedTitleCount()
{
    ScannedTitles& scanned = lf_scannedTitles();
    const std::lock_guard lock(scanned.mutex);
    return scanned.titles.size();
}

bool gf_liveryLess(const LiveryData& a, const LiveryData& b)
{
    // Each code text has exactly one index, so comparing the texts orders equal indexes as equal.
    return std::forward_as_tuple(gf_airlineText(a.airline), gf_airlineText(a.secondAirline), gf_modelText(a.model),
                                 a.title) < std::forward_as_tuple(gf_airlineText(b.airline),
                                                                  gf_airlineText(b.secondAirline),
                                                                  gf_modelText(b.model), b.title);
}

} // namespace hlw
