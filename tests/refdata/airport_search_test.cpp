#include "airports_fixture.h"
#include "core/geodesy.h"
#include "refdata/airports_database.h"
#include "refdata/closest_stand_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace hlw {
namespace {

using test::airportAt;
using test::AirportsFolder;
using test::FakeStands;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string codeOf(const AirportRecord* record)
{
    return record == nullptr ? "none" : record->icao.str();
}

// Airports around 0°N 0°E, placed by their distance east or north of the origin in nautical miles.
// On the equator one minute of arc is exactly one nautical mile in either direction.
const LatLon origin{0.0, 0.0};

AirportRecord eastOfOrigin(const std::string& icao, double nm)
{
    return airportAt(icao, origin.lat, origin.lon + nm / 60.0);
}

AirportRecord northOfOrigin(const std::string& icao, double nm)
{
    return airportAt(icao, origin.lat + nm / 60.0, origin.lon);
}

class ClosestAirport : public testing::Test {
protected:
    const AirportRecord* closest() { return gf_closestAirport(origin); }

    AirportsFolder folder;  // log and a fresh database
};

TEST_F(ClosestAirport, ExactlyFiveNauticalMilesIsInAndFivePointZeroOneIsOut)
{
    for (const auto& place : {northOfOrigin, eastOfOrigin}) {
        gf_installAirports({place("EXCT", 5.0)});
        ASSERT_LE(gf_distanceNm(origin, gf_airports()[0].position()), 5.0);
        EXPECT_EQ(codeOf(closest()), "EXCT");
        gf_installAirports({place("FARR", 5.01)});
        EXPECT_EQ(codeOf(closest()), "none");
    }
    gf_installAirports({northOfOrigin("SOUT", -5.0), northOfOrigin("SOU2", -5.01)});
    EXPECT_EQ(codeOf(closest()), "SOUT");
}

TEST_F(ClosestAirport, NoAirportsAndAnEmptyTableGiveNone)
{
    EXPECT_EQ(codeOf(closest()), "none");
    gf_installAirports({eastOfOrigin("AAAA", 30.0), airportAt("BBBB", -origin.lat, origin.lon + 180.0)});
    EXPECT_EQ(codeOf(closest()), "none");
}

TEST_F(ClosestAirport, TheNearestWithoutANeighbourIsTakenWithoutAskingForStands)
{
    FakeStands stands;
    // AAAA is nearer and first in table order: BBBB never becomes the candidate, so there is no neighbour.
    gf_installAirports({eastOfOrigin("BBBB", 3.0), eastOfOrigin("AAAA", 1.0)});
    EXPECT_EQ(codeOf(closest()), "AAAA");
    EXPECT_THAT(stands.asked, IsEmpty());
    EXPECT_THAT(folder.logText(), Not(HasSubstr("is closest")));
}

TEST_F(ClosestAirport, OfEqualDistancesTheFirstInTableOrderStays)
{
    gf_installAirports({eastOfOrigin("BBBB", 2.0), eastOfOrigin("AAAA", -2.0)});
    EXPECT_EQ(codeOf(closest()), "AAAA");
}

// The nearer airport comes later in table order, so the earlier one is its neighbour; the neighbour wins only
// with a stand strictly nearer than the candidate's nearest stand.
struct NeighbourCase {
    const char* name;
    std::vector<std::pair<std::string, ClosestStand>> stands;
    const char* winner;
};

class NeighbourRule : public ClosestAirport, public testing::WithParamInterface<NeighbourCase> {};

TEST_P(NeighbourRule, TheNeighbourWinsOnlyWithAStrictlyNearerStand)
{
    FakeStands fake;
    for (const auto& [code, stand] : GetParam().stands) {
        fake.stands[code] = stand;
    }
    gf_installAirports({eastOfOrigin("AAAA", 4.0), eastOfOrigin("BBBB", 1.0)});
    EXPECT_EQ(codeOf(closest()), GetParam().winner);
    EXPECT_THAT(fake.asked, ElementsAre("BBBB", "AAAA")) << "the candidate is asked first";
    EXPECT_THAT(folder.logText(), HasSubstr("Airport BBBB is closest, neighbour is AAAA\n"));
}

const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Rows, NeighbourRule,
    testing::Values(NeighbourCase{"NoAirportFiles", {}, "BBBB"},
                    NeighbourCase{"NeighbourNearer", {{"AAAA", {0.2, "A12"}}, {"BBBB", {0.5, "B1"}}}, "AAAA"},
                    NeighbourCase{"CandidateNearer", {{"AAAA", {0.5, "A12"}}, {"BBBB", {0.2, "B1"}}}, "BBBB"},
                    NeighbourCase{"EqualStands", {{"AAAA", {0.3, "A12"}}, {"BBBB", {0.3, "B1"}}}, "BBBB"},
                    // An airport without an airport file has no stand at all, never one at 0 nm.
                    NeighbourCase{"OnlyTheNeighbourHasAFile", {{"AAAA", {0.4, "A12"}}}, "AAAA"},
                    NeighbourCase{"OnlyTheCandidateHasAFile", {{"BBBB", {0.4, "B1"}}}, "BBBB"},
                    NeighbourCase{"ANonsenseAnswerIsNoStand", {{"AAAA", {nan, "A12"}}, {"BBBB", {0.4, "B1"}}},
                                  "BBBB"},
                    NeighbourCase{"ANegativeAnswerIsNoStand", {{"AAAA", {-1.0, "A12"}}, {"BBBB", {0.4, "B1"}}},
                                  "BBBB"}),
    [](const testing::TestParamInfo<NeighbourCase>& row) { return std::string(row.param.name); });

