#include "refdata/category_name.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace hlw {
namespace {

TEST(CategoryName, NamesOfEveryCategoryAndNoOther)
{
    const char* const names[] = {"Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(gf_categoryName(static_cast<AircraftCategory>(i)), names[i]);
    }
    EXPECT_THROW(gf_categoryName(static_cast<AircraftCategory>(6)), std::out_of_range);
    EXPECT_THROW(gf_categoryName(static_cast<AircraftCategory>(-1)), std::out_of_range);
}

} // namespace
} // namespace hlw
