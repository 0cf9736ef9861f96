#include "liveries/livery_data.h"

#include "liveries/reader_tasks.h"
#include "refdata/code_table.h"

#include <array>
#include <functional>
#include <mutex>
#include <tuple>
#include <unordered_set>
#include <utility>

namespace hlw {
namespace {

// Every reader task reserves each title it reads, so the set is split into shards by the title's hash: tasks
// reserving different titles rarely wait for one another.
constexpr std::size_t titleShardCount = 64;

struct TitleShard {
    std::mutex mutex;
    std::unordered_set<std::string> titles;
};

using ScannedTitles = std::array<TitleShard, titleShardCount>;

ScannedTitles& lf_scannedTitles()
{
    static ScannedTitles titles;
    return titles;
}

TitleShard& lf_shardOf(const std::string& title)
{
    return lf_scannedTitles()[std::hash<std::string>{}(title) % titleShardCount];
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
        TitleShard& shard = lf_shardOf(title);
        const std::lock_guard lock(shard.mutex);
        // A late reader task must not reserve titles of a later scan.
        if (gf_readerTaskIsLate() || !shard.titles.insert(title).second) {
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
    for (TitleShard& shard : lf_scannedTitles()) {
        const std::lock_guard lock(shard.mutex);
        shard.titles.clear();
    }
}

std::size_t gf_scannedTitleCount()
{
    std::size_t count = 0;
    for (TitleShard& shard : lf_scannedTitles()) {
        const std::lock_guard lock(shard.mutex);
        count += shard.titles.size();
    }
    return count;
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
