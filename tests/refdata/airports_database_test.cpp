#include "airports_fixture.h"
#include "core/user_error.h"
#include "refdata/airports_database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hlw {
namespace {

using test::airportAt;
using test::airportsXml;
using test::AirportsFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> tableCodes()
{
    std::vector<std::string> codes;
    for (const AirportRecord& record : gf_airports()) {
        codes.push_back(record.icao.str());
    }
    return codes;
}

// The error a read stops with; fails the test when it is not UserErrorException 88.
std::string readErrorOf(const AirportsFolder& folder, const std::string& xml)
{
    try {
        folder.read(xml);
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), airportsReadErrorCode);
        return error.what();
    }
    ADD_FAILURE() << "no error 88";
    return {};
}

TEST(AirportsDatabase, ReadsEveryAirportSortedByCodeAndRemovesThePlainCopy)
{
    AirportsFolder folder;
    ASSERT_TRUE(folder.read(airportsXml(R"(<ap c="EHAM" i="AMS" la="52.308601" lo="4.763890" a="-11" s="208"/>
<ap c="egll" i="lhr" la="51.4706" lo="-0.461941" a="83.5" s="194"/>
<ap c="AYGA" la="-6.081689" lo="145.391998" a="5282" s="0"/>
<other c="ZZZZ"/>
)")));
    EXPECT_THAT(tableCodes(), ElementsAre("AYGA", "EGLL", "EHAM"));
    const AirportRecord* heathrow = gf_findAirport(AirportCode("EGLL"));
    ASSERT_NE(heathrow, nullptr);
    EXPECT_EQ(heathrow->iata, FixedCode<3>("LHR"));
    EXPECT_DOUBLE_EQ(heathrow->lat, 51.4706);
    EXPECT_DOUBLE_EQ(heathrow->lon, -0.461941);
    EXPECT_FLOAT_EQ(heathrow->elevation, 83.5F);
    EXPECT_EQ(heathrow->stands, 194);
    EXPECT_EQ(gf_findAirport(AirportCode("AYGA"))->iata, gf_noIataCode());
    EXPECT_TRUE(gf_isKnownAirport(AirportCode("EHAM")));
    EXPECT_FALSE(gf_isKnownAirport(AirportCode("ZZZZ")));
    EXPECT_EQ(gf_findAirport(AirportCode("ZZZZ")), nullptr);
    EXPECT_THAT(folder.logText(), HasSubstr("    3 airports read\n"));
    EXPECT_FALSE(std::filesystem::exists(folder.plainPath()));
}

// One airport per row: what its attributes make of it and the line the log gets.
struct AirportCase {
    const char* element;
    bool kept;
    const char* logLine;
};

class AirportElement : public testing::TestWithParam<AirportCase> {};

TEST_P(AirportElement, IsKeptOrSkippedWithItsLogLine)
{
    const AirportCase& row = GetParam();
    AirportsFolder folder;
    folder.read(airportsXml(std::string(row.element) + "\n<ap c=\"EHAM\" la=\"52.3\" lo=\"4.76\" a=\"-11\" s=\"1\"/>\n"));
    EXPECT_EQ(gf_isKnownAirport(AirportCode("ABCD")), row.kept);
    EXPECT_TRUE(gf_isKnownAirport(AirportCode("EHAM"))) << "one bad airport must not stop the others";
    EXPECT_THAT(folder.logText(), HasSubstr(row.logLine));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AirportElement,
    testing::Values(
        AirportCase{R"(<ap c="ABCD" la="1" lo="2" a="3" s="4"/>)", true, "    2 airports read\n"},
        AirportCase{R"(<ap c="ABCD" la="1" lo="2" a="3"/>)", true, "==> Missing stands for airport 'ABCD'\n"},
        AirportCase{R"(<ap c="ABCD" lo="2" a="3" s="4"/>)", false, "==> Missing latLons for airport 'ABCD'\n"},
        AirportCase{R"(<ap c="ABCD" la="1" a="3" s="4"/>)", false, "==> Missing latLons for airport 'ABCD'\n"},
        AirportCase{R"(<ap c="ABCD" la="1" lo="2" s="4"/>)", false, "==> Missing alt for airport 'ABCD'\n"},
        AirportCase{R"(<ap c="ABCD" i="" la="1" lo="2" a="3" s="4"/>)", false,
                    "Error storing airport 'ABCD' '': '' FixedCode: invalid string (length/charset)\n"},
        AirportCase{R"(<ap c="ABCD" i="AM-" la="1" lo="2" a="3" s="4"/>)", false, "Error storing airport 'ABCD' 'AM-': "},
        // Numbers are taken whole and in range, so a damaged file cannot put an airport at 0/0.
        AirportCase{R"(<ap c="ABCD" la="north" lo="2" a="3" s="4"/>)", false,
                    "Error storing airport 'ABCD' '': 'north' is no number for \"la\"\n"},
        AirportCase{R"(<ap c="ABCD" la="12abc" lo="2" a="3" s="4"/>)", false, "is no number for \"la\""},
        AirportCase{R"(<ap c="ABCD" la="90.5" lo="2" a="3" s="4"/>)", false, "\"la\" 90.5 is out of range"},
        AirportCase{R"(<ap c="ABCD" la="1" lo="-180.01" a="3" s="4"/>)", false, "\"lo\" -180.01 is out of range"},
        AirportCase{R"(<ap c="ABCD" la="nan" lo="2" a="3" s="4"/>)", false, "\"la\" nan is out of range"},
        AirportCase{R"(<ap c="ABCD" la="1" lo="2" a="inf" s="4"/>)", false, "\"a\" inf is out of range"},
        AirportCase{R"(<ap c="ABCD" la="1" lo="2" a="3" s="-2"/>)", false, "\"s\" -2 is negative"},
        AirportCase{R"(<ap c="ABCD" la="1" lo="2" a="3" s="2.5"/>)", false, "'2.5' is no number for \"s\""}));

TEST(AirportsDatabase, AnAirportWithoutIataCodePrintsAsItsIcaoCodeAlone)
{
    AirportRecord record = airportAt("EHRD", 51.95, 4.44);
    EXPECT_EQ(gf_airportText(record), "EHRD");
    record.iata = FixedCode<3>("RTM");
    EXPECT_EQ(gf_airportText(record), "EHRD (RTM)");
    EXPECT_EQ(gf_airportText(AirportRecord{}), "?");
}

TEST(AirportsDatabase, RecordsOfOneCodeAreAllKeptAndTheFirstInFileOrderIsFound)
{
    AirportsFolder folder;
    ASSERT_TRUE(folder.read(airportsXml(R"(<ap c="EHAM" la="52.3" lo="4.7" a="1" s="11"/>
<ap c="EDDF" la="50.0" lo="8.5" a="2" s="3"/>
<ap c="EHAM" la="52.3" lo="4.7" a="1" s="22"/>
)")));
    EXPECT_THAT(tableCodes(), ElementsAre("EDDF", "EHAM", "EHAM"));
    EXPECT_EQ(gf_findAirport(AirportCode("EHAM"))->stands, 11);
}

TEST(AirportsDatabase, FailuresStopTheReadWithError88AndLeaveNoTableAndNoPlainCopy)
{
    const std::string validFirst = R"(<ap c="EHAM" la="52.3" lo="4.7" a="1" s="11"/>)";
    struct Row {
        std::string xml;
        std::string error;
    };
    const std::vector<Row> rows = {
        {"<root><airports>" + validFirst + "</airports>", "airports.xml not loaded: "},
        {"<root><airportz>" + validFirst + "</airportz></root>", "88: Missing <airports> root in: "},
        {"<airports>" + validFirst + "</airports>", "88: Missing <airports> root in: "},
        // A bad code fails the whole read, also after good airports: none of them may stay behind.
        {airportsXml(validFirst + R"(<ap c="EH4" la="1" lo="2" a="3" s="4"/>)"),
         "88: 'EH4' FixedCode: invalid string (length/charset)"},
        {airportsXml(validFirst + R"(<ap la="1" lo="2" a="3" s="4"/>)"), "88: '' FixedCode: invalid string"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.xml);
        AirportsFolder folder;
        EXPECT_THAT(readErrorOf(folder, row.xml), HasSubstr(row.error));
        EXPECT_TRUE(gf_airports().empty());
        EXPECT_FALSE(gf_isKnownAirport(AirportCode("EHAM")));
        EXPECT_FALSE(gf_airportsRead());
        EXPECT_FALSE(std::filesystem::exists(folder.plainPath()));
    }
}

TEST(AirportsDatabase, AMissingOrDamagedSealedFileIsReportedAsADecryptionFailure)
{
    AirportsFolder folder;
    try {
        gf_readAirports();
        ADD_FAILURE() << "no error";
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), airportsReadErrorCode);
        EXPECT_EQ(std::string(error.what()), "88: input/airports.enc stream decrypt failed");
    }
    test::writeWholeFile(folder.sealedPath(), std::string(100, 'x'));
    EXPECT_THROW(gf_readAirports(), UserErrorException);
    EXPECT_FALSE(std::filesystem::exists(folder.plainPath()));
    EXPECT_FALSE(gf_airportsRead());
}

TEST(AirportsDatabase, AFailedReadCanBeRepeatedAndThenSucceeds)
{
    AirportsFolder folder;
    EXPECT_THROW(folder.read(airportsXml(R"(<ap c="EHAM" la="1" lo="2" a="3"/><ap c="X" la="1" lo="2" a="3"/>)")),
                 UserErrorException);
    EXPECT_TRUE(folder.read(airportsXml(R"(<ap c="EGLL" la="1" lo="2" a="3"/>)")));
    EXPECT_THAT(tableCodes(), ElementsAre("EGLL"));
}

TEST(AirportsDatabase, ASecondReadReturnsAtOnceWithoutTouchingTheFiles)
{
    AirportsFolder folder;
    ASSERT_TRUE(folder.read(airportsXml(R"(<ap c="EHAM" la="52.3" lo="4.7" a="1" s="11"/>)")));
    std::filesystem::remove(folder.sealedPath());
    test::writeWholeFile(folder.plainPath(), "left by someone else");
    EXPECT_TRUE(gf_readAirports());
    EXPECT_EQ(test::readWholeFile(folder.plainPath()), "left by someone else");
    EXPECT_THAT(tableCodes(), ElementsAre("EHAM"));
}

TEST(AirportsDatabase, AnEmptyListIsReadButReportsNoAirports)
{
    AirportsFolder folder;
    EXPECT_FALSE(folder.read(airportsXml("")));
    EXPECT_TRUE(gf_airportsRead());
    EXPECT_FALSE(gf_readAirports());
    EXPECT_THAT(folder.logText(), HasSubstr("    0 airports read\n"));
}

TEST(AirportsDatabase, CodesHashWithFnv1aOverTheirFourCharacters)
{
    EXPECT_EQ(AirportCodeHash{}(AirportCode("EHAM")), 11273307480822397730ULL);
    EXPECT_EQ(AirportCodeHash{}(AirportCode()), 4049850369469742517ULL);
}

} // namespace
} // namespace hlw
