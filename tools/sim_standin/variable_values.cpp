#include "variable_values.h"

namespace hlw::standin {

bool gf_isOnGround(const SimObject& object, double groundElevationFt) {
    if (object.kind == ObjectKind::User) {
        return object.scriptedOnGround;
    }
    return object.altFt - groundElevationFt <= object.staticCgFt + 1.0;
}

VariableValue gf_readVariable(Variable variable, const SimObject& object, const Surroundings& around) {
    switch (variable) {
    case Variable::Latitude: return object.latDeg;
    case Variable::Longitude: return object.lonDeg;
    case Variable::Pitch: return object.pitchRad;
    case Variable::Bank: return object.bankRad;
    case Variable::HeadingTrue: return object.headingRad;
    case Variable::Altitude: return object.altFt;
    case Variable::VerticalSpeed: return object.verticalSpeedFps;
    case Variable::AirspeedTrue: return object.airspeedKt;
    case Variable::AltAboveGround: return object.altFt - around.groundElevationFt;
    case Variable::GroundVelocity: return object.groundSpeedKt;
    case Variable::ZuluTime: return static_cast<double>(around.zulu.seconds);
    case Variable::ZuluDayOfYear: return static_cast<double>(around.zulu.dayOfYear);
    case Variable::ZuluYear: return static_cast<double>(around.zulu.year);
    case Variable::LightStates:
    case Variable::LightOnStates: return static_cast<double>(object.lights);
    case Variable::GroundAltitude: return around.groundElevationFt;
    case Variable::SimOnGround: return gf_isOnGround(object, around.groundElevationFt) ? 1.0 : 0.0;
    case Variable::AtcId: return object.atcId;
    case Variable::StaticCgToGround: return object.staticCgFt;
    case Variable::StaticPitch: return object.staticPitchRad;
    case Variable::Title: return object.title;
    case Variable::AtcModel: return object.model;
    case Variable::SpoilersHandle: return object.spoilersPct;
    case Variable::Throttle1: return object.throttle1Pct;
    case Variable::Throttle2: return object.throttle2Pct;
    }
    return 0.0;
}

bool gf_writeVariable(Variable variable, SimObject& object, double value) {
    switch (variable) {
    case Variable::Latitude: object.latDeg = value; return true;
    case Variable::Longitude: object.lonDeg = value; return true;
    case Variable::Pitch: object.pitchRad = value; return true;
    case Variable::Bank: object.bankRad = value; return true;
    case Variable::HeadingTrue: object.headingRad = value; return true;
    case Variable::Altitude: object.altFt = value; return true;
    case Variable::VerticalSpeed: object.verticalSpeedFps = value; return true;
    case Variable::AirspeedTrue:
        object.airspeedKt = value;
        object.groundSpeedKt = value;
        return true;
    case Variable::SpoilersHandle: object.spoilersPct = value; return true;
    case Variable::Throttle1: object.throttle1Pct = value; return true;
    case Variable::Throttle2: object.throttle2Pct = value; return true;
    default: return false;
    }
}

} // namespace hlw::standin
