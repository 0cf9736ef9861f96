// The airports database: reading "airports.enc", the closest airport and airport codes in package names.
#include "core/user_error.h"
#include "refdata/airport_code_in_text.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/closest_airport.h"
#include "refdata/closest_stand_port.h"
#include "refdata/project_key.h"
#include "seal_stream.h"
#include "support/dbase_fixture.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

#include <map>
#include <sstream>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string airportsXml(const std::string& elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n<airports>\n" + elements + "</airports>\n</root>\n";
}

// A temporary program folder, made the current folder, with the log open in it and an empty database.
struct AirportsFolder : test::DbaseFolder {
    AirportsFolder() { gf_clearAirports(); }
    ~AirportsFolder() { gf_clearAirports(); }
    // Seals the text and reads it with gf_readAirports().
    bool read(const std::string& xml) const
    {
        sealer::sealTextToFile(gf_projectKey(), xml, airportsSealed());
        return gf_readAirports();
    }
    fs::path airportsSealed() const { return dir / "input" / "airports.enc"; }
    fs::path airportsPlain() const { return dir / "input" / "airports.xml"; }
};

// Every record of the table as "text lat lon elevation stands".
std::string tableText()
{
    std::string text;
    for (const AirportRecord& record : gf_airports()) {
        text += fmt::format("{} {} {} {} {}|", gf_airportText(record), record.lat, record.lon, record.elevation,
                            record.stands);
    }
    return text;
}

const std::string eham = R"(<ap c="EHAM" la="52.3" lo="4.76" a="-11" s="11"/>)";

