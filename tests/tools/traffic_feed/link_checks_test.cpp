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

TEST(LinkChecks, Qs121FieldsFollowTheirFormats)
{
    const std::pair<const char*, bool> cases[] = {
        {"Qs121=0;0;0.000000;0;0;0.828415;0.149212", true},
        {"Qs121=5000;-1;6.283185;-11000;1e+05;0.828415;-0.149212", true}, // 100 kt
        {"Qs121=0;0;1.000000;1000;165432.1;0.828415;0.149212", true},
        {"Qs121=0;0;1.000000;1000;100000;0.828415;0.149212", false}, // not shortest
        {"Qs121=0;0;1.000000;1000;250000.0;0.828415;0.149212", false},
        {"Qs121=-0;0;1.000000;1000;0;0.828415;0.149212", false}, // negative zero
        {"Qs121=0;-0;1.000000;1000;0;0.828415;0.149212", false},
        {"Qs121=0;0;1.000000;-0;0;0.828415;0.149212", false},
        {"Qs121=0.0;0;1.000000;1000;0;0.828415;0.149212", false}, // not whole
        {"Qs121=+5;0;1.000000;1000;0;0.828415;0.149212", false},
        {"Qs121=05;0;1.000000;1000;0;0.828415;0.149212", false},
        {"Qs121=0;0;1.00000;1000;0;0.828415;0.149212", false}, // 5 decimals
        {"Qs121=0;0;1;1000;0;0.828415;0.149212", false},
        {"Qs121=0;0;1.000000;1000;0;0.828415;1.49e-01", false},
        {"Qs121=0;0;7.000000;1000;0;0.828415;0.149212", false}, // heading > 2 pi
        {"Qs121=0;0;1.000000;1000;-5;0.828415;0.149212", false}, // negative speed
        {"Qs121=0;0;1.000000;1000;0;1.800000;0.149212", false}, // lat > pi/2
        {"Qs121=0;0;1.000000;1000;0;0.000001;-0.000001", false}, // at 0,0
        {"Qs121=0;0;1.000000;1000;0;0.828415", false}, // 6 fields
        {"Qs121=0;0;1.000000;1000;0;0.828415;0.149212;", false},
        {"Qs121=", false},
        {"Qs121=99999999999999999999;0;1.000000;1000;0;0.828415;0.149212", false}}; // beyond 64 bits
    for (const auto& [line, ok] : cases) {
        const LineCheck check = gf_checkQs121(line);
        EXPECT_EQ(check.ok, ok) << line << " : " << check.problem;
    }
}

TEST(LinkChecks, Qs123IsWholeSecondsInMilliseconds)
{
    const std::pair<const char*, bool> cases[] = {
        {"Qs123=1717000000000", true}, {"Qs123=1000", true},     {"Qs123=0", false},
        {"Qs123=999", false},          {"Qs123=1717000000500", false}, {"Qs123=-1717000000000", false},
        {"Qs123=1.717e12", false},     {"Qs123=", false},             {"Qs123=99999999999999999999000", false}};
    for (const auto& [line, ok] : cases) {
        EXPECT_EQ(gf_checkQs123(line).ok, ok) << line;
    }
    EXPECT_EQ(gf_checkQs123("Qs123=1717000000000").milliseconds, 1717000000000);
}

TEST(LinkChecks, ShortestTextIsTheRoundTripForm)
{
    EXPECT_EQ(gf_shortestText(100000.0), "1e+05");
    EXPECT_EQ(gf_shortestText(250000.0), "250000");
    EXPECT_EQ(gf_shortestText(165432.1), "165432.1");
}

} // namespace
} // namespace hlw::feed
