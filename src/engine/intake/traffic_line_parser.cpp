#include "engine/intake/traffic_line_parser.h"

#include "core/aircraft_test.h"
#include "core/fixed_code.h"
#include "core/geodesy.h"
#include "refdata/code_table.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

namespace hlw {

namespace {

constexpr std::array<std::string_view, lineDropCount> dropNames{
    "queued",        "vehicle",       "short line",        "field error", "out of range", "long registration",
    "not aircraft",  "no model code", "static hex id",     "blocked callsign", "no identification",
    "ground away",   "airborne only", "repeated",          "oversize",    "not running",
};

constexpr std::array<std::string_view, 3> blockedCallsigns{"ERARMTR1", "AIRPORT1", "00000000"};

constexpr double radiansPerDegree = std::numbers::pi / 180.0;
// Bounds of the numbers a line may carry; anything beyond is a broken field, not an aircraft.
constexpr double maxAltitudeFt = 100000.0;
constexpr double minAltitudeFt = -2000.0;
constexpr double maxSpeedKt = 2000.0;
constexpr double maxVerticalSpeedFpm = 50000.0;
constexpr double maxRollDeg = 180.0;
constexpr double parkAirportRadiusNm = 5.0;

enum Field : std::size_t {
    hexIdField = 1,
    latField = 2,
    lonField = 3,
    altitudeField = 4,
    verticalSpeedField = 5,
    trackField = 7,
    groundSpeedField = 8,
    callsignField = 9,
    typeField = 10,
    registrationField = 11,
    originField = 12,
    destinationField = 13,
    timestampField = 14,
    sourceField = 17,
    trueAirspeedField = 20,
    rollField = 23,
    trueHeadingField = 25,
    categoryField = 28,
};

// A decimal floating-point number at the start of the field; nan and inf are numbers here.
bool lf_number(std::string_view field, double& value) noexcept
{
    const char* first = field.data();
    const auto [end, error] = std::from_chars(first, first + field.size(), value);
    return error == std::errc() && end != first;
}

bool lf_isNull(std::string_view text) noexcept { return text == "null"; }

// The true airspeed of an aircraft that does not report it, by its altitude.
double lf_estimatedTrueAirspeed(double altitudeFt) noexcept
{
    if (altitudeFt <= 2000.0) {
        return 180.0;
    }
    if (altitudeFt <= 5000.0) {
        return 220.0;
    }
    if (altitudeFt <= 10000.0) {
        return 250.0;
    }
    if (altitudeFt <= 20000.0) {
        return 350.0;
    }
    return 430.0;
}

// The ground decision: near the park airport's elevation (or below the sea when there is none) and slow enough
// for that height, or slower than 35 kt at any height, an aircraft is on the ground.
double lf_groundedAltitude(double altitudeFt, double groundSpeedKt, const IntakeFilter& filter) noexcept
{
    if (altitudeFt > 0.0 && altitudeFt < 14000.0) {
        const double reference = filter.parkAirport ? filter.parkAirport->elevationFt : -1000.0;
        const double above = altitudeFt - reference;
        if (above <= 0.0 || gf_withinGroundBand(above, groundSpeedKt)) {
            return 0.0;
        }
    }
    if (altitudeFt <= 0.0 || groundSpeedKt <= 35.0) {
        return 0.0;
    }
    return altitudeFt;
}

// The steps of one line; each returns false when the line ends there, with result filled.
class LineSteps {
public:
    LineSteps(std::string_view datagram, const std::array<std::string_view, trafficFieldCount + 1>& fields,
              const IntakeFilter& filter, TrafficRecord& record, LineResult& result)
        : datagram_(datagram), fields_(fields), filter_(filter), record_(record), result_(result)
    {
    }

    bool run(int32_t engineTick);

private:
    std::string_view field(Field index) const noexcept { return fields_[index]; }

    bool fail(std::string message)
    {
        result_.drop = LineDrop::fieldError;
        result_.error = std::move(message);
        return false;
    }
    bool drop(LineDrop reason) noexcept
    {
        result_.drop = reason;
        return false;
    }
    // A finite number within [low, high], or the field's "{name}:{text}" error.
    bool number(Field index, std::string_view name, double low, double high, double& value)
    {
        if (!lf_number(field(index), value) || !std::isfinite(value) || !(value >= low && value <= high)) {
            return fail(fmt::format("{}:{}", name, field(index)));
        }
        return true;
    }

    bool timestamp();
    bool position();
    bool registration();
    void heardCallsign() noexcept;
    bool aircraftType();
    bool trueHeading();
    bool hexId();
    bool altitude();
    bool callsign();
    bool onGroundAtParkAirport() noexcept;
    bool track();
    bool route(Field index, RouteCode& code);
    bool bank();
    bool trueAirspeed();