TEST(Airports, EveryAirportIsReadSortedByCodeAndThePlainCopyRemoved)
{
    AirportsFolder folder;
    ASSERT_TRUE(folder.read(airportsXml(eham + R"(<ap c="egll" i="lhr" la="51.4706" lo="-0.461941" a="83.5" s="194"/>
<ap c="AYGA" la="-6.081689" lo="145.391998" a="5282" s="0"/><other c="ZZZZ"/><ap c="EHAM" la="1" lo="2" a="3" s="22"/>)")));
    EXPECT_EQ(tableText(), "AYGA -6.081689 145.391998 5282 0|EGLL (LHR) 51.4706 -0.461941 83.5 194|"
                           "EHAM 52.3 4.76 -11 11|EHAM 1 2 3 22|");
    EXPECT_EQ(gf_findAirport(AirportCode("EHAM"))->stands, 11) << "the first record of a code in file order";
    EXPECT_EQ(gf_findAirport(AirportCode("EHAN")), nullptr);
    EXPECT_TRUE(gf_isKnownAirport(AirportCode("EHAM")) && !gf_isKnownAirport(AirportCode("ZZZZ")));
    EXPECT_EQ(gf_airportText(AirportRecord{}), "?");
    EXPECT_THAT(folder.logText(), HasSubstr("    4 airports read\n"));
    EXPECT_FALSE(fs::exists(folder.airportsPlain()));
}

// Numbers are taken whole and in range; one bad airport never stops the others.
TEST(Airports, AnAirportIsKeptOrSkippedWithItsLogLine)
{
    const std::pair<const char*, const char*> rows[]{
        {R"(la="1" lo="2" a="3")", "==> Missing stands for airport 'ABCD'\n"},
        {R"(lo="2" a="3" s="4")", "==> Missing latLons for airport 'ABCD'\n"},
        {R"(la="1" lo="2" s="4")", "==> Missing alt for airport 'ABCD'\n"},
        {R"(i="" la="1" lo="2" a="3" s="4")", "Error storing airport 'ABCD' '': '' FixedCode: invalid string"},
        {R"(i="AM-" la="1" lo="2" a="3" s="4")", "Error storing airport 'ABCD' 'AM-': "},
        {R"(la="north" lo="2" a="3" s="4")", "Error storing airport 'ABCD' '': 'north' is no number for \"la\"\n"},
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
    using ::testing::ThrowsMessage;
    EXPECT_THAT([] { gf_readAirports(); },
                ThrowsMessage<UserErrorException>("88: input/airports.enc stream decrypt failed"));
    test::writeWholeFile(folder.airportsSealed(), std::string(100, 'x'));
    EXPECT_THROW(gf_readAirports(), UserErrorException);
    // A bad code fails the whole read, also after good airports: none of them may stay behind.
    for (const auto& [xml, error] :
         {std::pair{"<root><airports>" + eham + "</airports>", "88: input/airports.xml not loaded: "},
          {"<root><airportz>" + eham + "</airportz></root>", "88: Missing <airports> root in: input/airports.xml"},
          {airportsXml(eham + R"(<ap c="EH4" la="1" lo="2" a="3" s="4"/>)"), "88: 'EH4' FixedCode: invalid string"}}) {
        EXPECT_THAT([&] { folder.read(xml); }, ThrowsMessage<UserErrorException>(HasSubstr(error)));
        EXPECT_TRUE(gf_airports().empty() && !gf_isKnownAirport(AirportCode("EHAM")) && !gf_airportsRead());
        EXPECT_FALSE(fs::exists(folder.airportsPlain()));
    }
    EXPECT_FALSE(folder.read(airportsXml("")));
    EXPECT_TRUE(gf_airportsRead());
    EXPECT_THAT(folder.logText(), HasSubstr("    0 airports read\n"));
    gf_clearAirports();
    ASSERT_TRUE(folder.read(airportsXml(eham)));
    // Read once per run: a second call touches no file.
    fs::remove(folder.airportsSealed());
    test::writeWholeFile(folder.airportsPlain(), "left by someone else");
    EXPECT_TRUE(gf_readAirports());
    EXPECT_EQ(test::readWholeFile(folder.airportsPlain()), "left by someone else");
    EXPECT_EQ(tableText(), "EHAM 52.3 4.76 -11 11|");
}

// Stand answers by airport code ("no stand" for the others) and the questions asked, installed for its lifetime.
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

// An airport so many nautical miles east (north) of 0°N 0°E, where a minute of arc is a nautical mile.
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

// The nearer BBBB comes later in table order, so AAAA is its neighbour, which wins only with a strictly nearer stand.
TEST(ClosestAirport, TheNeighbourWinsOnlyWithAStrictlyNearerStand)
{
    // The nearest stand of AAAA and of BBBB ("-": no airport file), and the winner.
    for (const char* row : {"- - BBBB", "0.2 0.5 AAAA", "0.5 0.2 BBBB", "0.3 0.3 BBBB", "0.4 - AAAA", "- 0.4 BBBB",
                            "nan 0.4 BBBB", "-1 0.4 BBBB"}) {
        std::istringstream fields(row);
        std::string neighbour, candidate, winner;
        fields >> neighbour >> candidate >> winner;
        AirportsFolder folder;
        FakeStands fake;
        for (const auto& [code, distance] : {std::pair{"AAAA", neighbour}, {"BBBB", candidate}}) {
            if (distance != "-") {
                fake.stands[code] = {std::stod(distance), code + std::string("1")};
            }
        }
        gf_installAirports({lf_at("AAAA", 4.0), lf_at("BBBB", 1.0), lf_at("CCCC", 2.0)});
        EXPECT_EQ(lf_closest(), winner) << row;
        // CCCC is the second nearest but never the neighbour.
        EXPECT_THAT(fake.asked, ElementsAre("BBBB", "AAAA"));
        EXPECT_THAT(folder.logText(), HasSubstr("Airport BBBB is closest, neighbour is AAAA\n"));
    }
    AirportsFolder folder;
    FakeStands fake;
    fake.stands["AAAA"] = {0.2, "A12"};
    gf_installAirports({lf_at("AAAA", 4.0), lf_at("BBBB", 1.0)});
    EXPECT_EQ(lf_closest(), "AAAA");
    EXPECT_THAT(
        folder.logText(),
        HasSubstr("Airport BBBB is closest, but stand A12 at neighbouring airport AAAA is closer at 370 meters"));
}

// Supported: EHAM, EGLL, LSZH (known airports) and ZZZZ, YYYY (not in the database); EDDF is known, not supported.
TEST(AirportCodeInText, TheFirstKnownSupportedTokenElseTheLastSupportedOne)
{
    AirportsFolder folder;
    gf_installAirports({lf_at("EHAM", 0), lf_at("EGLL", 0), lf_at("LSZH", 0), lf_at("EDDF", 0)});
    const AirportCodeSet supported{AirportCode("EHAM"), AirportCode("EGLL"), AirportCode("LSZH"), AirportCode("ZZZZ"),
                                   AirportCode("YYYY")};
    std::string found;
    for (const char* text : {"my-eham-scenery", "EHAM_EGLL", "zzzz-egll", "zzzz-scenery", "ZZZZ YYYY", "ZZZZ EDDF",
                             "EDDF-scenery", "EHAMX", "ehamegll", "Community/a-LSZH/x.bgl",
                             "\xC3\xA9"
                             "EHAM\xC3\xA9",
                             "eham", "", "0EHAM", "EHAM9", "AEHAM", "EHAMZ", "aeham", "ehamz"}) {
        const AirportInText result = gf_airportCodeInText(text, supported);
        found += (result.found ? result.code.str() : "-" + result.code.str()) + " ";
    }
    EXPECT_EQ(found, "EHAM EHAM EGLL ZZZZ YYYY ZZZZ - - - LSZH EHAM EHAM - - - - - - - ");
    EXPECT_FALSE(gf_airportCodeInText("EHAM-EGLL", AirportCodeSet{}).found);
}

} // namespace
} // namespace hlw
