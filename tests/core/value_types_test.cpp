#include "core/aircraft_test.h"
#include "core/fixed_code.h"
#include "core/star_text.h"
#include "core/user_error.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

namespace hlw {
namespace {

TEST(FixedCodeTest, AcceptsLettersAndDigitsAndUpperCasesThem)
{
    EXPECT_EQ(FixedCode<4>("eham").view(), "EHAM");
    EXPECT_EQ(FixedCode<4>("K1Z9").view(), "K1Z9");
    EXPECT_EQ(FixedCode<3>("k1z").view(), "K1Z");
    EXPECT_EQ(fmt::format("{}", FixedCode<4>("Loww")), "LOWW");
}

TEST(FixedCodeTest, RejectsBadLengthOrCharacterNamingTheText)
{
    const std::string bad[] = {"EH-M", "EHA", "EHAMX", "", "EH M", "EH\xc3\xa4", "EHa."};
    for (const auto& text : bad) {
        try {
            FixedCode<4> code(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()), "'" + text + "' FixedCode: invalid string (length/charset)");
        }
        EXPECT_FALSE(FixedCode<4>::isValid(text)) << text;
    }
    EXPECT_THROW(FixedCode<3>("EHAM"), std::invalid_argument);
    EXPECT_TRUE(FixedCode<4>::isValid("eham"));
}

TEST(FixedCodeTest, EmptyCodeComparesAndHashesAsAValue)
{
    const FixedCode<4> empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.view(), "");
    EXPECT_EQ(empty, FixedCode<4>{});
    EXPECT_LT(FixedCode<4>("EGLL"), FixedCode<4>("EHAM"));
    EXPECT_NE(FixedCode<4>("EGLL"), empty);

    std::unordered_set<FixedCode<4>> set{FixedCode<4>("EHAM"), FixedCode<4>("eham"), empty};
    EXPECT_EQ(set.size(), 2U);
    static_assert(sizeof(FixedCode<4>) == 4 && sizeof(FixedCode<3>) == 3);
}

TEST(UserErrorExceptionTest, TextCarriesTheCodeExceptForCode99)
{
    const UserErrorException error41(41, "abc");
    EXPECT_STREQ(error41.what(), "41: abc");
    EXPECT_EQ(error41.code(), 41);

    const UserErrorException error99(99, "abc");
    EXPECT_STREQ(error99.what(), "abc");
    EXPECT_EQ(error99.code(), 99);

    // A plain message that happens to start like a code stays distinguishable by its code.
    const UserErrorException looksLike2024(99, "2024: not running");
    EXPECT_NE(looksLike2024.code(), 2024);

    try {
        throw UserErrorException(150, "No install path detected");
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "150: No install path detected");
    }
}

TEST(AircraftTest, TellsAircraftFromVehiclesAndObstacles)
{
    struct Case {
        const char* type;
        const char* category;
        bool aircraft;
    };
    const Case cases[] = {
        {"B738", "A3", true},  {"B738", "", true},    {"A20N", "A0", true},  {"GLF6", "B3", true},
        {"", "A3", false},     {"null", "A3", false}, {"B738", "C1", false}, {"B738", "B1", false},
        {"B738", "B2", false}, {"B738", "B4", false}, {"B738", "C2", false}, {"TWR", "", false},
        {"GND", "A1", false},  {"BALL", "", false},   {"VENT", "", false},   {"B7378", "A3", false},
        {"twr", "", true},     {"B738", "c1", true},  {"NULL", "", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_isAircraft(c.type, c.category), c.aircraft) << c.type << " / " << c.category;
    }
}

TEST(StarTextTest, MatchesOnlyTheTextFollowedByOneStar)
{
    EXPECT_TRUE(gf_equalsWithStar("ABC", "ABC*"));
    EXPECT_FALSE(gf_equalsWithStar("ABC", "*ABC"));
    EXPECT_FALSE(gf_equalsWithStar("ABC", "ABC"));
    EXPECT_FALSE(gf_equalsWithStar("ABC", "ABC**"));
    EXPECT_FALSE(gf_equalsWithStar("ABC", "ABD*"));
    EXPECT_TRUE(gf_equalsWithStar("", "*"));
    EXPECT_FALSE(gf_equalsWithStar("", ""));
}

} // namespace
} // namespace hlw
