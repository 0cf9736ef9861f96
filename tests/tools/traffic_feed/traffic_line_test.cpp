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

TEST(TrafficLine, EveryValueSitsAtItsFieldAndWhatIsMissingIsNullOrNotReported)
{
    AircraftIdentity identity{.hexId = 4735190, .callsign = "SWR123", .type = "A320", .registration = "HB-JLT",
                              .origin = "LHR", .destination = "ZRH"};
    const AircraftState flying{.position = {47.4582, 8.5555}, .altitudeFt = 3250, .verticalFpm = -700,
                               .trackDeg = 497.5, .headingDeg = -219.8, .groundSpeedKt = 165, .rollDeg = -2.5};
    EXPECT_EQ(gf_formatTrafficLine(identity, flying, 1717000000.5),
              "TFC,4735190,47.45820,8.55550,3250,-700,,137.5,165,SWR123,A320,HB-JLT,LHR,ZRH,1717000000.50,,,adsb_icao,,,"
              "165,,,-2.5,,140.2,,,A3");
    identity.tasUnknown = true;
    EXPECT_EQ(lf_fields(gf_formatTrafficLine(identity, flying, 1.0))[20], "-1");

    AircraftIdentity bare;
    bare.hexId = 20000;
    bare.type = "B738";
    const AircraftState taxiing{.position = {1, 2}, .groundSpeedKt = 5, .rollDeg = 12, .onGround = true};
    EXPECT_EQ(gf_formatTrafficLine(bare, taxiing, 1.0),
              "TFC,20000,1.00000,2.00000,0,0,,0.0,5,null,B738,null,null,null,1.00,,,adsb_icao,,,-1,,,0,,0.0,,,A3");
}

TEST(TrafficLine, RestampReplacesOnlyANumericTimestampField)
{
    const std::pair<std::string, std::string> cases[] = {
        {"T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000000.5,15,16", "T,1,2,3,4,5,6,7,8,9,10,11,12,13,1800000000.25,15,16"},
        {"T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000000", "T,1,2,3,4,5,6,7,8,9,10,11,12,13,1800000000.25"},
        {"T,1,2,3,4,5,6,7,8,9,10,11,12,13,soon,15", ""},
        {"T,1,2,3,4,5,6,7,8,9,10,11,12,13,,15", ""},
        {"T,1,2,3", ""},
        {"{\"QNH\":1013}", ""},
    };
    for (const auto& [line, restamped] : cases) {
        EXPECT_EQ(gf_restampLine(line, 1800000000.25), restamped.empty() ? line : restamped);
    }
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
    const std::pair<std::size_t, std::string> brokenFields[] = {{1, "1234abc"}, {1, "abc"},     {12, "EGLL"},
                                                                {10, "null"},   {28, "C2"},     {9, "AIRPORT1"},
                                                                {20, "+5"},     {2, "0.00005"}};
    for (const auto& [index, value] : brokenFields) {
        EXPECT_TRUE(std::any_of(bad.begin(), bad.end(), [&](const std::string& line) {
            const auto f = lf_fields(line);
            return f.size() > index && f[index] == value;
        })) << index << " " << value;
    }
    EXPECT_TRUE(std::any_of(bad.begin(), bad.end(),
                            [](const std::string& l) { return !l.empty() && lf_fields(l).size() < 29; }));
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
