#pragma once
// Reading the stands of an airport file and laying the airport's learned file over them: the learned file
// changes radius and cargo flag of stands, adds stands made by hand and the learned stand use, and carries the
// airport's own settings, which are applied at once. A handmade learned file replaces the stands altogether.
#include "core/capped_alerts.h"
#include "parking/park_airport_state.h"
#include "records/stand_record.h"

#include <pugixml.hpp>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Airport files are a few hundred kilobytes (30,000 stands with two recorded uses each take 9 MB); anything beyond
// this is not read.
inline constexpr std::size_t apfMaxBytes = 16U << 20U;
// The most memory the parsed tree of an airport or learned file may take besides its text (gf_apfTreeBytes): the
// 30,000 stands above take 26 MiB; 16 MiB of the smallest elements would take 256 MiB.
inline constexpr std::size_t apfMaxTreeBytes = 48U << 20U;
// The most stands an airport file may hold: the most a scenery airport's parking count can give.
inline constexpr std::size_t apfMaxStands = 65535;
// The user errors of bad stand ids.
inline constexpr int standIdErrorCode = 93;
inline constexpr int duplicateStandErrorCode = 94;

// The memory pugixml's tree of the text would take besides the text: 64 bytes for every element and for every
// text between elements (also one of nothing but '>'), 40 for every attribute (its pages add less than 1 %).
// Counted from the characters that begin them, so that no node is missed and markup which makes none (a comment,
// a '<' or '=' inside a value) counts too.
std::size_t gf_apfTreeBytes(std::string_view text) noexcept;

// Reads the file (at most apfMaxBytes, and a tree of at most apfMaxTreeBytes) into the document with pugixml's
// default options. Nothing when that worked, else the reason.
std::optional<std::string> gf_loadApfDocument(const std::filesystem::path& path, pugi::xml_document& document);

// Appends every "parkpos" of the "parkpositions" under "root" (or under the document) as a stand; the options
// get the fromAirportFile mark given. More than apfMaxStands of them throw UserErrorException before any is read;
// a missing, empty (after trimming blanks, tabs, CR and LF) or repeated id throws UserErrorException 93 or 94; the
// stands read before it stay. Of the alerts of skipped stands only the first few of each kind are logged
// (CappedAlerts).
void gf_readParkpositions(pugi::xml_node document, std::vector<StandRecord>& stands, bool fromAirportFile);

// Appends the stand of one "parkpos" under the id given. A stand without a usable position, or with a heading
// or radius that is not a plausible finite number, is skipped with an alert through alerts; false then.
bool gf_readParkpos(pugi::xml_node parkpos, std::string id, bool fromAirportFile, std::vector<StandRecord>& stands,
                    CappedAlerts& alerts);

// The callsign, second callsign and codes of one "opt". The codes are the reference database's record of the
// "reg" when it has one, else those of the "airl" and "type" texts (gf_readOptCodes).
struct OptText {
    std::string callsign;
    std::string secondCallsign;
    StandCodes codes;
};
OptText gf_readOpt(pugi::xml_node opt);
StandCodes gf_readOptCodes(pugi::xml_node opt);

// Lays the learned file over the park airport's stands (see LearnedRead for the outcomes, which the state also
// keeps). airportName is the airport file's "airport_name". Learned entries of stands the airport does not have
// are kept for the next save: the parsed file itself is kept with nothing but them, so that they take no more
// memory than they took to read. A file that cannot be opened or read, or is beyond apfMaxBytes or
// apfMaxTreeBytes, is unreadable, which the log and the message line say. Of each kind of alert about its entries
// only the first few are logged, and one line counts the rest (CappedAlerts). Never throws, and never changes the
// file.
LearnedRead gf_readLearned(const std::filesystem::path& path, std::string_view airportName, ParkAirportState& state);
// The same for a document already parsed, which it takes; path only names it in log lines.
LearnedRead gf_readLearnedDocument(pugi::xml_document&& document, const std::filesystem::path& path,
                                   std::string_view airportName, ParkAirportState& state);

} // namespace hlw
