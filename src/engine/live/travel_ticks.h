#pragma once
// Engine ticks and travel: at 100 ticks a second an hour has 360,000 ticks, so a speed in knots covers one nautical
// mile in 360,000 / speed ticks.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace hlw {

inline constexpr double ticksPerHour = 360000.0;
// Travel times are held within 24 h of ticks before they become due ticks.
inline constexpr int64_t maxTravelTicks = 8'640'000;

// The ticks that distanceNm takes at speedKt; not finite for a speed of 0, which each caller bounds as it needs.
inline double gf_travelTicks(double distanceNm, double speedKt) noexcept
{
    return distanceNm * ticksPerHour / speedKt;
}

// The same as a whole number within 0 .. maxTravelTicks; the limit when it is not finite.
inline int64_t gf_boundedTravelTicks(double distanceNm, double speedKt) noexcept
{
    const double ticks = gf_travelTicks(distanceNm, speedKt);
    return std::isfinite(ticks) ? std::llround(std::clamp(ticks, 0.0, double(maxTravelTicks))) : maxTravelTicks;
}

} // namespace hlw
