#include "core/string_helpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hlw {
namespace {

bool lf_sameLetter(char a, char b) noexcept
{
    return gf_toUpperChar(a) == gf_toUpperChar(b);
}

} // namespace

std::string_view gf_trimView(std::string_view text, std::string_view drop) noexcept
{
    const auto first = text.find_first_not_of(drop);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(drop) - first + 1);
}

std::string_view gf_trimLeftView(std::string_view text, std::string_view drop) noexcept
{
    const auto first = text.find_first_not_of(drop);
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string gf_trim(std::string_view text) { return std::string(gf_trimView(text)); }

std::vector<std::string_view> gf_splitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::vector<std::string> gf_split(std::string_view text)
{
    std::vector<std::string> items;
    for (const std::string_view field : gf_splitAt(text, ',')) {
        const std::string_view item = gf_trimView(field);
        if (!item.empty()) {
            items.emplace_back(item);
        }
    }
    return items;
}

std::vector<std::string> gf_splitComma(std::string_view text)
{
    std::vector<std::string> items;
    for (const std::string_view field : gf_splitAt(text, ',')) {
        items.emplace_back(gf_trimView(field));
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

std::string gf_toUpperAscii(std::string_view text)
{
    std::string upper(text);
    gf_makeUpperAscii(upper);
    return upper;
}

void gf_makeUpperAscii(std::string& text) noexcept
{
    std::ranges::transform(text, text.begin(), gf_toUpperChar);
}

bool gf_equalNoCase(std::string_view a, std::string_view b) noexcept
{
    return std::ranges::equal(a, b, lf_sameLetter);
}

bool gf_startsWithNoCase(std::string_view text, std::string_view prefix) noexcept
{
    return text.size() >= prefix.size() && gf_equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool gf_containsNoCase(std::string_view text, std::string_view needle) noexcept
{
    return std::ranges::search(text, needle, lf_sameLetter).begin() != text.end() || needle.empty();
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
