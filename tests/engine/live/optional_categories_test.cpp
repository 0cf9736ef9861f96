#include "engine/live/optional_categories.h"

#include "settings/catalogue.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

// Each optional category follows its own setting and no other; the airliner classes are always shown.
TEST(OptionalCategories, EachOptionalCategoryFollowsItsOwnSetting)
{
    BoolCheckBoxParameter* const choices[] = {&settings::lightAircraft, &settings::highPerfAircraft,
                                              &settings::helicopters};
    struct Case {
        AircraftCategory category;
        BoolCheckBoxParameter* choice; // none: always shown
    };
    const Case cases[] = {
        {AircraftCategory::Light, &settings::lightAircraft},
        {AircraftCategory::HighPerf, &settings::highPerfAircraft},
        {AircraftCategory::Rotorcraft, &settings::helicopters},
        {AircraftCategory::Buzjets, nullptr},
        {AircraftCategory::Large, nullptr},
        {AircraftCategory::Heavy, nullptr},
    };
    BoolCheckBoxParameter* const switchedOnInTurn[] = {choices[0], choices[1], choices[2], nullptr};
    for (BoolCheckBoxParameter* switchedOn : switchedOnInTurn) {
        for (BoolCheckBoxParameter* choice : choices) {
            choice->set(choice == switchedOn);
        }
        for (const Case& c : cases) {
            const bool expected = c.choice == nullptr || c.choice == switchedOn;
            EXPECT_EQ(gf_categoryShown(c.category), expected)
                << static_cast<int>(c.category) << " with " << (switchedOn != nullptr ? switchedOn->key() : "none") << " on";
        }
    }
    for (BoolCheckBoxParameter* choice : choices) {
        choice->set(choice->defaultValue());
    }
}

} // namespace
} // namespace hlw
