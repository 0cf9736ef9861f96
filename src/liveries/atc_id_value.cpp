#include "liveries/atc_id_value.h"

#include "core/string_helpers.h"

#include <algorithm>

namespace hlw {

std::string_view gf_atcIdWithoutComment(std::string_view value) noexcept
{
    return gf_trimView(value.substr(0, value.find(';')));
}

AtcIdValue gf_checkAtcIdValue(std::string_view value)
{
    if (value.empty()) {
        return AtcIdValue::invalid;
    }
    const std::vector<std::string_view> items = gf_splitAt(value, ',');
    const auto invalid = [](std::string_view item) {
        return item.empty() || item == " " || item.size() > 12 || item.find('*') != std::string_view::npos;
    };
    if (std::ranges::any_of(items, invalid)) {
        return AtcIdValue::invalid;
    }
    return items.size() == 1 ? AtcIdValue::single : AtcIdValue::several;
}

} // namespace hlw
