#pragma once
// The attitude rules of the live aircraft's motion: the per-category limits of pitch and bank, the pitch that
// goes with a vertical speed, the bank rate toward a target bank, the heading chase toward a target heading, the
// descent rate of an approach and the heights of the four flare stages. Angles in radians, pitch positive nose
// down, rates per tick of 10 ms.
#include "records/aircraft_records.h"

#include <algorithm>
#include <cstdint>
#include <numbers>

namespace hlw {

struct AttitudeLimits {
    double maxPitchChangeRad = 0.0; // per tick
    double maxBankRad = 0.0;
    double maxBankChangeRad = 0.0; // per tick
};

// The limits of a category; a value outside Light .. Rotorcraft throws std::out_of_range.
const AttitudeLimits& gf_attitudeLimits(AircraftCategory category);

// The pitch of a vertical speed in ft/min: -(3 deg + v / 600 x 2.2 deg), a climb counted up to 2400 ft/min and a
// descent at half of at most 3000 ft/min. Level flight is 3 deg nose up.
double gf_pitchForVerticalSpeed(double verticalSpeedFpm) noexcept;

// The bank rate toward the target bank (held within the category's maximum bank) over the ticks, held within the
// category's maximum bank change per tick.
void gf_setBankRate(LiveAircraft& aircraft, double targetBankRad, double ticks);

// The heading change per tick that each radian of bank up to bankRad flies at the speed: g tan(bank) / speed in a
// coordinated turn, taken along the chord of the tangent from 0 to bankRad so that a tick needs no tangent.
double gf_turnPerBank(double speedKt, double bankRad) noexcept;
// The bank of a coordinated turn at the heading rate (radians per tick, positive to the right) and the speed: a right
// turn lowers the right wing, a negative bank.
double gf_bankForTurn(double headingRatePerTick, double speedKt) noexcept;
// The margin either way of the turn a bank flies: a third of a degree per second, per tick of 10 ms.
inline constexpr double turnMarginRadPerTick = 0.3 * std::numbers::pi / 180.0 / 100.0;

// The heading change of one tick of a fixed-wing aircraft in the air: the heading rate held within the turn the bank
// flies, on the side it leans, with the margin either way. Inline: it runs every tick of every aircraft in the air.
inline double gf_turnWithinBank(double headingRatePerTick, double bankRad, double turnPerBankRad) noexcept
{
    const double bankTurn = -bankRad * turnPerBankRad;
    return std::clamp(headingRatePerTick, std::min(0.0, bankTurn) - turnMarginRadPerTick,
                      std::max(0.0, bankTurn) + turnMarginRadPerTick);
}

// One step of a heading chase: the heading turns toward the target on the shorter side by the turn step, never past
// the target, and not at all while they differ by 0.5 deg or less. The result lies in [0, 2 pi).
double gf_chaseHeading(double headingRad, double targetRad, double turnStepRad) noexcept;

// The vertical speed in ft/min of a descent toward the ground: -600 at a height of 100 ft or less, else the mean of
// the two vertical speeds corrected by the QNH (6 ft/min per hPa above 1013.25), at most -601.
double gf_descentRate(double frontVerticalSpeedFpm, double nextVerticalSpeedFpm, double heightAboveGroundFt,
                      double qnhHpa) noexcept;

// The height above ground at which flare stage `stage` (1 .. 4) begins: the static CG height + 30, 20, 10, 3 ft.
double gf_flareStageHeightFt(uint32_t stage, double staticCgHeightFt) noexcept;

} // namespace hlw
