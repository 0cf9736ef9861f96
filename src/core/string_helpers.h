#pragma once
// Small text operations of the data-file readers, the tools and the log. Text is UTF-8 handled as bytes; case
// is ASCII only (other bytes never change), and the blank sets are named below.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Blank, tab, line feed and carriage return.
inline constexpr std::string_view whiteSpace = " \t\n\r";
// The white space of the C locale: whiteSpace with vertical tab and form feed.
inline constexpr std::string_view cSpace = " \t\n\v\f\r";

// The text without the leading and trailing characters of drop; a view into text.
std::string_view gf_trimView(std::string_view text, std::string_view drop = whiteSpace) noexcept;
// The text without its leading characters of drop; a view into text.
std::string_view gf_trimLeftView(std::string_view text, std::string_view drop = whiteSpace) noexcept;
std::string gf_trim(std::string_view text);

// The fields between separators, empty ones included: n separators give n + 1 fields ("" gives one empty
// field). The views point into text.
std::vector<std::string_view> gf_splitAt(std::string_view text, char separator);

// The text split at every ',', each field trimmed, empty fields dropped, order kept.
std::vector<std::string> gf_split(std::string_view text);
// The text split at every ',' (n commas give n + 1 fields), each field trimmed (empty fields stay), sorted by
// bytes and without duplicates.
std::vector<std::string> gf_splitComma(std::string_view text);
// A text holding white space becomes its gf_split items joined by ","; any other text stays as it is.
void gf_trimCommaList(std::string& text);

constexpr char gf_toUpperChar(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char gf_toLowerChar(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string gf_toUpperAscii(std::string_view text);
void gf_makeUpperAscii(std::string& text) noexcept;

// Comparisons that ignore the case of the ASCII letters.
bool gf_equalNoCase(std::string_view a, std::string_view b) noexcept;
bool gf_startsWithNoCase(std::string_view text, std::string_view prefix) noexcept;
// True for an empty needle.
bool gf_containsNoCase(std::string_view text, std::string_view needle) noexcept;

// count * 100 / total rounded half away from zero; 0 when total is below 1.
int32_t gf_percent(int64_t count, int64_t total) noexcept;

// A star-framed title line for a block of log lines: width (width1 + width2, made even) stars for an empty
// title, the title between two runs of stars and blanks when it fits, else the title alone.
std::string gf_starTitle(int width1, int width2, bool leadingNewline, bool trailingNewline, std::string_view title);

} // namespace hlw
