#pragma once
// The simulator names the stand-in knows: simulation variables with their units, simulator events and
// system events. Every registration a client makes is checked against these tables, case-insensitively,
// so that a misspelt name shows up as an exception instead of silently returning zeros.
#include <optional>
#include <string>
#include <string_view>

namespace hlw::standin {

// What a variable measures; a unit converts only within its own dimension.
enum class Dimension { Angle, Length, Speed, Percent, Bool, Mask, Number, Seconds, Text };

// The value of a variable that the world can produce (and, for a few, store).
enum class Variable {
    Latitude, Longitude, Pitch, Bank, HeadingTrue, Altitude, VerticalSpeed, AirspeedTrue,
    AltAboveGround, GroundVelocity, ZuluTime, ZuluDayOfYear, ZuluYear, LightStates, LightOnStates,
    GroundAltitude, SimOnGround, AtcId, StaticCgToGround, StaticPitch, Title, AtcModel,
    SpoilersHandle, Throttle1, Throttle2,
};

struct VariableInfo {
    Variable variable;
    Dimension dimension;
    // Size of one unit of the native unit in the dimension's base (degrees, feet, knots); values are
    // kept in the native unit so that a value written and read in it comes back bit for bit.
    double nativeFactor;
};

struct UnitInfo {
    Dimension dimension;
    double factor; // size of one unit in the dimension's base
};

// The simulator event a mapped client event stands for.
enum class SimEvent {
    BeaconLightsSet, NavLightsSet, TaxiLightsSet, StrobesSet, LandingLightsSet, CabinLightsSet,
    LogoLightsSet, AllLightsToggle, FreezeLatLonSet, FreezeAltitudeSet, FreezeAttitudeSet, FlapsSet,
    SpoilersSet, GearSet, EngineAutoStart, EngineAutoShutdown, ThrottleSet,
};

enum class SystemEvent { Sim, ObjectAdded, ObjectRemoved, FlightLoaded, Frame };

std::optional<VariableInfo> gf_findVariable(std::string_view name);
// An empty unit text (a null unit) is accepted only for text variables.
std::optional<UnitInfo> gf_findUnit(std::string_view unit);
std::optional<SimEvent> gf_findSimEvent(std::string_view name);
std::optional<SystemEvent> gf_findSystemEvent(std::string_view name);
std::string_view gf_simEventName(SimEvent event);

// A facility definition field ("OPEN AIRPORT", "LATITUDE", ...).
bool gf_isFacilityField(std::string_view name);

// Converts a value between units of one dimension; equal factors leave the value untouched.
double gf_convertUnit(double value, double fromFactor, double toFactor);

} // namespace hlw::standin
