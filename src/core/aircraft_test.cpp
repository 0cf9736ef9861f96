#include "core/aircraft_test.h"

#include <algorithm>
#include <array>

namespace hlw {
namespace {

constexpr std::array<std::string_view, 5> nonAircraftCategories{"B1", "B2", "B4", "C1", "C2"};
constexpr std::array<std::string_view, 10> nonAircraftTypes{"BALL", "EMER", "GLID", "GRND", "GND",
                                                            "PARA", "SERV", "SHIP", "VENT", "TWR"};

template <std::size_t N> bool lf_contains(const std::array<std::string_view, N>& set, std::string_view text)
{
    return std::find(set.begin(), set.end(), text) != set.end();
}

bool lf_isNonAircraftType(std::string_view type)
{
    return type.size() > 4 || lf_contains(nonAircraftTypes, type);
}

} // namespace

bool gf_isAircraft(std::string_view type, std::string_view category)
{
    if (type.empty() || type == "null") {
        return false;
    }
    if (lf_contains(nonAircraftCategories, category)) {
        return false;
    }
    return !lf_isNonAircraftType(type);
}

} // namespace hlw
