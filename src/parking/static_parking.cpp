// The static-parking calculation of the parking service: which stands of the park airport get a static parked
// aircraft now, with the positions ordered so that placement takes the best fit first.
#include "core/log.h"
#include "core/narrow.h"
#include "core/time_text.h"
#include "parking/parking_service.h"
#include "parking/wanted_count.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {

WeekdaySlot ParkingService::logDayAndHour()
{
    const WeekdaySlot now = traffic_.weekdaySlot();
    gf_log(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_nowClockText(), now.weekday,
                       gf_weekdayName(now.weekday), gf_maxFitForWeeks(now.slot)));
    return now;
}

void ParkingService::markReservedStands()
{
    std::vector<StandRecord>& stands = park_.state.stands;
    const auto reserve = [&stands](const std::string& id) {
        const auto it = std::ranges::find(stands, id, &StandRecord::id);
        if (it != stands.end()) {
            it->reserved = true;
        }
    };
    if (!park_.reservedStand.empty()) {
        reserve(park_.reservedStand);
    }
    if (const std::optional<UserAircraftState> user = traffic_.userAircraft()) {
        const std::string userStand = nearestStandName(user->position.lat, user->position.lon);
        if (!userStand.empty() && userStand != park_.reservedStand) {
            reserve(userStand);
        }
    }
}

void ParkingService::calcStaticParking()
{
    const WeekdaySlot now = logDayAndHour();
    parkingControls(false);
    selection_.clear();
    selection_.heardCallsigns = traffic_.takeHeardCallsigns();
    status_.update([](StatusValues& values) {
        values.meanParkedHoursLive = -1.0F;
        values.meanParkedHoursStatic = -1.0F;
        values.softOptionsUsed = false;
        values.otherWeekdaysUsed = false;
    });
    std::vector<StandRecord>& stands = park_.state.stands;
    for (StandRecord& stand : stands) {
        stand.reserved = false;
        stand.blocked = false;
        stand.selected = false;
        for (StandOption& option : stand.options) {
            option.excluded = false;
        }
    }
    markReservedStands();
    const auto standCount = static_cast<int32_t>(stands.size());
    const int32_t wanted = gf_wantedStaticCount(standCount, status_);
    maxPark_ = wanted;
    std::vector<SelectedParkPosition>& selected = selection_.selected;
    if (wanted > static_cast<int32_t>(selected.size())) {
        selection_.selectParkPositions(now, wanted, 0, stands, traffic_.staticAircraft());
    }
    std::ranges::stable_sort(selected, {}, &SelectedParkPosition::fit);
    if (std::ssize(selected) > wanted) {
        selected.resize(static_cast<std::size_t>(wanted));
    }
    status_.update([this](StatusValues& values) {
        values.softOptionsUsed = selection_.softOptionsUsed;
        values.otherWeekdaysUsed = selection_.otherWeekdaysUsed;
    });
    if (selected.empty()) {
        gf_log("no parking positions found");
        parkingControls(true);
        return;
    }
    const int32_t percentage =
        standCount > 0 ? gf_narrowRounded<int32_t>(static_cast<double>(selected.size()) * 100.0 / standCount) : 0;
    gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={:.1F} hours)\n", selected.size(), percentage,
                       settings::parkingPercentage.get(), settings::maxFitFl.get()));
    std::ranges::stable_sort(selected, std::ranges::greater{}, &SelectedParkPosition::fit);
}

void ParkingService::showStaticMeanHours()
{
    if (selection_.otherWeekdaysUsed) {
        return;
    }
    const float mean = gf_meanStaticParkedHours(traffic_.staticAircraft(), traffic_.weekdaySlot());
    status_.update([mean](StatusValues& values) { values.meanParkedHoursStatic = mean; });
}

} // namespace hlw
