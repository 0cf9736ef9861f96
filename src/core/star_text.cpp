#include "core/star_text.h"

namespace hlw {

bool gf_equalsWithStar(std::string_view text, std::string_view other)
{
    return other.size() == text.size() + 1 && other.back() == '*' && other.starts_with(text);
}

} // namespace hlw
