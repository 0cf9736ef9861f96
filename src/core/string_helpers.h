#pragma once
// Small text operations of the data-file readers and the log. Text is UTF-8 handled as bytes; case and
// white space are those of the C locale.
#include <cstdint>
#include <ranges>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Blank, tab, line feed and carriage return.
inline constexpr std::string_view whiteSpace = " \t\n\r";

std::string gf_trim(std::string_view text);

// The trimmed, non-empty pieces of an already split text, in order. Pieces are contiguous character ranges,
// for example the elements of std::views::split.
template <std::ranges::input_range Pieces>
std::vector<std::string> gf_tokenize(Pieces&& pieces)
{
    std::vector<std::string> items;
    for (auto&& piece : pieces) {
        std::string item = gf_trim(std::string_view(std::ranges::begin(piece), std::ranges::end(piece)));
        if (!item.empty()) {
            items.push_back(std::move(item));
        }
    }
    return items;
}

// The text split at every ',', each piece trimmed, empty pieces dropped, order kept.
std::vector<std::string> gf_split(std::string_view text);
// The text split at every ',' (n commas give n + 1 pieces), each piece trimmed (empty pieces stay), sorted by
// bytes and without duplicates.
std::vector<std::string> gf_splitComma(std::string_view text);
// A text holding white space becomes its gf_split items joined by ","; any other text stays as it is.
void gf_trimCommaList(std::string& text);

// True when text, upper-cased, equals expected exactly.
bool gf_toUpper(std::string_view expected, const std::string& text);
char gf_toUpperChar(char c) noexcept;

// count * 100 / total rounded half away from zero; 0 when total is below 1.
int32_t gf_percent(int64_t count, int64_t total) noexcept;

// A star-framed title line for a block of log lines: width (width1 + width2, made even) stars for an empty
// title, the title between two runs of stars and blanks when it fits, else the title alone.
std::string gf_starTitle(int width1, int width2, bool leadingNewline, bool trailingNewline, std::string_view title);

} // namespace hlw
