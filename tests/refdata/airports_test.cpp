// The airports database: reading "airports.enc", the closest airport and airport codes in package names.
#include "airports_fixture.h"
#include "core/user_error.h"
#include "refdata/closest_stand_port.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

#include <limits>
#include <map>

namespace hlw {
namespace {

using test::airportsXml;
using test::AirportsFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> tableCodes()
{
    std::vector<std::string> codes;
    for (const AirportRecord& record : gf_airports()) {
        codes.push_back(record.icao.str());
    }
    return codes;
}

const std::string eham = R"(<ap c="EHAM" la="52.3" lo="4.76" a="-11" s="11"/>)";

TEST(Airports, EveryAirportIsReadSortedByCodeAndThePlainCopyRemoved)
{
    AirportsFolder folder;
    ASSERT_TRUE(folder.read(airportsXml(eham + R"(<ap c="egll" i="lhr" la="51.4706" lo="-0.461941" a="83.5" s="194"/>
<ap c="AYGA" la="-6.081689" lo="145.391998" a="5282" s="0"/><other c="ZZZZ"/>
<ap c="EHAM" la="52.3" lo="4.76" a="-11" s="22"/>)")));
    EXPECT_THAT(tableCodes(), ElementsAre("AYGA", "EGLL", "EHAM", "EHAM"));
    const AirportRecord* heathrow = gf_findAirport(AirportCode("EGLL"));
    ASSERT_NE(heathrow, nullptr);
    EXPECT_EQ(gf_airportText(*heathrow), "EGLL (LHR)");
    EXPECT_DOUBLE_EQ(heathrow->lat, 51.4706);
    EXPECT_DOUBLE_EQ(heathrow->lon, -0.461941);
    EXPECT_FLOAT_EQ(heathrow->elevation, 83.5F);
    EXPECT_EQ(heathrow->stands, 194);
    EXPECT_EQ(gf_airportText(*gf_findAirport(AirportCode("AYGA"))), "AYGA");
    EXPECT_EQ(gf_airportText(AirportRecord{}), "?");
    EXPECT_EQ(gf_findAirport(AirportCode("EHAM"))->stands, 11) << "the first record of a code in file order";
    EXPECT_TRUE(gf_isKnownAirport(AirportCode("EHAM")));
    EXPECT_FALSE(gf_isKnownAirport(AirportCode("ZZZZ")));
    EXPECT_EQ(gf_findAirport(AirportCode("ZZZZ")), nullptr);
    EXPECT_EQ(gf_findAirport(AirportCode("EHAN")), nullptr);
    EXPECT_THAT(folder.logText(), HasSubstr("    4 airports read\n"));
    EXPECT_FALSE(std::filesystem::exists(folder.plainPath()));
    EXPECT_EQ(AirportCodeHash{}(AirportCode("EHAM")), 11273307480822397730ULL);
    EXPECT_EQ(AirportCodeHash{}(AirportCode()), 4049850369469742517ULL);
}

// Numbers are taken whole and in range, so a damaged file cannot put an airport at 0/0; one bad airport never
// stops the others.
TEST(Airports, AnAirportIsKeptOrSkippedWithItsLogLine)
{
    const std::pair<const char*, const char*> rows[]{
        {R"(la="1" lo="2" a="3")", "==> Missing stands for airport 'ABCD'\n"},
        {R"(lo="2" a="3" s="4")", "==> Missing latLons for airport 'ABCD'\n"},
        {R"(la="1" a="3" s="4")", "==> Missing latLons for airport 'ABCD'\n"},
        {R"(la="1" lo="2" s="4")", "==> Missing alt for airport 'ABCD'\n"},
        {R"(i="" la="1" lo="2" a="3" s="4")", "Error storing airport 'ABCD' '': '' FixedCode: invalid string"},
        {R"(i="AM-" la="1" lo="2" a="3" s="4")", "Error storing airport 'ABCD' 'AM-': "},
        {R"(la="north" lo="2" a="3" s="4")", "Error storing airport 'ABCD' '': 'north' is no number for \"la\"\n"},
        {R"(la="12abc" lo="2" a="3" s="4")", "is no number for \"la\""},
        {R"(la="90.5" lo="2" a="3" s="4")", "\"la\" 90.5 is out of range"},
        {R"(la="-90" lo="180.01" a="3" s="4")", "\"lo\" 180.01 is out of range"},
        {R"(la="nan" lo="2" a="3" s="4")", "\"la\" nan is out of range"},
        {R"(la="1" lo="2" a="inf" s="4")", "\"a\" inf is out of range"},
        {R"(la="1" lo="2" a="3" s="-2")", "\"s\" -2 is negative"},
        {R"(la="1" lo="2" a="3" s="2.5")", "'2.5' is no number for \"s\""}};
    for (const auto& [attributes, line] : rows) {
        AirportsFolder folder;
        folder.read(airportsXml(fmt::format("<ap c=\"ABCD\" {}/>", attributes) + eham));
        EXPECT_EQ(gf_isKnownAirport(AirportCode("ABCD")), std::string_view(line).starts_with("==> Missing stands"))
            << attributes;
        EXPECT_TRUE(gf_isKnownAirport(AirportCode("EHAM")));
        EXPECT_THAT(folder.logText(), HasSubstr(line));
    }
    AirportsFolder folder;
    ASSERT_TRUE(folder.read(airportsXml(R"(<ap c="ABCD" la="-90" lo="-180" a="3" s="4"/>)")));
    EXPECT_EQ(gf_findAirport(AirportCode("ABCD"))->position().lon, -180.0);
}

TEST(Airports, AFailedReadLeavesNoTableNoPlainCopyAndCanBeRepeated)
{
    AirportsFolder folder;
    const auto readError = [&](const std::string& xml) -> std::string {
        try {
            folder.read(xml);
        } catch (const UserErrorException& error) {
            EXPECT_EQ(error.code(), airportsReadErrorCode);
            EXPECT_TRUE(gf_airports().empty() && !gf_isKnownAirport(AirportCode("EHAM")) && !gf_airportsRead());
            EXPECT_FALSE(std::filesystem::exists(folder.plainPath()));
            return error.what();
        }
        return "no error";
    };
    EXPECT_THAT([] { gf_readAirports(); },
                ::testing::ThrowsMessage<UserErrorException>("88: input/airports.enc stream decrypt failed"));
    test::writeWholeFile(folder.sealedPath(), std::string(100, 'x'));
    EXPECT_THROW(gf_readAirports(), UserErrorException);
    EXPECT_FALSE(std::filesystem::exists(folder.plainPath()) || gf_airportsRead());
    EXPECT_THAT(readError("<root><airports>" + eham + "</airports>"), HasSubstr("airports.xml not loaded: "));
    EXPECT_THAT(readError("<root><airportz>" + eham + "</airportz></root>"), HasSubstr("88: Missing <airports> root in: "));
    EXPECT_THAT(readError("<airports>" + eham + "</airports>"), HasSubstr("88: Missing <airports> root in: "));
    // A bad code fails the whole read, also after good airports: none of them may stay behind.
    EXPECT_EQ(readError(airportsXml(eham + R"(<ap c="EH4" la="1" lo="2" a="3" s="4"/>)")),
              "88: 'EH4' FixedCode: invalid string (length/charset)");
    EXPECT_THAT(readError(airportsXml(eham + R"(<ap la="1" lo="2" a="3" s="4"/>)")), HasSubstr("88: '' FixedCode"));

    EXPECT_FALSE(folder.read(airportsXml("")));
    EXPECT_TRUE(gf_airportsRead());
    EXPECT_THAT(folder.logText(), HasSubstr("    0 airports read\n"));
    gf_clearAirports();
    ASSERT_TRUE(folder.read(airportsXml(eham)));
    // Read once per run: a second call touches no file.
    std::filesystem::remove(folder.sealedPath());
    test::writeWholeFile(folder.plainPath(), "left by someone else");
    EXPECT_TRUE(gf_readAirports());
    EXPECT_EQ(test::readWholeFile(folder.plainPath()), "left by someone else");
    EXPECT_THAT(tableCodes(), ElementsAre("EHAM"));
}

// Stand answers by airport code; the airports it does not name get the "no stand" answer. Remembers the order
// of the questions. Installed for its lifetime.
class FakeStands final : public ClosestStandPort {
public:
    FakeStands() { gf_installClosestStandPort(this); }
    ~FakeStands() override { gf_installClosestStandPort(nullptr); }
    FakeStands(const FakeStands&) = delete;
    FakeStands& operator=(const FakeStands&) = delete;
    ClosestStand closestStand(const AirportCode& icao, const LatLon&) const override
    {
        asked.push_back(icao.str());
        const auto hit = stands.find(icao.str());
        return hit != stands.end() ? hit->second : ClosestStand{};
    }
    std::map<std::string, ClosestStand> stands;
    mutable std::vector<std::string> asked;
};

// An airport placed its distance in nautical miles east (or north) of 0°N 0°E, where one minute of arc is one
// nautical mile either way.
AirportRecord lf_at(const char* icao, double eastNm, double northNm = 0.0)
{
    AirportRecord record;
    record.icao = AirportCode(icao);
    record.lat = northNm / 60.0;
    record.lon = eastNm / 60.0;
    return record;
}

std::string lf_closest()
{
    const AirportRecord* record = gf_closestAirport({0.0, 0.0});
    return record == nullptr ? "none" : record->icao.str();
}

TEST(ClosestAirport, TheNearestWithinFiveNauticalMilesOfEqualDistancesTheFirstInTableOrder)
{
    AirportsFolder folder;
    EXPECT_EQ(lf_closest(), "none");
    for (const auto& [east, north] : {std::pair{5.0, 0.0}, {0.0, 5.0}, {0.0, -5.0}}) {
        gf_installAirports({lf_at("EXCT", east, north), lf_at("FARR", east * 1.002, north * 1.002)});
        EXPECT_EQ(lf_closest(), "EXCT") << east << " " << north;
        gf_installAirports({lf_at("FARR", east * 1.002, north * 1.002)});
        EXPECT_EQ(lf_closest(), "none");
    }
    FakeStands stands;
    gf_installAirports({lf_at("BBBB", 2.0), lf_at("AAAA", -2.0)});
    EXPECT_EQ(lf_closest(), "AAAA");
    // AAAA is nearer and first in table order: BBBB never becomes the candidate, so no stand is asked for.
    gf_installAirports({lf_at("BBBB", 3.0), lf_at("AAAA", 1.0)});
    EXPECT_EQ(lf_closest(), "AAAA");
    EXPECT_TRUE(stands.asked.empty());
    EXPECT_THAT(folder.logText(), ::testing::Not(HasSubstr("is closest")));
}

// The nearer airport BBBB comes later in table order, so the earlier AAAA is its neighbour; the neighbour wins
// only with a stand strictly nearer than the candidate's. "No stand" is never 0 nm, also for nonsense answers.
TEST(ClosestAirport, TheNeighbourWinsOnlyWithAStrictlyNearerStand)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::tuple<ClosestStand, ClosestStand, const char*> rows[]{
        {{}, {}, "BBBB"},        {{0.2, "A12"}, {0.5, "B1"}, "AAAA"}, {{0.5, "A12"}, {0.2, "B1"}, "BBBB"},
        {{0.3, "A12"}, {0.3, "B1"}, "BBBB"}, {{0.4, "A12"}, {}, "AAAA"}, {{}, {0.4, "B1"}, "BBBB"},
        {{nan, "A12"}, {0.4, "B1"}, "BBBB"}, {{-1.0, "A12"}, {0.4, "B1"}, "BBBB"}};
    for (const auto& [neighbour, candidate, winner] : rows) {
        AirportsFolder folder;
        FakeStands fake;
        fake.stands = {{"AAAA", neighbour}, {"BBBB", candidate}};
        gf_installAirports({lf_at("AAAA", 4.0), lf_at("BBBB", 1.0), lf_at("CCCC", 2.0)});
        EXPECT_EQ(lf_closest(), winner) << neighbour.distanceNm << " " << candidate.distanceNm;
        // CCCC is the second nearest but never the neighbour.
        EXPECT_THAT(fake.asked, ElementsAre("BBBB", "AAAA"));
        EXPECT_THAT(folder.logText(), HasSubstr("Airport BBBB is closest, neighbour is AAAA\n"));
    }
    AirportsFolder folder;
    FakeStands fake;
    fake.stands["AAAA"] = {0.2, "A12"};
    gf_installAirports({lf_at("AAAA", 4.0), lf_at("BBBB", 1.0)});
    EXPECT_EQ(lf_closest(), "AAAA");
    EXPECT_THAT(folder.logText(),
                HasSubstr("Airport BBBB is closest, but stand A12 at neighbouring airport AAAA is closer at 370 meters"));
    EXPECT_EQ(gf_closestStandPort().closestStand(AirportCode("AAAA"), {}).standId, "A12");
    gf_installClosestStandPort(nullptr);
    EXPECT_EQ(gf_closestStandPort().closestStand(AirportCode("AAAA"), {}).distanceNm, noStandDistanceNm);
    EXPECT_EQ(noStandDistanceNm, 100.0);
}

// Supported: EHAM, EGLL, LSZH (known airports) and ZZZZ, YYYY (not in the database); EDDF is known, not supported.
TEST(AirportCodeInText, TheFirstKnownSupportedTokenElseTheLastSupportedOne)
{
    AirportsFolder folder;
    gf_installAirports({lf_at("EHAM", 0), lf_at("EGLL", 0), lf_at("LSZH", 0), lf_at("EDDF", 0)});
    const AirportCodeSet supported{AirportCode("EHAM"), AirportCode("EGLL"), AirportCode("LSZH"), AirportCode("ZZZZ"),
                                   AirportCode("YYYY")};
    const std::pair<const char*, const char*> rows[]{
        {"my-eham-scenery", "EHAM"},  {"EHAM_EGLL", "EHAM"},   {"zzzz-egll", "EGLL"}, {"zzzz-scenery", "ZZZZ"},
        {"ZZZZ YYYY", "YYYY"},        {"ZZZZ EDDF", "ZZZZ"},   {"EDDF-scenery", ""},  {"EHAMX", ""},
        {"ehamegll", ""},             {"Community/a-LSZH/x.bgl", "LSZH"},           {"\xC3\xA9" "EHAM\xC3\xA9", "EHAM"},
        {"eham", "EHAM"},             {"", ""},                {"0EHAM", ""},         {"EHAM9", ""},
        {"AEHAM", ""},                {"EHAMZ", ""},           {"aeham", ""},         {"ehamz", ""}};
    for (const auto& [text, code] : rows) {
        const AirportInText found = gf_airportCodeInText(text, supported);
        EXPECT_EQ(found.code.str(), code) << text;
        EXPECT_EQ(found.found, *code != '\0') << text;
    }
    EXPECT_FALSE(gf_airportCodeInText("EHAM-EGLL", AirportCodeSet{}).found);
}

} // namespace
} // namespace hlw
