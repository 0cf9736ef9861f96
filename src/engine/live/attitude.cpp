#include "engine/live/attitude.h"

#include "engine/live/angles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace hlw {

namespace {

// Indexed by the category value: Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft.
const std::array<AttitudeLimits, 6> attitudeTable{{
    {0.01 * radPerDeg, 40.0 * radPerDeg, 0.035 * radPerDeg},
    {0.0085 * radPerDeg, 35.0 * radPerDeg, 0.0275 * radPerDeg},
    {0.0075 * radPerDeg, 30.0 * radPerDeg, 0.02 * radPerDeg},
    {0.005 * radPerDeg, 20.0 * radPerDeg, 0.015 * radPerDeg},
    {0.03 * radPerDeg, 90.0 * radPerDeg, 0.1 * radPerDeg},
    {0.03 * radPerDeg, 75.0 * radPerDeg, 0.06 * radPerDeg},
}};

constexpr double chaseDeadBandRad = 0.5 * radPerDeg;
constexpr double gravityMs2 = 9.80665;
constexpr double metresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double ticksPerSecond = 100.0;
// Below this speed a turn is not held to a bank.
constexpr double slowestBankedKt = 20.0;
constexpr double steepestChordBankRad = 80.0 * radPerDeg;

constexpr double flareMarginsFt[4] = {30.0, 20.0, 10.0, 3.0};

} // namespace

const AttitudeLimits& gf_attitudeLimits(AircraftCategory category)
{
    const auto index = static_cast<std::size_t>(category);
    if (index >= attitudeTable.size()) {
        throw std::out_of_range("gf_attitudeLimits: unknown aircraft category");
    }
    return attitudeTable[index];
}

double gf_pitchForVerticalSpeed(double verticalSpeedFpm) noexcept
{
    const double v = verticalSpeedFpm >= 0.0 ? std::min(verticalSpeedFpm, 2400.0)
                                             : std::max(verticalSpeedFpm, -3000.0) * 0.5;
    return -(3.0 + v / 600.0 * 2.2) * radPerDeg;
}

void gf_setBankRate(LiveAircraft& aircraft, double targetBankRad, double ticks)
{
    const AttitudeLimits& limits = gf_attitudeLimits(aircraft.flight.category);
    const double target = std::clamp(targetBankRad, -limits.maxBankRad, limits.maxBankRad);
    aircraft.bankRate =
        std::clamp((target - aircraft.bank) / std::max(1.0, ticks), -limits.maxBankChangeRad, limits.maxBankChangeRad);
}

double gf_turnPerBank(double speedKt, double bankRad) noexcept
{
    const double bank = std::min(std::abs(bankRad), steepestChordBankRad);
    const double chord = bank > 1e-6 ? std::tan(bank) / bank : 1.0;
    return chord * gravityMs2 / (std::max(speedKt, slowestBankedKt) * metresPerSecondPerKnot) / ticksPerSecond;
}

double gf_bankForTurn(double headingRatePerTick, double speedKt) noexcept
{
    const double radPerSecond = headingRatePerTick * ticksPerSecond;
    return -std::atan(std::max(speedKt, 0.0) * metresPerSecondPerKnot * radPerSecond / gravityMs2);
}

double gf_chaseHeading(double headingRad, double targetRad, double turnStepRad) noexcept
{
    const double difference = gf_normalisePlusMinusPi(targetRad - headingRad);
    if (std::abs(difference) <= chaseDeadBandRad) {
        return gf_normaliseTwoPi(headingRad);
    }
    const double turn = std::min(std::abs(turnStepRad), std::abs(difference));
    return gf_normaliseTwoPi(headingRad + std::copysign(turn, difference));
}

double gf_descentRate(double frontVerticalSpeedFpm, double nextVerticalSpeedFpm, double heightAboveGroundFt,
                      double qnhHpa) noexcept
{
    if (heightAboveGroundFt <= 100.0) {
        return -600.0;
    }
    return std::min(-601.0, (frontVerticalSpeedFpm + nextVerticalSpeedFpm) / 2.0 - (qnhHpa - 1013.25) * 6.0);
}

double gf_flareStageHeightFt(uint32_t stage, double staticCgHeightFt) noexcept
{
    const std::size_t index = std::clamp<std::size_t>(stage, 1, 4) - 1;
    return staticCgHeightFt + flareMarginsFt[index];
}

} // namespace hlw
