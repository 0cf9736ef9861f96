#include "records/aircraft_records.h"

#include <array>
#include <utility>

namespace hlw {

namespace {

constexpr std::array<std::string_view, 5> stateNames = {"buffer", "adding2sim", "active", "liveryrespawn",
                                                         "removingfromsim"};
constexpr std::array<std::string_view, 8> phaseNames = {"pushing_back", "pushed_back", "taxi",   "take_off",
                                                         "flying",       "parking",     "parked", "birth"};

} // namespace

std::string_view gf_simStateName(SimObjectState state) noexcept
{
    const auto index = static_cast<std::size_t>(state);
    return index < stateNames.size() ? stateNames[index] : "?";
}

std::string_view gf_phaseName(MovementPhase phase) noexcept
{
    const auto index = static_cast<std::size_t>(phase);
    return index < phaseNames.size() ? phaseNames[index] : "?";
}

StaticAircraft::StaticAircraft(FlightRecord flightData, int32_t stand, double standLatDeg, double standLonDeg,
                               double standHeadingRad, bool cargoStandFlag)
    : flight(std::move(flightData)), standLat(standLatDeg), standLon(standLonDeg), standHeading(standHeadingRad),
      standNumber(stand), cargoStand(cargoStandFlag ? 1 : 0)
{
}

LiveAircraft::LiveAircraft(const PositionRecord& first, FlightRecord flightData, double timestamp)
    : lastTimestamp(timestamp), legReceivedDueTick(first.dueTick)
{
    flight = std::move(flightData);
    positions.push_back(first);
}

void LiveAircraft::setPhase(MovementPhase next) noexcept
{
    if (next != phase) {
        previousPhase = phase;
        phase = next;
    }
}

} // namespace hlw
