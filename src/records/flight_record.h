#pragma once
// The records that describe one aircraft: its identification (FlightHead), one point of its position stream
// (PositionRecord), a received traffic line (TrafficRecord) and the flight data of a live or static aircraft
// (FlightRecord), with the text forms that every log line about an aircraft uses.
//
// All of them are plain values owned by their container and moved, never shared. Only the worker touches them,
// except a TrafficRecord, which the traffic reader builds and hands over through the traffic queue.
#include "core/fixed_code.h"
#include "refdata/aircraft_category.h"
#include "refdata/reference_tables.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

// Hex ids up to this value belong to static aircraft.
inline constexpr uint32_t staticHexIdLimit = 10000;
// Callsigns longer than this are no callsigns.
inline constexpr std::size_t maxCallsignLength = 8;
inline constexpr std::size_t maxRegistrationLength = 12;

// Who flies: the code group of the livery matching, the route and the callsigns.
struct FlightHead {
    // The code group, in the layout of RegistrationCodes: airline, operator, model, cargo, and the flag of a
    // registration found in the reference database.
    uint16_t airline = 0;
    uint16_t secondAirline = 0; // the operator, 0 = none
    uint16_t model = 0;
    uint8_t cargo = 0;
    uint8_t registrationKnown = 0;

    RouteCode origin;      // empty = none
    RouteCode destination; // empty = none
    // The landing of this aircraft was counted in the learned stand use already.
    uint8_t slotsMarked = 0;

    std::string callsign; // at most maxCallsignLength characters; empty = none
    // The two coupled callsigns: a live aircraft's previous callsign, or those of the stand option it came from.
    std::string secondCallsign;
    std::string thirdCallsign;
    std::string registration; // at most maxRegistrationLength characters; empty = none

    RegistrationCodes codes() const noexcept { return {airline, secondAirline, model, cargo, registrationKnown}; }
};

// One point of an aircraft's position stream.
struct PositionRecord {
    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
    double altitudeFt = 0.0; // 0 = on the ground
    double groundSpeedKt = 0.0;
    double trackDeg = 0.0;
    double verticalSpeedFpm = 0.0;
    double trueAirspeedKt = 0.0; // received, or estimated from the altitude
    // The engine tick at which the point is to be reached.
    int32_t dueTick = 0;
    uint8_t airborne = 0;
    // Set on points the motion makes up; 0 on received points.
    uint8_t stationary = 0;
    uint8_t trueHeadingPresent = 0;
    // The ground speed was checked against the positions around the point (on a roll) and taken from them where it
    // disagreed.
    uint8_t speedFromPositions = 0;
    std::optional<double> bankRad;        // positive to the left
    std::optional<double> trueHeadingRad; // 0 < value <= 2 pi
};

// One accepted traffic line.
struct TrafficRecord {
    FlightHead head;
    PositionRecord position;
    double timestamp = 0.0; // seconds since 1970, as received
    uint32_t hexId = 0;     // always above staticHexIdLimit
};

// The flight data of a live or static aircraft; the live and static aircraft records begin with it.
struct FlightRecord : FlightHead {
    double halfWingspanNm = 0.0;
    // Set by the simulator's static-CG reply; 0 until then.
    double staticCgHeightFt = 0.0;
    double staticPitchRad = 0.0;
    // Negative = nose up; the category's values, varied per aircraft.
    double takeOffPitchRad = 0.0;
    double climbPitchRad = 0.0;
    double normalTurnStepRad = 0.0; // per tick
    double turnStepRad = 0.0;       // per tick; the ground motion changes it and restores the normal step
    double climbLimitFtPerTick = 0.0;
    double taxiSpeedKt = 0.0;

    // A live aircraft's ICAO address; static aircraft get sequence numbers of at most staticHexIdLimit.
    uint32_t hexId = 0;
    AircraftCategory category = AircraftCategory::Large;
    // A view into the livery tables' title strings (liveries/livery_catalogue.h); empty = no livery. Valid until
    // the livery tables are rebuilt, which happens only at a start-up after every aircraft has been removed.
    std::string_view title;

    uint32_t flareTicks = 0;
    uint32_t touchdownTicks = 0;
    uint32_t takeOffRunTicks = 0;
    uint32_t rotationTicks = 0;
    // The chosen livery comes from the FSLTL package family (its title holds "FSLTL_").
    bool fsltlLivery = false;
};

// The flight data of a new aircraft from its first traffic record: the head and hex id copied, the half wing span
// and the category from the reference data (the model index was interned with the data's code fixes active, so a
// corrected code is classified by its corrected form), and the category's values from its performance table, the
// two pitches varied by 2.5 and 5 % (core/random_choice.h) so that aircraft of one category do not move in
// lockstep. Any thread may build one.
FlightRecord gf_makeFlightRecord(const TrafficRecord& record);

// "{:3}{:4} {:4}{}{:3}": airline code, "," + operator code (or nothing), model code, "." when the registration
// flag is set (else a blank), "(C)" for cargo. A code index beyond its table prints as an empty code.
std::string gf_flightLabel(const RegistrationCodes& codes);
// "{:3}->{:3}" when either code is present (a missing one as three blanks); 8 blanks when both are missing.
std::string gf_routeLabel(const RouteCode& origin, const RouteCode& destination);

// "{:8} {:12} {} {}": callsign, registration, route label and flight label; the description that log lines about
// an aircraft insert.
std::string gf_describeAc(const FlightHead& head);
// "{:8} {} {}": callsign, registration and flight label.
std::string gf_describeAcWithReg(const FlightHead& head);
// The flight label, a blank and the registration: the key of a refused livery.
std::string gf_labelWithReg(const FlightHead& head);

// Not empty, not "@@@@@@@@" and at most maxCallsignLength characters.
bool gf_isUsableCallsign(const FlightHead& head) noexcept;
// The airline code at the front of a callsign: with at least 4 characters, three letters and a digit, the three
// letters upper-cased; otherwise nothing.
std::optional<std::string> gf_callsignAirline(std::string_view callsign);

} // namespace hlw
