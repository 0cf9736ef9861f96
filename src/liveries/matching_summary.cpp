#include "liveries/matching_summary.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "records/not_created_liveries.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <string>

namespace hlw {
namespace {

constexpr std::string_view summaryTitle = "live traffic livery matching summary";
constexpr int summaryWidth = 100;

std::array<std::atomic<int32_t>, matchStepCount>& lf_counts()
{
    static std::array<std::atomic<int32_t>, matchStepCount> counts{};
    return counts;
}

} // namespace

void gf_countMatch(MatchStep step) noexcept
{
    lf_counts()[static_cast<std::size_t>(step)].fetch_add(1, std::memory_order_relaxed);
}

std::array<int32_t, matchStepCount> gf_matchStepCounts() noexcept
{
    std::array<int32_t, matchStepCount> counts{};
    for (std::size_t step = 0; step < matchStepCount; ++step) {
        counts[step] = lf_counts()[step].load(std::memory_order_relaxed);
    }
    return counts;
}

void gf_resetMatchStepCounts() noexcept
{
    for (auto& count : lf_counts()) {
        count.store(0, std::memory_order_relaxed);
    }
}

void gf_logMatchingSummary()
{
    const auto counts = gf_matchStepCounts();
    if (std::ranges::all_of(counts, [](int32_t count) { return count == 0; })) {
        return;
    }
    gf_log(gf_starTitle(summaryWidth - static_cast<int>(summaryTitle.size()), 0, true, false, summaryTitle));
    gf_log("Matches at step: ");
    for (std::size_t step = 0; step < matchStepCount; ++step) {
        gf_log(fmt::format("  {}: {}", step, counts[step]));
    }
    const NotCreatedLiveries& notCreated = gf_notCreatedLiveries();
    if (!notCreated.empty()) {
        gf_log("\nCould not be created");
        for (const std::string& key : notCreated.keys()) {
            gf_log("  " + key);
        }
    }
    gf_log(std::string(summaryWidth, '*') + "\n");
}

} // namespace hlw
