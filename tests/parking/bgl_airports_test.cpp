// BGL files of the BGL writer read by the scan: which airports of a file become generated files, each once, what
// a damaged file leaves behind, and what crafted files cost.
#include "parking/bgl_airports.h"

#include "bgl_writer.h"
#include "parking_fixture.h"
#include "refdata/airports_database.h"
#include "support/fake_steady_time.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using tree::BglAirport;
using tree::BglFile;
using tree::BglParking;

BglAirport lf_airport(const char* ident, int parkings)
{
    BglAirport airport;
    airport.ident = ident;
    for (int i = 0; i < parkings; ++i) {
        BglParking parking;
        parking.nameCode = 12;
        parking.number = static_cast<uint32_t>(i + 1);
        parking.lat = 52.3 + 0.001 * i;
        parking.lon = 4.7;
        airport.parkings.push_back(parking);
    }
    return airport;
}

class BglAirports : public ::testing::Test {
  protected:
    // Processes the file written at the path and returns the scan log lines.
    ReportLines process(const fs::path& relative, const BglFile& file)
    {
        folder.write(relative, tree::gf_bglFileBytes(file));
        AddonScanRun run(status, time, {}, {});
        gf_processBglFile(folder.dir / relative, run);
        return run.report();
    }
    int standsOf(const char* code)
    {
        pugi::xml_document document;
        if (!document.load_file(fmt::format("airports/my_thirdparty/{}.xml", code).c_str())) {
            return -1;
        }
        const auto stands = document.child("root").child("parkpositions").children("parkpos");
        return static_cast<int>(std::distance(stands.begin(), stands.end()));
    }
    std::size_t count(const ReportLines& report, std::string_view text)
    {
        return static_cast<std::size_t>(std::ranges::count(report, std::string(text)));
    }

    test::ParkingFolder folder; // the airports database knows EHAM and EHRD
    StatusBoard status;
    test::FakeSteadyTime time;
};

TEST_F(BglAirports, EveryKnownAirportOfTheFileIsWrittenOnceAndOthersAreNot)
{
    BglFile file{{lf_airport("EHAM", 3), lf_airport("X12", 2), lf_airport("XZZZ", 2), lf_airport("EHRD", 4)}};
    // A second airport section whose data starts at the second airport finds the last three again.
    file.secondAirportSection = true;
    const ReportLines report = process("pkg/scenery/two.bgl", file);
    EXPECT_EQ(standsOf("EHAM"), 3);
    EXPECT_EQ(standsOf("EHRD"), 4);
    EXPECT_EQ(count(report, "Generated EHAM.xml: 3 positions"), 1U);
    EXPECT_EQ(count(report, "Generated EHRD.xml: 4 positions"), 1U);
    EXPECT_EQ(count(report, "XZZZ is not an airport supported by RealTraffic"), 1U);
    for (const std::string& line : report) {
        EXPECT_EQ(line.find("X12"), std::string::npos) << line; // a heliport's ident passes silently
    }
    EXPECT_EQ(status.snapshot().thirdPartyCount, 2);
}

TEST_F(BglAirports, ADamagedAirportIsDroppedAndTheAirportsBeforeItStay)
{
    BglFile file{{lf_airport("EHAM", 2), lf_airport("EHRD", 3)}};
    file.cutTo = tree::gf_bglFileBytes(file).size() - 30; // inside EHRD's last parking
    process("pkg/scenery/cut.bgl", file);
    EXPECT_EQ(standsOf("EHAM"), 2);
    EXPECT_EQ(standsOf("EHRD"), -1);
    const std::string log = folder.logText();
    EXPECT_NE(log.find(fmt::format("==> Exception in lf_processBGLfile (std::ex): {} \u2014 word ",
                                   (folder.dir / "pkg/scenery/cut.bgl").string())),
              std::string::npos)
        << log;
}

// A crafted file of 100,000 airport sections that all lead into one chain of 9,100 records: the chain is walked
// once, its airport is written and the step limit is logged once.
TEST_F(BglAirports, ManySectionsIntoOneLongChainCostOneWalk)
{
    BglFile file{{lf_airport("EHAM", 3)}};
    file.repeatedAirportSections = 100'000;
    file.fillerRecords = 9'100;
    folder.write("pkg/scenery/crafted.bgl", tree::gf_bglFileBytes(file));
    AddonScanRun run(status, time, {}, {});
    const std::size_t linesBefore = std::ranges::count(folder.logText(), '\n');
    const auto start = std::chrono::steady_clock::now();
    gf_processBglFile(folder.dir / "pkg/scenery/crafted.bgl", run);
    // Generous: the walk takes milliseconds; a walk per section took 20 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    const std::string log = folder.logText();
    EXPECT_LE(std::ranges::count(log, '\n') - linesBefore, 3) << log;
    EXPECT_NE(log.find("Maximum loop iterations reached (2)"), std::string::npos) << log;
    EXPECT_EQ(standsOf("EHAM"), 3);
}

// Four letters after the first one, the index in base 26.
std::string lf_code(char first, int index)
{
    std::string code(4, first);
    for (int i = 3; i > 0; --i, index /= 26) {
        code[static_cast<std::size_t>(i)] = static_cast<char>('A' + index % 26);
    }
    return code;
}

