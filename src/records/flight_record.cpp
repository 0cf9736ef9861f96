#include "records/flight_record.h"

#include "core/random_choice.h"
#include "records/category_performance.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"

#include <fmt/format.h>

#include <numbers>

namespace hlw {

namespace {

constexpr double radiansPerDegree = std::numbers::pi / 180.0;

bool lf_isAsciiLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

FlightRecord gf_makeFlightRecord(const TrafficRecord& record)
{
    FlightRecord flight;
    static_cast<FlightHead&>(flight) = record.head;
    flight.hexId = record.hexId;
    flight.halfWingspanNm = gf_halfWingspanNm(flight.model);
    flight.category = gf_modelCategory(flight.model);
    const CategoryPerformance& performance = gf_categoryPerformance(flight.category);
    flight.flareTicks = performance.flareTicks;
    flight.touchdownTicks = performance.touchdownTicks;
    flight.takeOffRunTicks = performance.takeOffRunTicks;
    flight.rotationTicks = performance.rotationTicks;
    flight.takeOffPitchRad = gf_varyByPercent(performance.takeOffPitchDeg, 2.5) * radiansPerDegree;
    flight.climbPitchRad = gf_varyByPercent(performance.climbPitchDeg, 5.0) * radiansPerDegree;
    flight.normalTurnStepRad = performance.normalTurnStepDeg * radiansPerDegree;
    flight.turnStepRad = flight.normalTurnStepRad;
    flight.climbLimitFtPerTick = performance.climbLimitFtPerTick;
    flight.taxiSpeedKt = performance.taxiSpeedKt;
    return flight;
}

std::string gf_flightLabel(const RegistrationCodes& codes)
{
    const std::string second = codes.secondAirline != 0 ? "," + gf_airlineText(codes.secondAirline) : std::string();
    return fmt::format("{:3}{:4} {:4}{}{:3}", gf_airlineText(codes.airline), second, gf_modelText(codes.model),
                       codes.valid != 0 ? "." : " ", codes.cargo != 0 ? "(C)" : "");
}

std::string gf_routeLabel(const RouteCode& origin, const RouteCode& destination)
{
    if (origin.empty() && destination.empty()) {
        return std::string(8, ' ');
    }
    return fmt::format("{:3}->{:3}", origin, destination);
}

std::string gf_describeAc(const FlightHead& head)
{
    return fmt::format("{:8} {:12} {} {}", head.callsign, head.registration,
                       gf_routeLabel(head.origin, head.destination), gf_flightLabel(head.codes()));
}

std::string gf_describeAcWithReg(const FlightHead& head)
{
    return fmt::format("{:8} {} {}", head.callsign, head.registration, gf_flightLabel(head.codes()));
}

std::string gf_labelWithReg(const FlightHead& head)
{
    return fmt::format("{} {}", gf_flightLabel(head.codes()), head.registration);
}

bool gf_isUsableCallsign(const FlightHead& head) noexcept
{
    return !head.callsign.empty() && head.callsign != "@@@@@@@@" && head.callsign.size() <= maxCallsignLength;
}

std::optional<std::string> gf_callsignAirline(std::string_view callsign)
{
    if (callsign.size() < 4 || !lf_isAsciiLetter(callsign[0]) || !lf_isAsciiLetter(callsign[1]) ||
        !lf_isAsciiLetter(callsign[2]) || callsign[3] < '0' || callsign[3] > '9') {
        return std::nullopt;
    }
    std::string airline(callsign.substr(0, 3));
    for (char& c : airline) {
        c = gf_toUpperChar(c);
    }
    return airline;
}

} // namespace hlw
