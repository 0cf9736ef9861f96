#include "traffic_feed/link_checks.h"

#include <gtest/gtest.h>

namespace hlw::feed {
namespace {

TEST(LinkChecks, TheDocumentedExampleIsGoodAndGivesTheUserPosition)
{
    const LineCheck check = gf_checkQs121("Qs121=-5230;1750;1.570796;3500000;250000;0.828415;0.149212");
    ASSERT_TRUE(check.ok) << check.problem;
    EXPECT_NEAR(check.report->pitchRad, -0.0523, 1e-9);
    EXPECT_NEAR(check.report->bankRad, 0.0175, 1e-9);
    EXPECT_NEAR(check.report->altitudeFt, 3500.0, 1e-9);
    EXPECT_NEAR(check.report->groundSpeedKt, 250.0, 1e-9);
    EXPECT_NEAR(check.report->position.lat, 47.4647, 1e-4);
    EXPECT_NEAR(check.report->position.lon, 8.5492, 1e-4);
}

struct LineCase {
    const char* line;
    bool ok;
};

class Qs121Lines : public ::testing::TestWithParam<LineCase> {};

TEST_P(Qs121Lines, FollowTheFieldFormats)
{
    const LineCheck check = gf_checkQs121(GetParam().line);
    EXPECT_EQ(check.ok, GetParam().ok) << GetParam().line << " : " << check.problem;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Qs121Lines,
    ::testing::Values(LineCase{"Qs121=0;0;0.000000;0;0;0.828415;0.149212", true},
                      LineCase{"Qs121=5000;-1;6.283185;-11000;1e+05;0.828415;-0.149212", true},   // 100 kt
                      LineCase{"Qs121=0;0;1.000000;1000;165432.1;0.828415;0.149212", true},
                      LineCase{"Qs121=0;0;1.000000;1000;100000;0.828415;0.149212", false},       // not shortest
                      LineCase{"Qs121=0;0;1.000000;1000;250000.0;0.828415;0.149212", false},
                      LineCase{"Qs121=-0;0;1.000000;1000;0;0.828415;0.149212", false},           // negative zero
                      LineCase{"Qs121=0;-0;1.000000;1000;0;0.828415;0.149212", false},
                      LineCase{"Qs121=0;0;1.000000;-0;0;0.828415;0.149212", false},
                      LineCase{"Qs121=0.0;0;1.000000;1000;0;0.828415;0.149212", false},          // not whole
                      LineCase{"Qs121=+5;0;1.000000;1000;0;0.828415;0.149212", false},
                      LineCase{"Qs121=05;0;1.000000;1000;0;0.828415;0.149212", false},
                      LineCase{"Qs121=0;0;1.00000;1000;0;0.828415;0.149212", false},            // 5 decimals
                      LineCase{"Qs121=0;0;1;1000;0;0.828415;0.149212", false},
                      LineCase{"Qs121=0;0;1.000000;1000;0;0.828415;1.49e-01", false},
                      LineCase{"Qs121=0;0;7.000000;1000;0;0.828415;0.149212", false},           // heading > 2 pi
                      LineCase{"Qs121=0;0;1.000000;1000;-5;0.828415;0.149212", false},          // negative speed
                      LineCase{"Qs121=0;0;1.000000;1000;0;1.800000;0.149212", false},           // lat > pi/2
                      LineCase{"Qs121=0;0;1.000000;1000;0;0.000001;-0.000001", false},          // at 0,0
                      LineCase{"Qs121=0;0;1.000000;1000;0;0.828415", false},                    // 6 fields
                      LineCase{"Qs121=0;0;1.000000;1000;0;0.828415;0.149212;", false},
                      LineCase{"Qs121=", false}));

class Qs123Lines : public ::testing::TestWithParam<LineCase> {};

TEST_P(Qs123Lines, AreWholeSecondsInMilliseconds)
{
    EXPECT_EQ(gf_checkQs123(GetParam().line).ok, GetParam().ok) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Table, Qs123Lines,
                         ::testing::Values(LineCase{"Qs123=1717000000000", true}, LineCase{"Qs123=1000", true},
                                           LineCase{"Qs123=0", false}, LineCase{"Qs123=999", false},
                                           LineCase{"Qs123=1717000000500", false},
                                           LineCase{"Qs123=-1717000000000", false},
                                           LineCase{"Qs123=1.717e12", false}, LineCase{"Qs123=", false}));

TEST(LinkChecks, ShortestTextIsTheRoundTripForm)
{
    EXPECT_EQ(gf_shortestText(100000.0), "1e+05");
    EXPECT_EQ(gf_shortestText(250000.0), "250000");
    EXPECT_EQ(gf_shortestText(165432.1), "165432.1");
    EXPECT_EQ(gf_checkQs123("Qs123=1717000000000").milliseconds, 1717000000000);
}

} // namespace
} // namespace hlw::feed
