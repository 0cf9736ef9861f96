#include "refdata/category_name.h"

#include <array>
#include <stdexcept>

namespace hlw {

const std::string& gf_categoryName(AircraftCategory category)
{
    static const std::array<std::string, 6> names{"Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"};
    const auto index = static_cast<int32_t>(category);
    if (index < 0 || index >= static_cast<int32_t>(names.size())) {
        throw std::out_of_range("gf_categoryName: unknown aircraft category");
    }
    return names[static_cast<std::size_t>(index)];
}

} // namespace hlw