    const std::string_view datagram_;
    const std::array<std::string_view, trafficFieldCount + 1>& fields_;
    const IntakeFilter& filter_;
    TrafficRecord& record_;
    LineResult& result_;
    PositionRecord& position_ = record_.position;
    FlightHead& head_ = record_.head;
};

bool LineSteps::run(int32_t engineTick)
{
    if (!timestamp() || !position() || !registration()) {
        return false;
    }
    heardCallsign();
    if (!aircraftType() || !trueHeading() || !hexId() ||
        !number(groundSpeedField, "gs", 0.0, maxSpeedKt, position_.groundSpeedKt) || !altitude()) {
        return false;
    }
    position_.airborne = position_.altitudeFt > 0.0 ? 1 : 0;
    if (!callsign()) {
        return false;
    }
    if (head_.callsign.empty() && head_.registration.empty()) {
        return drop(LineDrop::noIdentification);
    }
    if (position_.airborne == 0 && !onGroundAtParkAirport()) {
        return drop(LineDrop::groundAway);
    }
    if (!track() ||
        !number(verticalSpeedField, "vs", -maxVerticalSpeedFpm, maxVerticalSpeedFpm, position_.verticalSpeedFpm) ||
        !route(originField, head_.origin) || !route(destinationField, head_.destination) || !bank() ||
        !trueAirspeed()) {
        return false;
    }
    position_.stationary = 0;
    // Wraps like the tick counter itself would, instead of overflowing.
    position_.dueTick = static_cast<int32_t>(static_cast<uint32_t>(engineTick) + uint32_t{positionDelayTicks});
    return true;
}

bool LineSteps::timestamp()
{
    if (!number(timestampField, "timestamp", earliestTimestamp, latestAcceptedTimestamp, record_.timestamp)) {
        return false;
    }
    result_.timestamp = record_.timestamp;
    return true;
}

bool LineSteps::position()
{
    const double infinity = std::numeric_limits<double>::infinity();
    if (!number(latField, "lat", -infinity, infinity, position_.latitude) ||
        !number(lonField, "lon", -infinity, infinity, position_.longitude)) {
        return false;
    }
    const double lat = position_.latitude;
    const double lon = position_.longitude;
    if (lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0 ||
        (std::abs(lat) <= 0.0001 && std::abs(lon) <= 0.0001)) {
        return fail(fmt::format("invalid lalo: {:.6f},{:.6f}", lat, lon));
    }
    if (gf_distanceNm(filter_.rangeCentre, {lat, lon}) > filter_.rangeNm) {
        return drop(LineDrop::outOfRange);
    }
    return true;
}

bool LineSteps::registration()
{
    const std::string_view text = field(registrationField);
    if (text.size() > maxRegistrationLength) {
        return drop(LineDrop::longRegistration);
    }
    head_.registration.assign(lf_isNull(text) ? std::string_view() : text);
    return true;
}

void LineSteps::heardCallsign() noexcept
{
    const std::string_view text = field(callsignField);
    if (!text.empty() && !lf_isNull(text) && text.find('@') == std::string_view::npos &&
        text.size() <= maxCallsignLength) {
        result_.heardCallsign = text;
    }
}

bool LineSteps::aircraftType()
{
    const std::string_view type = field(typeField);
    if (!gf_isAircraft(type, field(categoryField))) {
        return drop(LineDrop::notAircraft);
    }
    if (!gf_isPlausibleModelCode(type)) {
        return drop(LineDrop::implausibleModel);
    }
    head_.model = gf_modelIndex(type);
    return true;
}

bool LineSteps::trueHeading()
{
    if (field(sourceField) != "adsb_icao") {
        return true;
    }
    double degrees = 0.0;
    if (!lf_number(field(trueHeadingField), degrees) || !std::isfinite(degrees)) {
        return fail(fmt::format("trueheading:{}", field(trueHeadingField)));
    }
    if (degrees > 360.0) {
        return fail(fmt::format("trueheading: {:.2f}", degrees));
    }
    if (degrees < 0.0) {
        return true;
    }
    position_.trueHeadingRad = degrees == 0.0 ? 2.0 * std::numbers::pi : degrees * radiansPerDegree;
    position_.trueHeadingPresent = 1;
    return true;
}

bool LineSteps::hexId()
{
    const std::string_view text = field(hexIdField);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), record_.hexId);
    if (error != std::errc() || end == text.data()) {
        return fail(fmt::format("hexid incorrect{}", text));
    }
    if (record_.hexId <= staticHexIdLimit) {
        return drop(LineDrop::staticHexId);
    }
    return true;
}

