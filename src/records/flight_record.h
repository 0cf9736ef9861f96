#pragma once
// The flight data of one aircraft, live or static, as far as the livery matching and the log lines about an
// aircraft need it. The live and static aircraft of the engine and the parking begin with this record.
#include "refdata/aircraft_category.h"
#include "refdata/reference_tables.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hlw {

struct FlightRecord {
    // The search key of the livery matching, in this order: airline, operator, model, cargo.
    uint16_t airline = 0;
    uint16_t secondAirline = 0; // the operator, 0 = none
    uint16_t model = 0;
    uint8_t cargo = 0;

    // A live aircraft's ICAO address; static aircraft get sequence numbers of at most staticHexIdLimit.
    uint32_t hexId = 0;
    std::string callsign;
    std::string registration; // may be empty
    // The model's category, set when the record is built; matching runs only after that.
    AircraftCategory category = AircraftCategory::Large;
    // A view into the livery tables' title strings (liveries/livery_catalogue.h); empty = no livery. Valid until
    // the livery tables are rebuilt, which happens only at a start-up after every aircraft has been removed.
    std::string_view title;
    // The chosen livery comes from the FSLTL package family (its title holds "FSLTL_").
    bool fsltlLivery = false;

    // The key fields as one code group (the valid flag 0).
    RegistrationCodes codes() const noexcept { return {airline, secondAirline, model, cargo, 0}; }
};

// Hex ids up to this value belong to static aircraft.
inline constexpr uint32_t staticHexIdLimit = 10000;

// "{:3}{:4} {:4}{}{:3}": airline code, "," + operator code (or nothing), model code, "." when the valid flag is
// set (else a blank), "(C)" for cargo.
std::string gf_flightLabel(const RegistrationCodes& codes);

// "{} {}": callsign and flight label; used in the log lines about one aircraft.
std::string gf_describeAc(const FlightRecord& record);
// "{} {} {}": callsign, flight label and registration.
std::string gf_describeAcWithReg(const FlightRecord& record);

} // namespace hlw
