#pragma once
// Which file holds an airport's stands, and where the learned file of that file lies. An airport's file is a
// file of the user's own or one the add-on airports scan generated ("airports/my_thirdparty",
// "airports/my_simaddon", each with ".txt" link files that name another file), or the archived file that the
// airports database announces ("archive/stock/<ICAO>.xml", a name to download rather than a local path).
// Everything here works on texts and paths relative to the program folder (the current folder).
#include "core/fixed_code.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Link files hold one file text; anything larger is not a link file.
inline constexpr std::size_t linkFileMaxBytes = 4096;

// "EHAM.xml"
std::string gf_icaoXmlName(const AirportCode& code);
// The same names as paths: "EHAM.xml", "EHAM.txt".
std::filesystem::path gf_icaoXmlPath(const AirportCode& code);
std::filesystem::path gf_icaoTxtPath(const AirportCode& code);
// The code (four blanks for the empty code) followed by the version text without its dots: "EHAM120".
std::string gf_icaoVersionStem(const AirportCode& code, std::string_view version);

// The components of a file text split at '/' and '\'. Nothing when the text would leave the program folder or
// cannot be a plain relative path: a leading separator, an empty, "." or ".." component, a ':' (drive letters)
// or a control character.
std::optional<std::vector<std::string_view>> gf_apfTextComponents(std::string_view text);

// The file text of a link file: its content without a leading byte order mark, carriage returns and trailing
// white space, when that ends in ".xml" (any case) and is a safe relative text (gf_apfTextComponents).
// Nothing for a missing, empty, unreadable or too large file or another text; an unsafe text is logged.
std::optional<std::string> gf_readLinkFile(const std::filesystem::path& path);

// The text naming the airport's file, or the empty text: the link file, then the ".xml" file in
// "my_thirdparty", the same two in "my_simaddon", then "archive/stock/<ICAO>.xml" when the airports database
// gives the airport stands. An existence test that fails for another reason than absence is logged and counts
// as absent; nothing is thrown.
std::string gf_findApf(const AirportCode& code);
// True exactly when gf_findApf finds a file.
bool gf_apfAvailable(const AirportCode& code);

// The add-on name without blanks or tabs at either end.
std::string gf_cleanAddonName(std::string_view name);

// The learned file that belongs to the file named by the text (under "airports/learned"), or the empty path
// for a text that names no airport file or is not safe. addonName names the add-on of a file in
// "my_thirdparty" or "my_thirdparty2024" (the file's publisher).
std::filesystem::path gf_learnedApfPath(std::string_view fileText, std::string_view addonName);

} // namespace hlw
