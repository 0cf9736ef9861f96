#include "app/auto_range.h"

#include <cmath>

namespace hlw {

int32_t gf_autoRangeNm(bool onGround, double heightFt, int32_t arAboveHeightFt, int32_t airpHeightFt,
                       double firstParkAirportNm)
{
    if (onGround) {
        return 10;
    }
    if (heightFt > arAboveHeightFt) {
        return 100;
    }
    if (heightFt > airpHeightFt) {
        return 40;
    }
    const double d = firstParkAirportNm;
    if (!(d > 7.0)) {
        return 10;
    }
    if (d >= 37.0) {
        return 40;
    }
    struct Step {
        int32_t atLeast;
        int32_t range;
    };
    constexpr Step steps[] = {{33, 35}, {28, 30}, {23, 25}, {19, 20}, {17, 18}, {15, 16}, {13, 14}, {11, 12}, {9, 10}};
    const auto r = static_cast<int32_t>(std::lround(d));
    for (const Step& step : steps) {
        if (r >= step.atLeast) {
            return step.range;
        }
    }
    return 8;
}

} // namespace hlw
