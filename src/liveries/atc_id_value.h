#pragma once
// The rule both aircraft.cfg readers apply to an "atc_id" value.
#include <string_view>

namespace hlw {

enum class AtcIdValue {
    invalid,  // no item, an empty item, a single blank, an item longer than 12 characters or one holding '*'
    single,   // exactly one valid item: the livery's registration
    several,  // several valid items: a livery without one registration
};

// The registration in a value: the text before a ';' comment, without the blanks around it
// ("D-AIZA ; old registration" gives "D-AIZA"). The view points into value.
std::string_view gf_atcIdWithoutComment(std::string_view value) noexcept;

// The value (without its comment) split at every ','; empty items between or after commas count as items.
AtcIdValue gf_checkAtcIdValue(std::string_view value);

} // namespace hlw
