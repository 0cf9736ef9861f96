#include "records/category_performance.h"

#include <array>
#include <stdexcept>

namespace hlw {

namespace {

// Indexed by the category value: Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft.
constexpr std::array<CategoryPerformance, 6> performanceTable{{
    {-9.0, -15.0, 0.15, 0.5, 5.0, 250, 250, 100, 200},
    {-8.0, -18.0, 0.10, 0.75, 4.5, 300, 300, 200, 250},
    {-6.0, -16.5, 0.07, 0.6, 4.0, 400, 350, 200, 300},
    {-5.0, -12.5, 0.05, 0.5, 3.0, 450, 450, 250, 400},
    {-6.0, -20.0, 0.10, 1.0, 4.5, 150, 150, 100, 200},
    {-20.0, -30.0, 0.20, 0.75, 5.0, 100, 100, 100, 100},
}};

} // namespace

const CategoryPerformance& gf_categoryPerformance(AircraftCategory category)
{
    const auto index = static_cast<int32_t>(category);
    if (index < 0 || index >= static_cast<int32_t>(performanceTable.size())) {
        throw std::out_of_range("gf_categoryPerformance: unknown aircraft category");
    }
    return performanceTable[static_cast<std::size_t>(index)];
}

} // namespace hlw
