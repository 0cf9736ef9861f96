// The BGL reader against files of the BGL writer: sound airports, every fault the writer can put in, and the
// quick check.
#include "parking/bgl_reader.h"
#include "parking/report_lines.h"

#include "bgl_writer.h"
#include "parking_fixture.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using tree::BglAirport;
using tree::BglFile;
using tree::BglHelipad;
using tree::BglParking;

constexpr double eham[2] = {52.3, 4.76};

BglParking lf_parking(uint32_t nameCode, uint32_t number, double dLat = 0.0)
{
    BglParking p;
    p.nameCode = nameCode;
    p.number = number;
    p.lat = eham[0] + dLat;
    p.lon = eham[1];
    return p;
}

BglAirport lf_airport(std::string ident, std::vector<BglParking> parkings = {lf_parking(12, 5)})
{
    BglAirport airport;
    airport.ident = std::move(ident);
    airport.parkings = std::move(parkings);
    return airport;
}

std::vector<std::string> lf_ids(const BglAirportStands& airport)
{
    std::vector<std::string> ids;
    for (const StandRecord& stand : airport.stands) {
        ids.push_back(stand.id);
    }
    return ids;
}

struct Read {
    std::vector<BglAirportRecord> records;
    std::vector<BglAirportStands> airports;
    ReportLines report;
    std::string log;
};

Read lf_read(const BglFile& file, int64_t budgetSteps = bglFileMaxSteps)
{
    test::LogCapture log;
    Read read;
    const BglWords words(tree::gf_bglFileBytes(file));
    BglWalkBudget budget("x.bgl", budgetSteps);
    read.records = gf_findBglAirports(words, budget);
    {
        CappedAlerts lines("x.bgl", [&read](std::string line) { read.report.push_back(std::move(line)); });
        for (const BglAirportRecord& record : read.records) {
            read.airports.push_back(gf_readBglStands(words, record, "x.bgl", lines, budget));
        }
    }
    budget.logLeftOut();
    read.log = log.text();
    return read;
}

