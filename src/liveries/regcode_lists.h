#pragma once
// Readers of the lists that tie registrations to livery titles: the AIG file ("AIG-regcodes.xml", the plain
// copy of "input/AIG-regcodes.enc") and the user's own text lists ("input/my_regcodes/*.TXT").
// An entry without registrations names a title that must never be used.
#include "core/capped_alerts.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

struct RegcodeEntry {
    std::string title;
    std::vector<std::string> codes; // ascending, without repeats; empty for a don't-use title
    bool special = false;           // chosen only by its registration, never at random

    bool operator==(const RegcodeEntry&) const = default;
};

// The third field of a user list line that marks an entry with several codes as special.
inline constexpr std::string_view regcodeSpecialMarker = "#";
inline constexpr std::size_t minRegcodeLength = 3;
inline constexpr std::size_t maxRegcodeLength = 12;

// One line of a user list ("title", "title;codes" or "title;codes;#"; codes separated by ','). Appends the
// entry the line gives, if any. A code of the wrong length is dropped with the alert
// "wrong regcode length '{}' in {}"; then the result is false. Nothing is trimmed: a code with a blank at
// either end is kept as it stands but logged, since it will hardly match a received registration. The alerts go
// through the file's capped alerts, so a list of wrong codes cannot flood the log.
bool gf_parseRegcodeLine(std::string_view line, const std::filesystem::path& file,
                         std::vector<RegcodeEntry>& entries, CappedAlerts& alerts);

// Appends the entries of every regular ".TXT" file (any case) directly in the folder, each read through
// encoding detection. False when a code had a wrong length, a file could not be read (its encoding not
// detected, invalid text) or the folder could not be listed; the entries collected so far stay.
bool gf_readRegcodeTxtFiles(const std::filesystem::path& folder, std::vector<RegcodeEntry>& entries);

// Appends the entries of the plain AIG file: "root" with a meta block (simulator entry required) and "aig"
// holding "l" elements with the attributes "t" (title), "r" (registrations, ',') and "s" (special). True when
// the file was read without fault. The caller removes the file.
bool gf_readAigRegcodeXml(const std::filesystem::path& file, std::vector<RegcodeEntry>& entries);

} // namespace hlw
