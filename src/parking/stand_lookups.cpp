#include "parking/stand_lookups.h"

#include "parking/stand_options.h"

#include <algorithm>
#include <cmath>

namespace hlw {
namespace {

constexpr double nmPerDegree = 60.0;
constexpr double samePositionDeg = 1e-8;
constexpr double farAwayNm = 900.0;

template <typename Stand> Stand* lf_find(std::span<Stand> stands, StandNumber number) noexcept
{
    if (number < 1) {
        return nullptr;
    }
    const auto it = std::ranges::lower_bound(stands, number, {}, &StandRecord::standNumber);
    return it != stands.end() && it->standNumber == number ? &*it : nullptr;
}

// The great-circle distance is never shorter than the difference in latitude, so a stand that lies farther north
// or south than the reach is skipped without computing it.
bool lf_outOfReach(const StandRecord& stand, const LatLon& position, double reachNm) noexcept
{
    return std::abs(stand.latitude - position.lat) * nmPerDegree > reachNm;
}

LatLon lf_at(const StandRecord& stand) noexcept
{
    return {stand.latitude, stand.longitude};
}

// Real traffic of the aircraft's callsign, or of its airline, operator and model, used the stand.
bool lf_usedBySameTraffic(const StandRecord& stand, const FlightRecord& aircraft) noexcept
{
    return std::ranges::any_of(stand.options, [&aircraft](const StandOption& option) {
        if (option.number == 0 || !option.real) {
            return false;
        }
        return option.callsign == aircraft.callsign || option.secondCallsign == aircraft.callsign ||
               (option.codes.airline == aircraft.airline && option.codes.secondAirline == aircraft.secondAirline &&
                option.codes.model == aircraft.model);
    });
}

} // namespace

StandRecord* gf_findStand(std::span<StandRecord> stands, StandNumber number) noexcept
{
    return lf_find(stands, number);
}

const StandRecord* gf_findStand(std::span<const StandRecord> stands, StandNumber number) noexcept
{
    return lf_find(stands, number);
}

std::string gf_standName(std::span<const StandRecord> stands, StandNumber number)
{
    if (number == 0) {
        return "sid==0?";
    }
    const StandRecord* stand = gf_findStand(stands, number);
    return stand != nullptr ? stand->id : std::string("sid==?");
}

void gf_selectStand(std::span<StandRecord> stands, StandRecord& stand) noexcept
{
    stand.selected = true;
    for (const StandNumber adjacent : stand.adjacentStands) {
        if (StandRecord* neighbour = gf_findStand(stands, adjacent)) {
            neighbour->blocked = true;
        }
    }
}

bool gf_helipadRuleAllows(const StandRecord& stand, AircraftCategory category) noexcept
{
    return stand.heli == (category == AircraftCategory::Rotorcraft);
}

bool gf_standSuits(const StandRecord& stand, const FlightRecord& aircraft) noexcept
{
    if (!gf_helipadRuleAllows(stand, aircraft.category)) {
        return false;
    }
    if (stand.parkingType != 0) {
        return gf_parkingSuitsCategory(stand, aircraft.category);
    }
    return aircraft.halfWingspanNm - stand.radius <= untypedStandSlackNm;
}

StandRecord* gf_findStandNear(std::span<StandRecord> stands, const LatLon& position, const FlightRecord& aircraft,
                              double maxDistanceNm, bool nearSearch, LearnedUpdates& updates)
{
    StandRecord* result = nullptr;
    StandRecord* fallback = nullptr;
    StandRecord* tight = nullptr;
    double best = farAwayNm;
    double secondBest = farAwayNm;
    const double reach = std::max(maxDistanceNm, nearSearch ? nearSearchReachNm : 0.0);
    for (StandRecord& stand : stands) {
        if (lf_outOfReach(stand, position, reach) || !gf_helipadRuleAllows(stand, aircraft.category)) {
            continue;
        }
        const double d = gf_distanceNm(position, lf_at(stand));
        if (d <= maxDistanceNm && d < best) {
            if (gf_standSuits(stand, aircraft)) {
                result = &stand;
                best = d;
                nearSearch = false;
            } else if (d <= tightStandReachNm) {
                result = &stand;
                tight = &stand;
                best = d;
                nearSearch = false;
            }
        } else if (nearSearch && d <= nearSearchReachNm && d < secondBest && !aircraft.callsign.empty() &&
                   gf_standSuits(stand, aircraft) && lf_usedBySameTraffic(stand, aircraft)) {
            secondBest = d;
            fallback = &stand;
        }
    }
    if (result == nullptr) {
        result = fallback;
    }
    if (result != nullptr && result == tight) {
        const double widened = aircraft.halfWingspanNm - widenedStandSlackNm;
        if (widened > result->radius) {
            result->radius = widened;
            result->radiusChange = true;
            updates.add();
        }
    }
    return result;
}

std::string NearestStandName::operator()(std::span<const StandRecord> stands, const LatLon& position,
                                         bool userOnGround)
{
    if (stands.empty() || !userOnGround) {
        return {};
    }
    if (valid_ && std::abs(position.lat - position_.lat) < samePositionDeg &&
        std::abs(position.lon - position_.lon) < samePositionDeg) {
        return name_;
    }
    double best = farAwayNm;
    const StandRecord* nearest = nullptr;
    for (const StandRecord& stand : stands) {
        if (lf_outOfReach(stand, position, nearestStandReachNm)) {
            continue;
        }
        const double d = gf_distanceNm(position, lf_at(stand));
        if (d <= nearestStandReachNm && d < best) {
            best = d;
            nearest = &stand;
        }
    }
    position_ = position;
    name_ = nearest != nullptr ? nearest->id : std::string();
    valid_ = true;
    return name_;
}

} // namespace hlw
