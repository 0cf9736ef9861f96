#include "core/string_helpers.h"
#include "traffic_feed/injections.h"
#include "traffic_feed/traffic_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace hlw::feed {
namespace {

std::vector<std::string> lf_fields(const std::string& line)
{
    const std::vector<std::string_view> fields = gf_splitAt(line, ',');
    return {fields.begin(), fields.end()};
}

TEST(TrafficLine, PutsEveryValueAtItsFieldIndex)
{
    AircraftIdentity identity;
    identity.hexId = 4735190;
    identity.callsign = "SWR123";
    identity.type = "A320";
    identity.registration = "HB-JLT";
    identity.origin = "LHR";
    identity.destination = "ZRH";
    AircraftState state;
    state.position = {47.4582, 8.5555};
    state.altitudeFt = 3250;
    state.verticalFpm = -700;
    state.trackDeg = 137.5;
    state.headingDeg = 140.2;
    state.groundSpeedKt = 165;
    state.rollDeg = -2.5;

    const std::vector<std::string> f = lf_fields(gf_formatTrafficLine(identity, state, 1717000000.5));
    ASSERT_EQ(f.size(), 29u);
    EXPECT_EQ(f[1], "4735190");
    EXPECT_EQ(f[2], "47.45820");
    EXPECT_EQ(f[3], "8.55550");
    EXPECT_EQ(f[4], "3250");
    EXPECT_EQ(f[5], "-700");
    EXPECT_EQ(f[7], "137.5");
    EXPECT_EQ(f[8], "165");
    EXPECT_EQ(f[9], "SWR123");
    EXPECT_EQ(f[10], "A320");
    EXPECT_EQ(f[11], "HB-JLT");
    EXPECT_EQ(f[12], "LHR");
    EXPECT_EQ(f[13], "ZRH");
    EXPECT_EQ(f[14], "1717000000.50");
    EXPECT_EQ(f[17], "adsb_icao");
    EXPECT_EQ(f[20], "165");
    EXPECT_EQ(f[23], "-2.5");
    EXPECT_EQ(f[25], "140.2");
    EXPECT_EQ(f[28], "A3");
    for (int unused : {0, 6, 15, 16, 18, 19, 21, 22, 24, 26, 27}) {
        EXPECT_TRUE(unused == 0 || f[static_cast<std::size_t>(unused)].empty()) << "field " << unused;
    }
}

TEST(TrafficLine, MissingTextsAreNullAndGroundHasNoAirspeed)
{
    AircraftIdentity identity;
    identity.hexId = 20000;
    identity.type = "B738";
    AircraftState state;
    state.onGround = true;
    state.rollDeg = 12.0;
    const std::vector<std::string> f = lf_fields(gf_formatTrafficLine(identity, state, 1.0));
    EXPECT_EQ(f[9], "null");
    EXPECT_EQ(f[11], "null");
    EXPECT_EQ(f[12], "null");
    EXPECT_EQ(f[13], "null");
    EXPECT_EQ(f[20], "-1");
    EXPECT_EQ(f[23], "0");
}

struct RestampCase {
    const char* line;
    const char* expected;
};

class Restamp : public ::testing::TestWithParam<RestampCase> {};

TEST_P(Restamp, ReplacesOnlyANumericTimestampField)
{
    EXPECT_EQ(gf_restampLine(GetParam().line, 1800000000.25), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Restamp,
    ::testing::Values(
        RestampCase{"T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000000.5,15,16", "T,1,2,3,4,5,6,7,8,9,10,11,12,13,1800000000.25,15,16"},
        RestampCase{"T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000000", "T,1,2,3,4,5,6,7,8,9,10,11,12,13,1800000000.25"},
        RestampCase{"T,1,2,3,4,5,6,7,8,9,10,11,12,13,soon,15", "T,1,2,3,4,5,6,7,8,9,10,11,12,13,soon,15"},
        RestampCase{"T,1,2,3,4,5,6,7,8,9,10,11,12,13,,15", "T,1,2,3,4,5,6,7,8,9,10,11,12,13,,15"},
        RestampCase{"T,1,2,3", "T,1,2,3"},
        RestampCase{"{\"QNH\":1013}", "{\"QNH\":1013}"},
        RestampCase{"", ""}));

TEST(Injections, QnhVariantsAreTheDatagramsTheReaderMustHandle)
{
    const std::vector<std::string> expected{
        R"({"QNH":1013})", R"({"QNH":1013.6})", R"({"QNH":2992})", R"({"QNH":850})",  R"({"QNH":"1009"})",
        R"({"QNH":"abc"})", "{}",              R"({"QNH":null})", "QNH=1013",        R"({"QNH":true})",
        R"({"QNH":1011,"station":"EHAM","age":12})", R"({"QNH":[]})"};
    EXPECT_EQ(gf_qnhVariantDatagrams(), expected);
}

TEST(Injections, BadLinesEachBreakOneRuleOfAValidLine)
{
    const GeoPoint centre{52.3, 4.76};
    const std::string valid = gf_validSampleLine(centre, 1800000000.0);
    ASSERT_EQ(lf_fields(valid).size(), 29u);
    const std::vector<std::string> bad = gf_badTrafficLines(centre, 1800000000.0);
    const std::set<std::string> distinct(bad.begin(), bad.end());
    EXPECT_EQ(distinct.size(), bad.size());
    EXPECT_EQ(distinct.count(valid), 0u);
    const auto hasField = [&](std::size_t index, const std::string& value) {
        for (const std::string& line : bad) {
            const auto f = lf_fields(line);
            if (f.size() > index && f[index] == value) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(hasField(1, "1234abc"));
    EXPECT_TRUE(hasField(1, "abc"));
    EXPECT_TRUE(hasField(12, "EGLL"));
    EXPECT_TRUE(hasField(10, "null"));
    EXPECT_TRUE(hasField(28, "C2"));
    EXPECT_TRUE(hasField(9, "AIRPORT1"));
    EXPECT_TRUE(hasField(20, "+5"));
    EXPECT_TRUE(hasField(2, "0.00005"));
    const bool shortLine = std::any_of(bad.begin(), bad.end(), [](const std::string& l) {
        return !l.empty() && lf_fields(l).size() < 29;
    });
    EXPECT_TRUE(shortLine);
}

TEST(Injections, VehicleOversizeAndBurstLines)
{
    const GeoPoint centre{52.3, 4.76};
    EXPECT_NE(gf_vehicleLine(centre, 1.0).find(" VEH"), std::string::npos);
    EXPECT_EQ(gf_oversizeLine(centre, 1.0, 16384).size(), 16384u);
    std::set<std::string> hexIds;
    for (int i = 0; i < 500; ++i) {
        const auto f = lf_fields(gf_burstLine(i, centre, 1.0));
        ASSERT_EQ(f.size(), 29u);
        hexIds.insert(f[1]);
    }
    EXPECT_EQ(hexIds.size(), 500u);
}

} // namespace
} // namespace hlw::feed