std::size_t lf_count(const std::string& text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

std::string lf_joined(const ReportLines& lines)
{
    return fmt::format("{}", fmt::join(lines, "\n"));
}

TEST(BglReader, StandsOfASoundAirport)
{
    BglAirport airport =
        lf_airport("EHAM", {lf_parking(12, 5, 0.001), lf_parking(12, 5, 0.002), lf_parking(12, 5, 0.003),
                            lf_parking(10, 12, 0.004), lf_parking(0, 12, 0.005), lf_parking(1, 7, 0.006),
                            lf_parking(0, 8, 0.007), lf_parking(0, 9, 0.008)});
    airport.parkings[1].headingDeg = 0.0F;
    airport.parkings[3].airlineCodes = 3; // the next entry starts 17 words later
    airport.parkings[6].type = 0;
    airport.parkings[7].type = 13;
    airport.helipads = {{52.31, 4.77, 30.0F}, {52.32, 4.78, 16.0F}};
    airport.altitudeMm = 2000;
    const Read read = lf_read({{airport}});
    ASSERT_EQ(read.records.size(), 1U);
    EXPECT_EQ(read.records[0].ident, "EHAM");
    const BglAirportStands& stands = read.airports[0];
    EXPECT_EQ(lf_ids(stands),
              (std::vector<std::string>{"helipad1", "helipad2", "A5", "A5a", "A5b", "g12", "12", "r7"}));
    EXPECT_EQ(stands.helipads, 2);
    EXPECT_EQ(stands.altitudeFt, 7); // 6.56 ft rounded
    const StandRecord& helipad = stands.stands[0];
    EXPECT_TRUE(helipad.heli);
    EXPECT_NEAR(helipad.radius * 1852.0, 15.0, 1e-9);
    EXPECT_NEAR(helipad.latitude, 52.31, 1e-6);
    EXPECT_NEAR(helipad.longitude, 4.77, 1e-6);
    const StandRecord& a5 = stands.stands[2];
    EXPECT_EQ(a5.parkingType, 8);
    EXPECT_FALSE(a5.heli || a5.cargo || a5.ramp);
    EXPECT_NEAR(a5.heading, 90.0 * radiansPerDegree, 1e-12);
    EXPECT_NEAR(a5.radius * 1852.0, 20.0, 1e-9);
    EXPECT_DOUBLE_EQ(stands.stands[3].heading, 2.0 * 3.141592653589793); // a heading of exactly 0 is 360 degrees
    EXPECT_TRUE(read.report.empty()) << lf_joined(read.report);
}

TEST(BglReader, IdentsDecodeInBase38)
{
    for (const char* text : {"EHAM", "X12", "K0A9", "Z"}) {
        const BglIdent ident = gf_decodeBglIdent(tree::gf_packBglIdent(text));
        EXPECT_TRUE(ident.valid) << text;
        EXPECT_EQ(ident.text, text);
    }
    // Digit 0 (a blank) and digit 1 ('?') inside, and no characters at all.
    for (const uint32_t packed : {((12U * 38U + 0U) * 38U + 12U) << 5U, (12U * 38U + 1U) << 5U, 31U}) {
        EXPECT_FALSE(gf_decodeBglIdent(packed).valid) << packed;
    }
}

TEST(BglReader, AltitudeAboveTenThousandFeetIsZero)
{
    BglAirport airport = lf_airport("EHAM");
    airport.altitudeMm = 0xFFFFFFFFU; // a negative height stored in the file
    EXPECT_EQ(lf_read({{airport}}).airports.at(0).altitudeFt, 0);
    airport.altitudeMm = 3048000; // 10,000 ft
    EXPECT_EQ(lf_read({{airport}}).airports.at(0).altitudeFt, 10000);
}

struct FileCase {
    const char* name;
    BglFile file;
    std::vector<std::string> idents;
    const char* log; // expected in the log, or ""
};

BglFile lf_twoAirports()
{
    return {{lf_airport("EHAM"), lf_airport("X12"), lf_airport("EHRD")}};
}

TEST(BglReader, FileStructureFaultsLeaveOutWhatTheyDamage)
{
    std::vector<FileCase> cases;
    cases.push_back({"sound", lf_twoAirports(), {"EHAM", "X12", "EHRD"}, ""});
    BglFile file = lf_twoAirports();
    file.secondAirportSection = true;
    cases.push_back({"second section starting at the second airport", file, {"EHAM", "X12", "EHRD"}, ""});
    file = lf_twoAirports();
    file.longSubsections = true;
    cases.push_back({"20-byte subsection entries", file, {}, ""});
    for (const uint32_t size : {0x37U, 0U}) {
        file = lf_twoAirports();
        file.headerSize = size;
        cases.push_back({"header size", file, {}, ""});
    }
    for (const uint32_t count : {0U, 1000U, 0xFFFFFFFFU}) {
        file = lf_twoAirports();
        file.sectionCount = count;
        cases.push_back({"section count", file, {}, ""});
    }
    file = lf_twoAirports();
    file.subsectionOffset = 0xFFFFFFF0U;
    cases.push_back({"subsection entry past the file", file, {}, ""});
    file = lf_twoAirports();
    file.airports[1].recordSize = 0;
    cases.push_back(
        {"airport record of size 0", file, {"EHAM"}, "==>    Warning: decodeSizeAtBoundary returned 0 at o2 = "});
    file = lf_twoAirports();
    file.airports[0].recordSize = 0xFFFFFFFCU; // would wrap a 32-bit word index
    cases.push_back({"airport record far past the file", file, {"EHAM"}, ""});
    file = lf_twoAirports();
    file.airports[1].rawIdent = (12U * 38U + 1U) << 5U;
    cases.push_back({"invalid ident", file, {"EHAM", "EHRD"}, ""});
    file = lf_twoAirports();
    file.fillerRecords = bglMaxSteps;
    cases.push_back({"endless records",
                     file,
                     {"EHAM", "X12", "EHRD"},
                     "==> Error: Maximum loop iterations reached (2) \u2014 possible corrupt BGL or malformed input."});
    file = lf_twoAirports();
    file.trailingBytes = 3;
    cases.push_back({"a last partial word", file, {"EHAM", "X12", "EHRD"}, ""});
    file = lf_twoAirports();
    file.cutTo = 57;
    cases.push_back({"cut in the section table", file, {}, ""});

    for (const FileCase& c : cases) {
        const Read read = lf_read(c.file);
        std::vector<std::string> idents;
        for (const BglAirportRecord& record : read.records) {
            idents.push_back(record.ident);
        }
        EXPECT_EQ(idents, c.idents) << c.name;
        EXPECT_NE(read.log.find(c.log), std::string::npos) << c.name << ":\n" << read.log;
    }
}

struct StandCase {
    const char* name;
    BglAirport airport;
    std::vector<std::string> ids;
    const char* report; // a line of the report, or ""
    const char* log;    // in the log, or ""
};

TEST(BglReader, BadStandsAreSkippedWithAReportLine)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<StandCase> cases;
    const auto parkingWith = [&](float radius, float heading) {
        BglAirport airport = lf_airport("EHAM", {lf_parking(12, 1), lf_parking(12, 2, 0.001)});
        airport.parkings[0].radiusM = radius;
        airport.parkings[0].headingDeg = heading;
        return airport;
    };
    for (const auto& [radius, heading] : {std::pair{nan, 90.0F},
                                          {inf, 90.0F},
                                          {0.0F, 90.0F},
                                          {-5.0F, 90.0F},
                                          {500.5F, 90.0F},
                                          {20.0F, nan},
                                          {20.0F, -inf},
                                          {20.0F, 361.0F}}) {
        cases.push_back({"radius or heading", parkingWith(radius, heading), {"A2"}, "out of range (skipped)", ""});
    }
    cases.push_back({"radius of 500 m", parkingWith(500.0F, 359.0F), {"A1", "A2"}, "", ""});
    BglAirport airport = lf_airport("EHAM", {lf_parking(12, 1), lf_parking(12, 2, 0.001), lf_parking(12, 3, 0.002)});
    airport.parkings[0].lat = 0.0;
    airport.parkings[0].lon = 0.0;
    airport.parkings[1].lat = -700.0;
    cases.push_back({"positions", airport, {"A3"}, "LatLon 0.000000,0.000000 invalid (skipped)", ""});
    airport = lf_airport("EHAM", {});
    airport.helipads = {{52.0, 4.0, 20.0F}, {52.0, 4.0, 20.0F},   {0.0, 0.0, 20.0F},
                        {52.1, 4.0, nan},   {52.2, 4.0, 1200.0F}, {52.3, 4.0, 20.0F}};
    cases.push_back(
        {"helipads", airport, {"helipad1", "helipad2"}, "double helipad  (skipped) 52.000000,4.000000", ""});
    cases.push_back(
        {"helipads", airport, {"helipad1", "helipad2"}, "lat/lon helipad incorrect (skipped): 0.000000,0.000000", ""});
    airport = lf_airport("EHAM", std::vector<BglParking>(12, lf_parking(12, 5)));
    cases.push_back({"eleven duplicates of one id",
                     airport,
                     {"A5", "A5a", "A5b", "A5c", "A5d", "A5e", "A5f", "A5g", "A5h", "A5i", "A5j"},
                     "===> Warning: more than 10 duplicate IDs A5 in x.bgl",
                     ""});
    airport = lf_airport("EHAM", {lf_parking(12, 1), lf_parking(12, 2, 0.001)});
    airport.parkingCount = 50;
    cases.push_back({"more parkings than the subrecord holds",
                     airport,
                     {"A1", "A2"},
                     "===> parkings of x.bgl end at their subrecord after 2 of 50 entries",
                     ""});
    airport = lf_airport("EHAM", {lf_parking(12, 1)});
    airport.helipads = {{52.0, 4.0, 20.0F}, {52.1, 4.0, 20.0F}};
    airport.zeroHelipadSize = true;
    cases.push_back({"helipad of size 0",
                     airport,
                     {},
                     "===> helipad of 0 bytes too short (skipped)",
                     "==>    Warning: decodeSizeAtBoundary returned 0 at o3 = "});
    airport = lf_airport("EHAM", {lf_parking(12, 1)});
    airport.recordSize = 0xFFFFFFFCU;
    cases.push_back({"record size far past the file", airport, {"A1"}, "", ""});
    airport = lf_airport("EHAM", {});
    airport.withParkings = false;
    airport.recordSize = 0xFFFFFFFCU;
    cases.push_back({"subrecords end with the file", airport, {}, "", "   Error: o3="});

    for (const StandCase& c : cases) {
        const Read read = lf_read({{c.airport}});
        ASSERT_EQ(read.airports.size(), 1U) << c.name;
        EXPECT_EQ(lf_ids(read.airports[0]), c.ids) << c.name;
        const std::string report = lf_joined(read.report);
        EXPECT_NE(report.find(c.report), std::string::npos) << c.name << ":\n" << report;
        EXPECT_NE(read.log.find(c.log), std::string::npos) << c.name << ":\n" << read.log;
        for (const StandRecord& stand : read.airports[0].stands) {
            EXPECT_TRUE(std::isfinite(stand.heading) && stand.radius > 0.0 && stand.radius * 1852.0 <= 500.0) << c.name;
        }
    }
}

