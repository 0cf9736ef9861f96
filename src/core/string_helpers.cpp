#include "core/string_helpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hlw {
namespace {

std::vector<std::string_view> lf_splitAtComma(std::string_view text)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

} // namespace

std::string gf_trim(std::string_view text)
{
    const auto first = text.find_first_not_of(whiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string{text.substr(first, text.find_last_not_of(whiteSpace) - first + 1)};
}

std::vector<std::string> gf_split(std::string_view text) { return gf_tokenize(lf_splitAtComma(text)); }

std::vector<std::string> gf_splitComma(std::string_view text)
{
    std::vector<std::string> items;
    for (const std::string_view piece : lf_splitAtComma(text)) {
        items.push_back(gf_trim(piece));
    }
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

void gf_trimCommaList(std::string& text)
{
    if (text.find_first_of(whiteSpace) == std::string::npos) {
        return;
    }
    std::string joined;
    for (const std::string& item : gf_split(text)) {
        if (!joined.empty()) {
            joined += ',';
        }
        joined += item;
    }
    text = std::move(joined);
}

char gf_toUpperChar(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool gf_toUpper(std::string_view expected, const std::string& text)
{
    return std::ranges::equal(text, expected, [](char a, char b) { return gf_toUpperChar(a) == b; });
}

int32_t gf_percent(int64_t count, int64_t total) noexcept
{
    if (total < 1) {
        return 0;
    }
    const double rounded = std::round(static_cast<double>(count) * 100.0 / static_cast<double>(total));
    // Out-of-range percentages are clamped rather than left to an undefined conversion.
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(rounded, lowest, highest));
}

std::string gf_starTitle(int width1, int width2, bool leadingNewline, bool trailingNewline, std::string_view title)
{
    std::string line = leadingNewline ? "\n" : "";
    int width = std::max(0, width1 + width2);
    if (width % 2 != 0) {
        ++width;
    }
    if (title.empty()) {
        line.append(static_cast<std::size_t>(width), '*');
    } else if (title.size() + 2 < static_cast<std::size_t>(width)) {
        const std::string stars(static_cast<std::size_t>(width / 2 - 1), '*');
        line += stars + " " + std::string{title} + " " + stars;
    } else {
        line = title;
    }
    if (trailingNewline) {
        line += '\n';
    }
    return line;
}

} // namespace hlw
