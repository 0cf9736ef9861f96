#include "parking/static_parking.h"

#include "core/log.h"
#include "core/narrow.h"
#include "core/time_text.h"
#include "parking/static_placement.h"
#include "parking/wanted_count.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {

StaticParking::StaticParking(ParkingTraffic& traffic, StatusBoard& status, ParkAirport& park, StandSelection& selection,
                             NearestStandName& nearest, ParkingControls& controls)
    : traffic_(traffic), status_(status), park_(park), selection_(selection), nearest_(nearest), controls_(controls)
{
}

WeekdaySlot StaticParking::logDayAndHour()
{
    const WeekdaySlot now = traffic_.weekdaySlot();
    gf_log(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_nowClockText(), now.weekday,
                       gf_weekdayName(now.weekday), gf_maxFitForWeeks(now.slot)));
    return now;
}

void StaticParking::markReservedStands()
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
        const std::string userStand = nearest_(stands, user->position, user->onGround);
        if (!userStand.empty() && userStand != park_.reservedStand) {
            reserve(userStand);
        }
    }
}

void StaticParking::calculate()
{
    const WeekdaySlot now = logDayAndHour();
    controls_.enable(false);
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
    const int32_t wanted = takeWantedCount();
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
        controls_.enable(true);
        return;
    }
    const int32_t percentage =
        standCount > 0 ? gf_narrowRounded<int32_t>(static_cast<double>(selected.size()) * 100.0 / standCount) : 0;
    gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={:.1F} hours)\n", selected.size(), percentage,
                       settings::parkingPercentage.get(), settings::maxFitFl.get()));
    std::ranges::stable_sort(selected, std::ranges::greater{}, &SelectedParkPosition::fit);
}

void StaticParking::showMeanHours()
{
    if (selection_.otherWeekdaysUsed) {
        return;
    }
    const float mean = gf_meanStaticParkedHours(traffic_.staticAircraft(), traffic_.weekdaySlot());
    status_.update([mean](StatusValues& values) { values.meanParkedHoursStatic = mean; });
}

int32_t StaticParking::takeWantedCount()
{
    maxPark_ = gf_wantedStaticCount(static_cast<int32_t>(park_.state.stands.size()), status_);
    return maxPark_;
}

} // namespace hlw