TEST(BglReader, ParkingsCutByTheEndOfTheFileThrow)
{
    BglFile file{{lf_airport("EHAM", std::vector<BglParking>(3, lf_parking(12, 5)))}};
    const std::string whole = tree::gf_bglFileBytes(file);
    file.cutTo = whole.size() - 30; // inside the last entry, not on a word boundary
    const BglWords words(tree::gf_bglFileBytes(file));
    BglWalkBudget budget("x.bgl");
    const std::vector<BglAirportRecord> records = gf_findBglAirports(words, budget);
    ASSERT_EQ(records.size(), 1U);
    CappedAlerts lines("x.bgl", [](const std::string&) {});
    EXPECT_THROW(gf_readBglStands(words, records[0], "x.bgl", lines, budget), std::out_of_range);
}

// Walks of one file share its budget: sections that lead into records already walked end there, the file's
// steps end every walk once spent (one alert), and its walk messages beyond the first few are only counted.
TEST(BglReader, TheWalksOfAFileShareOneBudget)
{
    const std::string loopAlert = "==> Error: Maximum loop iterations reached (2)";
    const std::string spentAlert = "==> Error: x.bgl needs more than";
    BglFile file = lf_twoAirports();
    file.repeatedAirportSections = 500;
    file.fillerRecords = bglMaxSteps;
    Read read = lf_read(file);
    EXPECT_EQ(read.records.size(), 3U);
    EXPECT_EQ(lf_count(read.log, loopAlert), 1U) << read.log;
    EXPECT_EQ(lf_count(read.log, spentAlert), 0U) << read.log;

    // The section walk meets the three airports and 7 other records; the airports' walks get nothing.
    file = lf_twoAirports();
    file.fillerRecords = 50;
    read = lf_read(file, 10);
    EXPECT_EQ(read.records.size(), 3U);
    for (const BglAirportStands& airport : read.airports) {
        EXPECT_TRUE(airport.stands.empty());
    }
    EXPECT_EQ(lf_count(read.log, spentAlert + " 10 steps"), 1U) << read.log;

    // Each airport's first helipad gives its size as 0: one warning per airport, the first three logged.
    file = {};
    for (const char* ident : {"EHAM", "EHRD", "EHGG", "EHEH", "EHBK"}) {
        BglAirport airport = lf_airport(ident);
        airport.helipads = {{52.0, 4.0, 20.0F}};
        airport.zeroHelipadSize = true;
        file.airports.push_back(airport);
    }
    read = lf_read(file);
    EXPECT_EQ(read.records.size(), 5U);
    EXPECT_EQ(lf_count(read.log, "decodeSizeAtBoundary returned 0 at o3"), 3U) << read.log;
    EXPECT_EQ(lf_count(read.log, "   2 more messages about the records of x.bgl left out"), 1U) << read.log;
}

