// The scan's inputs and outputs one by one: the airport list's tokens, the generated file's scan log line and
// stand order, and the copies into "tblo" with the link-file and withdrawn-publisher rules.
#include "parking/icao_airports_file.h"
#include "parking/scan_outputs.h"

#include "core/user_error.h"
#include "parking_fixture.h"
#include "refdata/airports_database.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <set>

namespace hlw {
namespace {

namespace fs = std::filesystem;

std::set<std::string> lf_codes(const AirportCodeSet& set)
{
    std::set<std::string> codes;
    for (const AirportCode& code : set) {
        codes.insert(code.str());
    }
    return codes;
}

TEST(IcaoAirportsFile, TokensAreTrimmedEmptyOnesSkippedAndBadOnesLogged)
{
    test::ParkingFolder folder;
    const struct {
        const char* text;
        std::set<std::string> codes;
        int alerts;
    } rows[] = {
        {"EHAM,EGLL\n", {"EHAM", "EGLL"}, 0},
        {"EHAM,EGLL\r\n\r\nlszh\r\n", {"EHAM", "EGLL", "LSZH"}, 0},
        {" EHAM ,\tEGLL\t,,\n,\n", {"EHAM", "EGLL"}, 0},
        {"\xEF\xBB\xBF"
         "EHAM,EHAM",
         {"EHAM"},
         0},
        {"EHAM,EH-M,EGLLX,E G L,K\xC3\xB6LN\n", {"EHAM"}, 4},
        {"", {}, 0},
    };
    for (const auto& row : rows) {
        folder.write("input/ICAO_airports.txt", row.text);
        const std::string before = folder.logText();
        EXPECT_EQ(lf_codes(gf_readIcaoAirports("input/ICAO_airports.txt")), row.codes) << row.text;
        const std::string added = folder.logText().substr(before.size());
        int alerts = 0;
        for (std::size_t at = added.find("is no airport code, skipped"); at != std::string::npos;
             at = added.find("is no airport code, skipped", at + 1)) {
            ++alerts;
        }
        EXPECT_EQ(alerts, row.alerts) << row.text;
        EXPECT_NE(added.find(fmt::format("{} ICAO codes of airports read", row.codes.size())), std::string::npos);
    }
    fs::remove("input/ICAO_airports.txt");
    EXPECT_EQ(test::thrownText([] { gf_readIcaoAirports("input/ICAO_airports.txt"); }),
              "522: File 'input/ICAO_airports.txt' is missing?");
}

StandRecord lf_stand(const char* id, bool heli = false)
{
    return StandRecord::fromFile(id, {}, 52.0, 4.0, 1.0, 20.0, heli ? 0 : 8, false, false, heli);
}

TEST(GeneratedAirport, TheScanLogLineCountsStandsAndHelipadsAndTheStandsAreSortedByteWise)
{
    test::ParkingFolder folder;
    const struct {
        std::vector<const char*> ids;
        int32_t helipads;
        const char* line;
    } rows[] = {
        {{"g2", "helipad1", "A1", "g10", "helipad2", "B7", "a1", "1", "12", "2", "C3", "D4"},
         2,
         "Generated EHAM.xml: 12 positions of which 2 helipads"},
        {{"A1"}, 0, "Generated EHAM.xml: 1 position"},
        {{"helipad1", "A1"}, 1, "Generated EHAM.xml: 2 positions of which 1 helipad"},
        {{}, 0, "EHAM has no stands"},
    };
    for (const auto& row : rows) {
        fs::remove_all("airports");
        ApfData data;
        data.icao = AirportCode("EHAM");
        data.publisher = "Northwind Scenery";
        for (const char* id : row.ids) {
            data.stands.push_back(lf_stand(id, std::string_view(id).starts_with("helipad")));
        }
        ReportLines report;
        gf_writeGeneratedAirport(data, row.helipads, 2, report);
        EXPECT_EQ(report, ReportLines{row.line});
        if (row.ids.empty()) {
            EXPECT_FALSE(fs::exists("airports/my_thirdparty/EHAM.xml"));
            continue;
        }
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file("airports/my_thirdparty/EHAM.xml"));
        std::vector<std::string> ids;
        for (const pugi::xml_node stand : document.child("root").child("parkpositions").children("parkpos")) {
            ids.emplace_back(stand.attribute("id").value());
        }
        std::vector<std::string> sorted(row.ids.begin(), row.ids.end());
        std::ranges::sort(sorted);
        EXPECT_EQ(ids, sorted);
    }
    // The order of the edge case: A1, g10, g2.
    ApfData data;
    data.icao = AirportCode("EHRD");
    data.publisher = "simaddon";
    data.stands = {lf_stand("g10"), lf_stand("A1"), lf_stand("g2")};
    ReportLines report;
    gf_writeGeneratedAirport(data, 0, 1, report);
    EXPECT_EQ(data.stands[0].id + data.stands[1].id + data.stands[2].id, "A1g10g2");
    EXPECT_TRUE(fs::exists("airports/my_simaddon/EHRD.xml"));
}

TEST(GeneratedAirport, AFileThatCannotBeWrittenIsAScanLogLine)
{
    test::ParkingFolder folder;
    fs::create_directories("airports/my_thirdparty/EHAM.xml/inside");
    ApfData data;
    data.icao = AirportCode("EHAM");
    data.stands = {lf_stand("A1")};
    ReportLines report;
    gf_writeGeneratedAirport(data, 0, 1, report);
    EXPECT_EQ(report.back(), "===> Writing airports/my_thirdparty/EHAM.xml did not succeed");
}

TEST(TbloCopies, KnownAirportsAreCopiedAndLinkedOnesLeaveTheirFolder)
{
    test::ParkingFolder folder; // knows EHAM and EHRD
    gf_installAirports({{AirportCode("EHAM"), gf_noIataCode(), 52.3, 4.8, 0.0F, 0},
                        {AirportCode("EHRD"), gf_noIataCode(), 51.9, 4.4, 0.0F, 0},
                        {AirportCode("KMCI"), gf_noIataCode(), 39.3, -94.7, 0.0F, 0}});
    fs::create_directories("tblo");
    const auto generated = [&](const char* path, const char* publisher) {
        folder.write(path, fmt::format(R"(<root><parameters><parameter name="publisher" value="{}"/></parameters>)"
                                       "</root>",
                                       publisher));
    };
    generated("airports/my_simaddon/EHAM.xml", "simaddon");
    folder.write("airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.xml\n");
    generated("airports/my_simaddon/EHRD.xml", "simaddon");
    generated("airports/my_simaddon/LFPG.xml", "simaddon"); // not in the airports database
    EXPECT_EQ(gf_copySimaddonFilesToTblo("tblo"), 2);
    EXPECT_TRUE(fs::exists("tblo/EHAM.xml") && fs::exists("tblo/EHRD.xml") && !fs::exists("tblo/LFPG.xml"));
    EXPECT_FALSE(fs::exists("airports/my_simaddon/EHAM.xml"));
    EXPECT_TRUE(fs::exists("airports/my_simaddon/EHRD.xml") && fs::exists("airports/my_simaddon/LFPG.xml"));
    EXPECT_NE(folder.logText().find("2 simaddon files copied to tblo folder\n"), std::string::npos);

    fs::remove_all("tblo");
    fs::create_directories("tblo");
    generated("airports/my_thirdparty/KMCI.xml", "TropicalSim");
    generated("airports/my_thirdparty/EHRD.xml", "Northwind Scenery");
    gf_copyThirdpartyFilesToTblo("tblo");
    EXPECT_FALSE(fs::exists("airports/my_thirdparty/KMCI.xml"));
    EXPECT_FALSE(fs::exists("tblo/KMCI.xml"));
    EXPECT_TRUE(fs::exists("tblo/EHRD.xml"));
    generated("airports/my_thirdparty/KMCI.xml", "Other Maker");
    gf_copyThirdpartyFilesToTblo("tblo");
    EXPECT_TRUE(fs::exists("tblo/KMCI.xml"));
    gf_clearAirports();
}

TEST(TbloCopies, AnEmptyFolderMakesNoArchive)
{
    test::ParkingFolder folder;
    fs::create_directories("tblo");
    const TbloPacking packing = gf_zipTblo("tblo");
    EXPECT_EQ(packing.files, 0);
    EXPECT_FALSE(packing.packed);
    EXPECT_FALSE(fs::exists("tblo/tblo.zip"));
    EXPECT_NE(folder.logText().find("All your simaddon and third party airports are recognised, no off line learning "
                                    "needed.\n"),
              std::string::npos);
    EXPECT_FALSE(gf_zipFolder("missing", "missing/tblo.zip"));
    EXPECT_NE(folder.logText().find("[zip] Not a directory: missing\n"), std::string::npos);
}

} // namespace
} // namespace hlw
