#include "parking/wanted_count.h"

#include "core/narrow.h"
#include "core/string_helpers.h"
#include "settings/catalogue.h"

#include <algorithm>

namespace hlw {

int32_t gf_wantedStaticCount(int32_t standCount, StatusBoard& status)
{
    const int32_t maxParkSel = settings::maxParkSel.get();
    if (maxParkSel <= 0) {
        const int32_t percentage = settings::parkingPercentage.get();
        status.update([&](StatusValues& values) {
            values.maxParkLive = 0;
            values.maxParkPercent = percentage;
        });
        return 0;
    }
    const int32_t custom = settings::customParkingPercentage.get();
    const int32_t percentage = std::clamp(custom >= 0 ? custom : settings::parkingPercentage.get(), 0, 100);
    int32_t wanted = 1;
    if (standCount > 1 && (standCount > 3 || percentage >= 50)) {
        // std::round rounds half away from zero.
        wanted = gf_narrowRounded<int32_t>(static_cast<double>(percentage) * standCount / 100.0);
    }
    const int32_t result = std::max(0, std::min(maxParkSel, wanted));
    status.update([&](StatusValues& values) {
        values.maxParkLive = result;
        values.maxParkPercent = gf_percent(result, standCount);
    });
    return result;
}

} // namespace hlw
