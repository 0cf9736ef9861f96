#include "name_tables.h"

#include "core/string_helpers.h"

#include <algorithm>
#include <array>
#include <numbers>
#include <utility>

namespace hlw::standin {
namespace {

constexpr double lf_degreesPerRadian = 180.0 / std::numbers::pi;
constexpr double lf_feetPerMetre = 3.280839895013123;
constexpr double lf_knotsPerFootPerSecond = 0.5924838012958964;
constexpr double lf_knotsPerMetrePerSecond = 1.9438444924406046;

struct NamedVariable {
    std::string_view name;
    VariableInfo info;
};

constexpr std::array lf_variables{
    NamedVariable{"PLANE LATITUDE", {Variable::Latitude, Dimension::Angle, 1.0}},
    NamedVariable{"PLANE LONGITUDE", {Variable::Longitude, Dimension::Angle, 1.0}},
    NamedVariable{"PLANE PITCH DEGREES", {Variable::Pitch, Dimension::Angle, lf_degreesPerRadian}},
    NamedVariable{"PLANE BANK DEGREES", {Variable::Bank, Dimension::Angle, lf_degreesPerRadian}},
    NamedVariable{"PLANE HEADING DEGREES TRUE", {Variable::HeadingTrue, Dimension::Angle, lf_degreesPerRadian}},
    NamedVariable{"PLANE ALTITUDE", {Variable::Altitude, Dimension::Length, 1.0}},
    NamedVariable{"VERTICAL SPEED", {Variable::VerticalSpeed, Dimension::Speed, lf_knotsPerFootPerSecond}},
    NamedVariable{"AIRSPEED TRUE", {Variable::AirspeedTrue, Dimension::Speed, 1.0}},
    NamedVariable{"PLANE ALT ABOVE GROUND", {Variable::AltAboveGround, Dimension::Length, 1.0}},
    NamedVariable{"GROUND VELOCITY", {Variable::GroundVelocity, Dimension::Speed, 1.0}},
    NamedVariable{"ZULU TIME", {Variable::ZuluTime, Dimension::Seconds, 1.0}},
    NamedVariable{"ZULU DAY OF YEAR", {Variable::ZuluDayOfYear, Dimension::Number, 1.0}},
    NamedVariable{"ZULU YEAR", {Variable::ZuluYear, Dimension::Number, 1.0}},
    NamedVariable{"LIGHT STATES", {Variable::LightStates, Dimension::Mask, 1.0}},
    NamedVariable{"LIGHT ON STATES", {Variable::LightOnStates, Dimension::Mask, 1.0}},
    NamedVariable{"GROUND ALTITUDE", {Variable::GroundAltitude, Dimension::Length, 1.0}},
    NamedVariable{"SIM ON GROUND", {Variable::SimOnGround, Dimension::Bool, 1.0}},
    NamedVariable{"ATC ID", {Variable::AtcId, Dimension::Text, 1.0}},
    NamedVariable{"STATIC CG TO GROUND", {Variable::StaticCgToGround, Dimension::Length, 1.0}},
    NamedVariable{"STATIC PITCH", {Variable::StaticPitch, Dimension::Angle, lf_degreesPerRadian}},
    NamedVariable{"TITLE", {Variable::Title, Dimension::Text, 1.0}},
    NamedVariable{"ATC MODEL", {Variable::AtcModel, Dimension::Text, 1.0}},
    NamedVariable{"SPOILERS HANDLE POSITION", {Variable::SpoilersHandle, Dimension::Percent, 1.0}},
    NamedVariable{"GENERAL ENG THROTTLE LEVER POSITION:1", {Variable::Throttle1, Dimension::Percent, 1.0}},
    NamedVariable{"GENERAL ENG THROTTLE LEVER POSITION:2", {Variable::Throttle2, Dimension::Percent, 1.0}},
};

constexpr std::array<std::pair<std::string_view, UnitInfo>, 17> lf_units{{
    {"DEGREE", {Dimension::Angle, 1.0}},
    {"DEGREES", {Dimension::Angle, 1.0}},
    {"RADIAN", {Dimension::Angle, lf_degreesPerRadian}},
    {"RADIANS", {Dimension::Angle, lf_degreesPerRadian}},
    {"FEET", {Dimension::Length, 1.0}},
    {"FOOT", {Dimension::Length, 1.0}},
    {"METER", {Dimension::Length, lf_feetPerMetre}},
    {"METERS", {Dimension::Length, lf_feetPerMetre}},
    {"KNOTS", {Dimension::Speed, 1.0}},
    {"KNOT", {Dimension::Speed, 1.0}},
    {"FEET PER SECOND", {Dimension::Speed, lf_knotsPerFootPerSecond}},
    {"METERS PER SECOND", {Dimension::Speed, lf_knotsPerMetrePerSecond}},
    {"PERCENT", {Dimension::Percent, 1.0}},
    {"BOOL", {Dimension::Bool, 1.0}},
    {"MASK", {Dimension::Mask, 1.0}},
    {"NUMBER", {Dimension::Number, 1.0}},
    {"SECONDS", {Dimension::Seconds, 1.0}},
}};

constexpr std::array<std::pair<std::string_view, SimEvent>, 17> lf_simEvents{{
    {"BEACON_LIGHTS_SET", SimEvent::BeaconLightsSet},
    {"NAV_LIGHTS_SET", SimEvent::NavLightsSet},
    {"TAXI_LIGHTS_SET", SimEvent::TaxiLightsSet},
    {"STROBES_SET", SimEvent::StrobesSet},
    {"LANDING_LIGHTS_SET", SimEvent::LandingLightsSet},
    {"CABIN_LIGHTS_SET", SimEvent::CabinLightsSet},
    {"LOGO_LIGHTS_SET", SimEvent::LogoLightsSet},
    {"ALL_LIGHTS_TOGGLE", SimEvent::AllLightsToggle},
    {"FREEZE_LATITUDE_LONGITUDE_SET", SimEvent::FreezeLatLonSet},
    {"FREEZE_ALTITUDE_SET", SimEvent::FreezeAltitudeSet},
    {"FREEZE_ATTITUDE_SET", SimEvent::FreezeAttitudeSet},
    {"FLAPS_SET", SimEvent::FlapsSet},
    {"SPOILERS_SET", SimEvent::SpoilersSet},
    {"GEAR_SET", SimEvent::GearSet},
    {"ENGINE_AUTO_START", SimEvent::EngineAutoStart},
    {"ENGINE_AUTO_SHUTDOWN", SimEvent::EngineAutoShutdown},
    {"THROTTLE_SET", SimEvent::ThrottleSet},
}};

constexpr std::array<std::pair<std::string_view, SystemEvent>, 5> lf_systemEvents{{
    {"Sim", SystemEvent::Sim},
    {"ObjectAdded", SystemEvent::ObjectAdded},
    {"ObjectRemoved", SystemEvent::ObjectRemoved},
    {"FlightLoaded", SystemEvent::FlightLoaded},
    {"Frame", SystemEvent::Frame},
}};

constexpr std::array<std::string_view, 25> lf_facilityFields{
    "OPEN AIRPORT", "CLOSE AIRPORT", "LATITUDE", "LONGITUDE", "ALTITUDE", "NAME", "N_HELIPADS",
    "N_TAXI_PARKINGS", "OPEN TAXI_PARKING", "CLOSE TAXI_PARKING", "TYPE", "TAXI_POINT_TYPE", "SUFFIX",
    "NUMBER", "ORIENTATION", "HEADING", "RADIUS", "BIAS_X", "BIAS_Z", "OPEN HELIPAD", "CLOSE HELIPAD",
    "LENGTH", "WIDTH", "SURFACE", "ICAO",
};

template <typename Table>
auto lf_find(const Table& table, std::string_view name) -> decltype(&table[0]) {
    for (const auto& entry : table) {
        if (gf_equalNoCase(entry.first, name)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

std::optional<VariableInfo> gf_findVariable(std::string_view name) {
    const std::string upper = gf_toUpperAscii(name);
    for (const NamedVariable& entry : lf_variables) {
        if (entry.name == upper) {
            return entry.info;
        }
    }
    return std::nullopt;
}

std::optional<UnitInfo> gf_findUnit(std::string_view unit) {
    if (unit.empty()) {
        return UnitInfo{Dimension::Text, 1.0};
    }
    if (const auto* entry = lf_find(lf_units, unit)) {
        return entry->second;
    }
    return std::nullopt;
}

std::optional<SimEvent> gf_findSimEvent(std::string_view name) {
    if (const auto* entry = lf_find(lf_simEvents, name)) {
        return entry->second;
    }
    return std::nullopt;
}

std::optional<SystemEvent> gf_findSystemEvent(std::string_view name) {
    if (const auto* entry = lf_find(lf_systemEvents, name)) {
        return entry->second;
    }
    return std::nullopt;
}

std::string_view gf_simEventName(SimEvent event) {
    for (const auto& [name, value] : lf_simEvents) {
        if (value == event) {
            return name;
        }
    }
    return {};
}

bool gf_isFacilityField(std::string_view name) {
    const std::string upper = gf_toUpperAscii(name);
    return std::find(lf_facilityFields.begin(), lf_facilityFields.end(), upper) != lf_facilityFields.end();
}

double gf_convertUnit(double value, double fromFactor, double toFactor) {
    if (fromFactor == toFactor) {
        return value;
    }
    return value * fromFactor / toFactor;
}

} // namespace hlw::standin