TEST(BglReader, QuickCheckReadsOnlyHeaderAndSectionTable)
{
    test::TempDir dir;
    BglFile airportFile{{lf_airport("EHAM")}};
    airportFile.otherSections = 3;
    BglFile badCount = airportFile;
    badCount.sectionCount = 100;
    BglFile zeroCount = airportFile;
    zeroCount.sectionCount = 0;
    const struct {
        const char* name;
        std::string bytes;
        bool passes;
    } cases[] = {
        {"airport.bgl", tree::gf_bglFileBytes(airportFile), true},
        {"scenery.bgl", tree::gf_bglSceneryBytes(4), false},
        {"count.bgl", tree::gf_bglFileBytes(badCount), false},
        {"zero.bgl", tree::gf_bglFileBytes(zeroCount), false},
        {"short.bgl", tree::gf_bglFileBytes(airportFile).substr(0, 56), false},
        {"table.bgl", tree::gf_bglFileBytes(airportFile).substr(0, 56 + 20 * 3), false},
    };
    for (const auto& c : cases) {
        test::writeWholeFile(dir / c.name, c.bytes);
        EXPECT_EQ(gf_bglQuickCheck(dir / c.name), c.passes) << c.name;
    }
    EXPECT_FALSE(gf_bglQuickCheck(dir / "missing.bgl"));
    EXPECT_FALSE(gf_bglQuickCheck(dir.path()));
}

} // namespace
} // namespace hlw
