#pragma once
// Choosing the livery title of an aircraft the program creates, live or static. The search runs from the most
// exact step (the aircraft's own registration) to the loosest (a model of the same category) and goes as far
// as "MATCHING_DEPTH" allows:
//   depth 1: the registration;
//   depth 2: the generic ("ZZZ") livery of a private ("PVT") aircraft, then airline and model;
//   depth 3: the airline (or its operator) with a similar model;
//   depth 4: the generic livery, and for Light, Buzjets and Rotorcraft any livery of the model or of an
//            alternative model.
// "RANDOM" decides whether a choice among candidates is random or the first. A title the simulator refused is
// never chosen, and a special livery is chosen only through its registration while other candidates exist.
//
// Worker thread only; reads the livery tables (livery_catalogue.h, registration_tables.h, similar models)
// without a lock. The chosen title is a view into the catalogue's title strings. Apart from the log line of an
// accepted match, a match allocates nothing once its scratch lists have grown.
#include "records/flight_record.h"
#include "records/stand_record.h"

#include <string_view>

namespace hlw {

// Live aircraft: afterwards record.title is the chosen title or empty; record.fsltlLivery tells whether it is a
// livery of the FSLTL family. Each accepted step is counted for the matching summary and logged.
void gf_matchLivery(FlightRecord& record);

// Static aircraft at the stand: true when the record has a title afterwards (a record that has one keeps it).
// The stand's cargo flag stands in for the record's in the generic attempts. Not counted.
bool gf_matchStaticLivery(FlightRecord& record, const StandRecord& stand);

// The registration prefix: the text up to and including the first '-' when that is not the first character
// (D-ABCD: "D-", 9H-ABC: "9H-"), else the first character (N12345: "N"); empty for an empty registration.
std::string_view gf_registrationPrefix(std::string_view registration) noexcept;

// The word that a livery title of the airline holds (BAW: "British"); "not found" for other airlines.
std::string_view gf_airlineNameKeyword(std::string_view airlineCode) noexcept;

} // namespace hlw
