#include "liveries/atc_id_value.h"

#include <cstddef>

namespace hlw {

AtcIdValue gf_checkAtcIdValue(std::string_view value) noexcept
{
    if (value.empty()) {
        return AtcIdValue::invalid;
    }
    std::size_t items = 0;
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = value.find(',', begin);
        const std::string_view item = value.substr(begin, comma == std::string_view::npos ? comma : comma - begin);
        if (item.empty() || item == " " || item.size() > 12 || item.find('*') != std::string_view::npos) {
            return AtcIdValue::invalid;
        }
        ++items;
        if (comma == std::string_view::npos) {
            break;
        }
        begin = comma + 1;
    }
    return items == 1 ? AtcIdValue::single : AtcIdValue::several;
}

} // namespace hlw