// Crafted files under the size cap, scaled down, in a package whose manifest names a maker: each code is written
// once with the stands of its last record, a repeated line is written a few times and counted, a parkings count
// that promises more than the record holds ends at the record, and a stop is seen inside the file.
TEST_F(BglAirports, CraftedFilesTakeLittleTimeFewLinesAndOneWritePerCode)
{
    constexpr int records = 2'000;
    std::vector<AirportRecord> known{{AirportCode("EHAM"), gf_noIataCode(), 52.3, 4.76, 0.0F, 0}};
    for (int i = 0; i < records; ++i) {
        known.push_back({AirportCode(lf_code('K', i)), gf_noIataCode(), 52.3, 4.76, 0.0F, 0});
    }
    gf_installAirports(std::move(known));
    folder.write("pkg/manifest.json", R"({"title":"Crafted","manufacturer":"Tallgrass","creator":"Tallgrass"})");

    struct Shape {
        const char* name;
        BglFile file;
        int writes;
        int ehamStands;        // -1: no file
        const char* countLine; // the line that counts the lines left out, or ""
        bool stopOnceWritten = false;
    };
    std::vector<Shape> shapes;
    BglFile file;
    file.sectionPerAirport = true;
    file.airports.assign(records, lf_airport("EHAM", 1));
    file.airports.back() = lf_airport("EHAM", 2);
    shapes.push_back({"one code in every record", file, 1, 2, ""});
    BglAirport promising = lf_airport("EHAM", 1);
    promising.parkingCount = 65'535;
    promising.parkingsSize = 8 + 65'535 * 56;
    file.airports.assign(records, promising);
    shapes.push_back({"a parkings count that promises more than the record holds", file, 1, 1,
                      "1995 more 'parkings cut short' alerts for "});
    BglAirport oneId = lf_airport("EHAM", 200);
    for (BglParking& parking : oneId.parkings) {
        parking.number = 5;
    }
    file.airports.assign(3, oneId);
    shapes.push_back({"one stand id in every parking", file, 1, 11, "562 more 'duplicate IDs' alerts for "});
    file.airports.clear();
    for (int i = 0; i < records; ++i) {
        file.airports.push_back(lf_airport(lf_code('X', i).c_str(), 1));
    }
    shapes.push_back(
        {"codes the airports database does not know", file, 0, -1, "1995 more 'unsupported airport' alerts for "});
    file.airports.clear();
    for (int i = 0; i < records; ++i) {
        file.airports.push_back(lf_airport(lf_code('K', i).c_str(), 1));
    }
    shapes.push_back({"a stop once the first airport is written", file, 1, -1, "", true});

    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        fs::remove_all(folder.dir / "airports/my_thirdparty");
        folder.write("pkg/scenery/crafted.bgl", tree::gf_bglFileBytes(shape.file));
        std::optional<test::StopOnceWritten> stop;
        if (shape.stopOnceWritten) {
            stop.emplace(folder.dir / "airports/my_thirdparty" / (lf_code('K', 0) + ".xml"));
        }
        AddonScanRun run(status, time, {}, {});
        const std::size_t logLines = std::ranges::count(folder.logText(), '\n');
        const auto start = std::chrono::steady_clock::now();
        gf_processBglFile(folder.dir / "pkg/scenery/crafted.bgl", run);
        // Generous: each takes milliseconds.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        const ReportLines& report = run.report();
        const std::string lines = fmt::format(
            "{}", fmt::join(report.begin(), report.begin() + std::min<std::ptrdiff_t>(std::ssize(report), 10), "\n"));
        EXPECT_LE(report.size(), 8U) << lines;
        EXPECT_LE(std::ranges::count(folder.logText(), '\n') - logLines, 3) << folder.logText();
        EXPECT_EQ(std::ranges::count_if(report, [](const std::string& line) { return line.starts_with("Generated "); }),
                  shape.writes)
            << lines;
        EXPECT_TRUE(std::ranges::any_of(report, [&](const std::string& line) {
            return line.starts_with(shape.countLine);
        })) << lines;
        EXPECT_EQ(standsOf("EHAM"), shape.ehamStands);
    }
}

TEST_F(BglAirports, APackageWhoseManifestNamesNoMakerWritesNothing)
{
    folder.write("pkg/manifest.json", R"({"title":"Field","manufacturer":"ab","creator":""})");
    process("pkg/scenery/eham.bgl", {{lf_airport("EHAM", 3)}});
    EXPECT_EQ(standsOf("EHAM"), -1);
    folder.write("pkg/manifest.json", R"({"title":"Field","manufacturer":"abcd","creator":""})");
    process("pkg/scenery/eham.bgl", {{lf_airport("EHAM", 3)}});
    EXPECT_EQ(standsOf("EHAM"), 3);
}

TEST_F(BglAirports, AFileThatIsNoBglFileIsLeftWithoutAMessage)
{
    folder.write("pkg/scenery/text.bgl", "not a scenery file at all, just some text");
    AddonScanRun run(status, time, {}, {});
    const std::string before = folder.logText();
    gf_processBglFile(folder.dir / "pkg/scenery/text.bgl", run);
    gf_processBglFile(folder.dir / "pkg/scenery/missing.bgl", run);
    EXPECT_EQ(folder.logText(), before);
    EXPECT_TRUE(run.report().empty());
}

} // namespace
} // namespace hlw
