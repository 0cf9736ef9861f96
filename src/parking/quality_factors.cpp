#include "parking/quality_factors.h"

#include <fmt/format.h>

#include <algorithm>
#include <bitset>
#include <cmath>

namespace hlw {
namespace {

constexpr int32_t wholeAirportType = 12;

double lf_weight(double radiusNm) noexcept
{
    if (radiusNm <= 7.0) {
        return 0.3;
    }
    return radiusNm <= 10.0 ? 1.5 : 1.0;
}

struct UseCount {
    int64_t options = 0;
    std::bitset<8> weekdays;
    int64_t slots = 0;

    double score() const noexcept
    {
        if (options == 0) {
            return 0.0;
        }
        return static_cast<double>(std::min<int64_t>(20 * options, 4000) + 10000 +
                                   100 * static_cast<int64_t>(weekdays.count()) + 2 * std::min<int64_t>(slots, 600));
    }
};

int32_t lf_factor(double sum, double weights) noexcept
{
    return static_cast<int32_t>(std::lround(std::clamp(sum / weights * 0.00625, 0.0, 100.0)));
}

} // namespace

QualityPair gf_qualityFactors(std::span<const StandRecord> stands)
{
    if (std::ranges::none_of(stands, [](const StandRecord& stand) { return !stand.options.empty(); })) {
        return {};
    }
    double weights = 0.0;
    double realSum = 0.0;
    double softSum = 0.0;
    for (const StandRecord& stand : stands) {
        if (stand.heli || stand.parkingType == wholeAirportType) {
            continue;
        }
        const double weight = lf_weight(stand.radius);
        weights += weight;
        UseCount real;
        UseCount soft;
        for (const StandOption& option : stand.options) {
            if (option.number == 0) {
                continue;
            }
            UseCount& use = option.real ? real : soft;
            ++use.options;
            if (option.weekday >= 1 && option.weekday <= 7) {
                use.weekdays.set(static_cast<std::size_t>(option.weekday));
            }
            use.slots += static_cast<int64_t>(option.slots.count());
        }
        realSum += real.score() * weight;
        softSum += soft.score() * weight;
    }
    if (!(weights > 0.0)) {
        return {0, 0};
    }
    return {lf_factor(realSum, weights), lf_factor(softSum, weights)};
}

std::string gf_qualityFactorText(QualityPair quality)
{
    if (quality.real < 0 && quality.soft < 0) {
        return "  ";
    }
    if (quality.real < 45) {
        return fmt::format("{:2}/{:2}", quality.real, quality.soft);
    }
    return fmt::format("{:2}", quality.real);
}

} // namespace hlw
