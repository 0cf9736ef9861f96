#pragma once
// Questions the rest of the program asks of the reference tables (reference_tables.h): the category and half
// wing span of a model, the record of a registration, similar registration prefixes, the publisher of an
// add-on package and the airports of a publisher. Every lookup only reads the installed tables and may be
// called from any thread once the reference database has been read.
#include "core/string_helpers.h"
#include "refdata/aircraft_category.h"
#include "refdata/reference_tables.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// The first list of large, heavy, buzjet, rotorcraft, high_performance that holds the model; Light otherwise
// (also for the empty code and for models the reference data does not know).
AircraftCategory gf_modelCategory(uint16_t model) noexcept;
// gf_modelCategory of gf_modelIndex(code): an unknown code is interned and is Light.
AircraftCategory gf_modelCategoryByName(std::string_view code);

// Half the wing span in nautical miles; 0.0 for a model without a wing span. A model interned after the
// reference data was read has none; the line "hwsp: {} ({}) has no wingspan entry" is written once per index.
double gf_halfWingspanNm(uint16_t model) noexcept;
// The largest half span of the reference data (0.0 before it is read): the fallback for the user aircraft.
double gf_maxHalfWingspanNm() noexcept;

// The other prefixes of the prefix's group, empty for a prefix in no group. While "RANDOM" is on the list
// comes in a new random order on each call (a copy: callers on several threads never share it).
std::vector<std::string> gf_similarPrefixes(std::string_view prefix);

// The spellings a registration is searched under: for 5 or more characters without "-" and not beginning with
// 'N', first "XX-rest" and then "X-rest"; last, always, the registration as given (DAIPA: DA-IPA, D-AIPA,
// DAIPA).
std::vector<std::string> gf_registrationVariants(std::string_view registration);
// The codes of the first variant that has a record (binary search); nothing for the empty text.
std::optional<RegistrationCodes> gf_findDbaseRecord(std::string_view registration) noexcept;
// The first registration (in sorted order) shorter than 6 characters that occurs in the text, case-sensitive.
std::optional<std::string> gf_findShortRegistration(std::string_view text);

// gf_containsNoCase (core/string_helpers.h) on the path's UTF-8 text, or on its bytes when it is no UTF-8.
bool gf_containsNoCase(const std::filesystem::path& path, std::string_view needle);
// The own name of the first publisher group (in order) with a name that occurs in the text regardless of case.
std::optional<std::string> gf_findPublisher(std::string_view text);
// True when an entry of the publisher (exact name) in the list of the chosen simulator names the airport.
bool gf_isThirdPartyAirport(bool msfs2020, std::string_view publisher, std::string_view airport);

} // namespace hlw
