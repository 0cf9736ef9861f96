#pragma once
// Readers of single key lines of an aircraft.cfg [fltsim.N] section. A key line is, as a whole,
//     blanks, the key (letter case ignored), blanks, '=', blanks, the value, blanks
// where blanks are any of " \t\n\v\f\r" and the value runs from its first to its last non-blank character and
// holds no carriage return or line feed. The matcher is hand-written and linear, so a garbled file with
// very long lines costs time in proportion to its size and nothing more.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hlw {

// Longer titles are refused.
inline constexpr std::size_t longestTitle = 256;

// The value of a key line, or the empty view when the line is no line of that key. The view points into line.
std::string_view gf_matchKey(std::string_view line, std::string_view key) noexcept;
// A value holding a double quote gives the text between the first and the next double quote (empty when there
// is no second one); a value without one is used whole.
std::string_view gf_applyQuoteRule(std::string_view value) noexcept;

// True, with the value (after the quote rule) stored, when the line is such a key line with a non-empty value;
// otherwise false and the output unchanged.
bool gf_getTitle(std::string_view line, std::string& title);
bool gf_getTexture(std::string_view line, std::string& texture);
bool gf_getAtcId(std::string_view line, std::string& atcId);
bool gf_getAtcParkingTypes(std::string_view line, std::string& parkingTypes);
// Why a (trimmed) title cannot be used, as the end of an incomplete-section line: "has a title with control
// characters" (bytes below 32 and 127) or "has a title longer than 256 bytes"; empty for a usable title.
std::string gf_titleProblem(std::string_view title);
// False when the line is no "icao_airline" line; else true with "ZZZ" stored for an empty value or exactly
// "ZZZZ", otherwise the value upper-cased.
bool gf_getIcaoAirline(std::string_view line, std::string& airline);
// The "icao_type_designator" value cut to 4 characters, upper-cased; empty when none.
std::string gf_getIcaoTypeDesignator(std::string_view line);
// The type designator of the default aircraft that the "base_container" value names ("..\" and a folder name
// of gf_defaultAircraftTypes, compared exactly), upper-cased; empty when none.
std::string gf_getBaseContainer(std::string_view line);
// The number of a [fltsim.N] header line; "10000" for a malformed header that still holds "[fltsim." or
// "[FLTSIM."; empty for any other line and for a line starting with "//".
std::string gf_getFltsimNumber(std::string_view line);

// Plain substring tests for a second occurrence of a key, commented-out lines included.
bool gf_lineHasAtcId(std::string_view line) noexcept;
bool gf_lineHasAtcParkingTypes(std::string_view line) noexcept;

// Folder names of the simulator's default aircraft to their ICAO type designators.
const std::unordered_map<std::string, std::string>& gf_defaultAircraftTypes();

} // namespace hlw