TEST_F(ClosestAirport, ANeighbourThatWinsIsLoggedWithItsStandAndTheDistanceInMetres)
{
    FakeStands fake;
    fake.stands["AAAA"] = {0.2, "A12"};
    gf_installAirports({eastOfOrigin("AAAA", 4.0), eastOfOrigin("BBBB", 1.0)});
    EXPECT_EQ(codeOf(closest()), "AAAA");
    EXPECT_THAT(folder.logText(),
                HasSubstr("Airport BBBB is closest, but stand A12 at neighbouring airport AAAA is closer at 370 meters "
                          "...\n"));
}

TEST_F(ClosestAirport, TheNeighbourIsThePreviousCandidateNotTheSecondNearest)
{
    FakeStands fake;
    // Walk: AAAA (4 nm) is the first candidate, BBBB (1 nm) replaces it, CCCC (2 nm) is not nearer than BBBB.
    // CCCC is the second nearest but never the neighbour, so its stand does not count.
    fake.stands["CCCC"] = {0.01, "C1"};
    gf_installAirports({eastOfOrigin("AAAA", 4.0), eastOfOrigin("BBBB", 1.0), eastOfOrigin("CCCC", 2.0)});
    EXPECT_EQ(codeOf(closest()), "BBBB");
    EXPECT_THAT(fake.asked, ElementsAre("BBBB", "AAAA"));
}

TEST(ClosestStandPort, TheDefaultAnswersNoStandAt100NauticalMiles)
{
    const ClosestStand answer = gf_closestStandPort().closestStand(AirportCode("EHAM"), {52.3, 4.76});
    EXPECT_EQ(answer.distanceNm, 100.0);
    EXPECT_EQ(answer.distanceNm, noStandDistanceNm);
    EXPECT_THAT(answer.standId, IsEmpty());
    {
        FakeStands fake;
        fake.stands["EHAM"] = {0.1, "D4"};
        EXPECT_EQ(gf_closestStandPort().closestStand(AirportCode("EHAM"), {}).standId, "D4");
    }
    EXPECT_EQ(gf_closestStandPort().closestStand(AirportCode("EHAM"), {}).distanceNm, 100.0);
}

// Texts and the token the search settles on. Supported: EHAM, EGLL, LSZH (known airports) and ZZZZ, YYYY (not
// in the database); EDDF is a known airport that is not supported.
struct CodeInTextCase {
    const char* text;
    const char* code;
    bool found;
};

class AirportCodeInText : public testing::TestWithParam<CodeInTextCase> {
protected:
    AirportCodeInText()
    {
        gf_installAirports({airportAt("EHAM", 52.3, 4.76), airportAt("EGLL", 51.5, -0.46), airportAt("LSZH", 47.5, 8.5),
                            airportAt("EDDF", 50.0, 8.6)});
    }
    ~AirportCodeInText() override { gf_clearAirports(); }

    const AirportCodeSet supported{AirportCode("EHAM"), AirportCode("EGLL"), AirportCode("LSZH"), AirportCode("ZZZZ"),
                                   AirportCode("YYYY")};
};

TEST_P(AirportCodeInText, FindsTheFirstKnownSupportedTokenElseTheLastSupportedOne)
{
    const AirportInText result = gf_airportCodeInText(GetParam().text, supported);
    EXPECT_EQ(result.code.str(), GetParam().code);
    EXPECT_EQ(result.found, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AirportCodeInText,
    testing::Values(CodeInTextCase{"my-eham-scenery", "EHAM", true},  // MY too short, SCENERY too long
                    CodeInTextCase{"EHAM_EGLL", "EHAM", true},        // the underscore separates
                    CodeInTextCase{"zzzz-egll", "EGLL", true},        // an unknown token does not stop the search
                    CodeInTextCase{"zzzz-scenery", "ZZZZ", true},     // supported but not a known airport
                    CodeInTextCase{"ZZZZ YYYY", "YYYY", true},        // the last supported token
                    CodeInTextCase{"ZZZZ EDDF", "ZZZZ", true},        // EDDF is not supported
                    CodeInTextCase{"EDDF-scenery", "", false},
                    CodeInTextCase{"EHAMX", "", false},               // five characters are no code
                    CodeInTextCase{"ehamegll", "", false},
                    CodeInTextCase{"Community/a-LSZH/x.bgl", "LSZH", true},
                    CodeInTextCase{"\xC3\xA9" "EHAM\xC3\xA9", "EHAM", true},  // bytes of other characters separate
                    CodeInTextCase{"EHAM", "EHAM", true}, CodeInTextCase{"", "", false}));

TEST_F(AirportCodeInText, NothingIsFoundOutsideTheSupportedSet)
{
    EXPECT_FALSE(gf_airportCodeInText("EHAM-EGLL", AirportCodeSet{}).found);
}

} // namespace
} // namespace hlw