bool LineSteps::altitude()
{
    double altitudeFt = 0.0;
    if (!lf_number(field(altitudeField), altitudeFt) || !(altitudeFt >= minAltitudeFt && altitudeFt <= maxAltitudeFt)) {
        return fail(fmt::format("altitude {} incorrect, from: {}", field(altitudeField), datagram_));
    }
    position_.altitudeFt = lf_groundedAltitude(altitudeFt, position_.groundSpeedKt, filter_);
    if (filter_.airborneOnly) {
        const double elevation = filter_.parkAirport ? filter_.parkAirport->elevationFt : 0.0;
        if (!(position_.altitudeFt - elevation > 150.0)) {
            return drop(LineDrop::airborneOnly);
        }
    }
    return true;
}

bool LineSteps::callsign()
{
    const std::string_view text = field(callsignField);
    if (lf_isNull(text) || text.find('@') != std::string_view::npos || text.size() > maxCallsignLength) {
        head_.callsign.clear();
        return true;
    }
    for (const std::string_view blocked : blockedCallsigns) {
        if (text == blocked) {
            return drop(LineDrop::blockedCallsign);
        }
    }
    head_.callsign.assign(text);
    return true;
}

bool LineSteps::onGroundAtParkAirport() noexcept
{
    return filter_.parkAirport && gf_distanceNm(filter_.parkAirport->position,
                                                {position_.latitude, position_.longitude}) <= parkAirportRadiusNm;
}

bool LineSteps::track()
{
    const std::string_view text = field(trackField);
    if (text.empty()) {
        position_.trackDeg = 0.0;
    } else if (!lf_number(text, position_.trackDeg) || !(position_.trackDeg >= 0.0 && position_.trackDeg <= 360.0)) {
        return fail(fmt::format("track incorrect {}", text));
    }
    if (position_.trackDeg == 0.0 && position_.trueHeadingRad) {
        position_.trackDeg = *position_.trueHeadingRad / radiansPerDegree;
    }
    return true;
}

bool LineSteps::route(Field index, RouteCode& code)
{
    const std::string_view text = field(index);
    if (lf_isNull(text)) {
        code = RouteCode();
        return true;
    }
    if (!RouteCode::isValid(text)) {
        return fail(fmt::format("'{}' FixedCode: invalid string (length/charset)", text));
    }
    code = RouteCode(text);
    return true;
}

bool LineSteps::bank()
{
    if (position_.airborne == 0) {
        return true;
    }
    double rollDeg = 0.0;
    if (!number(rollField, "roll", -maxRollDeg, maxRollDeg, rollDeg)) {
        return false;
    }
    if (rollDeg != -1.0 && rollDeg != 0.0) {
        position_.bankRad = -rollDeg * radiansPerDegree;
    }
    return true;
}

bool LineSteps::trueAirspeed()
{
    const std::string_view text = field(trueAirspeedField);
    double speed = 0.0;
    if (!lf_number(text, speed) || !((speed >= 0.0 && speed <= maxSpeedKt) || speed == -1.0)) {
        return fail(fmt::format("TAS incorrect{}", text));
    }
    position_.trueAirspeedKt = speed == -1.0 ? lf_estimatedTrueAirspeed(position_.altitudeFt) : speed;
    return true;
}

} // namespace

bool gf_withinGroundBand(double heightFt, double groundSpeedKt) noexcept
{
    const double height = std::abs(heightFt);
    return (height <= 42.0 && groundSpeedKt <= 120.0) || (height <= 84.0 && groundSpeedKt <= 80.0) ||
           (height <= 108.0 && groundSpeedKt <= 43.0);
}

std::string_view gf_lineDropName(LineDrop drop) noexcept
{
    const auto index = static_cast<std::size_t>(drop);
    return index < dropNames.size() ? dropNames[index] : std::string_view("unknown");
}

LineResult TrafficLineParser::parse(std::string_view datagram, const IntakeFilter& filter, int32_t engineTick,
                                    TrafficRecord& record)
{
    LineResult result;
    if (datagram.find(" VEH") != std::string_view::npos) {
        result.drop = LineDrop::vehicle;
        return result;
    }
    fieldCount_ = 0;
    std::size_t start = 0;
    while (fieldCount_ < fields_.size() - 1) {
        const std::size_t comma = datagram.find(',', start);
        if (comma == std::string_view::npos) {
            break;
        }
        fields_[fieldCount_++] = datagram.substr(start, comma - start);
        start = comma + 1;
    }
    fields_[fieldCount_++] = datagram.substr(start);
    if (fieldCount_ < trafficFieldCount) {
        result.drop = LineDrop::shortLine;
        return result;
    }
    record = TrafficRecord();
    LineSteps(datagram, fields_, filter, record, result).run(engineTick);
    return result;
}

} // namespace hlw
