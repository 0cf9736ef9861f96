// The generator's fixture and sample airport files: every fixture reads as its index says, and every file that
// reads without error comes back unchanged from a learned or handmade file written of it. The sample files read
// without alerts, match the sample airports database's stand counts and name only registrations of the sample
// reference database.
#include "parking/airport_settings.h"
#include "parking/apf_location.h"
#include "parking/apf_reader.h"
#include "parking/apf_writer.h"
#include "parking/package_manifest.h"

#include "airport_generator.h"
#include "core/user_error.h"
#include "parking_fixture.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/reference_database.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::describeStands;
using test::ParkingFolder;

std::vector<StandRecord> lf_readAirport(const fs::path& path)
{
    pugi::xml_document document;
    EXPECT_EQ(gf_loadApfDocument(path, document), std::nullopt) << path;
    std::vector<StandRecord> stands;
    gf_readParkpositions(document, stands, true);
    return stands;
}

const std::map<std::string, LearnedRead> outcomes{{"complete", LearnedRead::complete},
                                                  {"clearedByVersion", LearnedRead::clearedByVersion},
                                                  {"stoppedEarly", LearnedRead::stoppedEarly},
                                                  {"handmadeFailed", LearnedRead::handmadeFailed},
                                                  {"unparsable", LearnedRead::unparsable}};

// Written as a handmade learned file with every stand and option, the stands read back as they were.
void lf_expectHandmadeRoundTrip(const std::vector<StandRecord>& stands, const fs::path& written)
{
    ApfData data;
    data.airportName = "Round trip";
    ApfWriteOptions options;
    options.kind = ApfFileKind::learned;
    options.handmade = true;
    ASSERT_TRUE(gf_writeApf(data, stands, written, options)) << written;
    ParkAirportState back;
    EXPECT_EQ(gf_readLearned(written, "Round trip", back), LearnedRead::complete) << written;
    EXPECT_TRUE(back.handmade);
    EXPECT_EQ(describeStands(back.stands, false), describeStands(stands, false)) << written;
}

// Laid over its airport file, written as the learned file and laid over the airport file again, a learned file
// gives the same stands, kept entries and settings, and written again the same bytes.
void lf_expectLearnedRoundTrip(const fs::path& airport, const fs::path& learned, const fs::path& written)
{
    ParkAirportState first;
    first.stands = lf_readAirport(airport);
    gf_readLearned(learned, "Fixture", first);
    ApfData data;
    data.airportName = "Fixture";
    ASSERT_TRUE(gf_writeApf(data, first.stands, written, gf_learnedWriteOptions(first, 1))) << learned;
    const OverriddenSettings settings = OverriddenSettings::current();
    test::resetAirportSettings();
    ParkAirportState second;
    second.stands = lf_readAirport(airport);
    EXPECT_EQ(gf_readLearned(written, "Fixture", second), LearnedRead::complete);
    EXPECT_EQ(OverriddenSettings::current(), settings) << learned;
    fs::path again = written;
    again += ".again";
    ASSERT_TRUE(gf_writeApf(data, second.stands, again, gf_learnedWriteOptions(second, 1)));
    EXPECT_EQ(test::withoutDate(test::readWholeFile(again)), test::withoutDate(test::readWholeFile(written)));
    EXPECT_EQ(describeStands(second.stands, !first.handmade), describeStands(first.stands, !first.handmade)) << learned;
    const auto keptCount = [](const ParkAirportState& state) {
        const auto entries = state.keptLearnedEntries.first_child().children("parkpos");
        return std::distance(entries.begin(), entries.end());
    };
    EXPECT_EQ(keptCount(second), keptCount(first)) << learned;
}

TEST(GeneratedFixtures, ReadAsTheirIndexSaysAndRoundTrip)
{
    ParkingFolder folder;
    const fs::path root = folder.dir / "fixtures";
    test::generateAirports("fixtures", root);
    int checked = 0;
    for (const auto& entry : test::readGeneratorJson(root / "fixtures.json")) {
        const std::string file = entry["file"];
        const std::string kind = entry["kind"];
        const fs::path path = root / file;
        SCOPED_TRACE(file + ": " + entry["rule"].get<std::string>());
        ++checked;
        test::resetAirportSettings();
        if (kind == "airport") {
            try {
                const auto stands = lf_readAirport(path);
                EXPECT_TRUE(entry["error"].is_null());
                EXPECT_EQ(stands.size(), entry["stands"].get<std::size_t>());
                lf_expectHandmadeRoundTrip(stands, folder.dir / "out" / file);
            } catch (const UserErrorException& error) {
                EXPECT_EQ(error.code(), entry["error"].get<int>());
            }
        } else if (kind == "learned") {
            ParkAirportState state;
            state.stands = lf_readAirport(root / entry["base"].get<std::string>());
            const LearnedRead read = gf_readLearned(path, "Fixture", state);
            EXPECT_EQ(read, outcomes.at(entry["read"]));
            if (read == LearnedRead::complete || read == LearnedRead::clearedByVersion) {
                lf_expectLearnedRoundTrip(root / "base.xml", path, folder.dir / "out" / file);
            }
        } else if (kind == "link") {
            const auto target = gf_readLinkFile(path);
            EXPECT_EQ(target.value_or("none"), entry["target"].is_null() ? "none" : entry["target"].get<std::string>());
        } else {
            ReportLines report;
            EXPECT_EQ(gf_searchManifest(path, report).has_value(), entry["found"].get<bool>());
        }
    }
    EXPECT_GT(checked, 40);
}

TEST(GeneratedSamples, ReadWithoutAlertsAndMatchTheSampleDatabases)
{
    ParkingFolder folder;
    gf_clearReferenceTables();
    gf_clearAirports();
    // Read from copies: a sealed file is decrypted next to itself, and other suites read the samples at once.
    for (const char* name : {"dbase.enc", "airports.enc"}) {
        fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, folder.dir / name);
    }
    ASSERT_TRUE(gf_readDbase(folder.dir / "dbase.enc"));
    ASSERT_TRUE(gf_readAirports(folder.dir / "airports.enc"));
    const fs::path root = folder.dir / "samples";
    test::generateAirports("sample", root, {"--dbase", fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml"});
    std::size_t archived = 0;
    std::size_t options = 0;
    for (const auto& entry : test::readGeneratorJson(root / "layout.json")) {
        const std::string file = entry["path"];
        if (entry["kind"] != "archived" && entry["kind"] != "generated") {
            continue;
        }
        SCOPED_TRACE(file);
        const auto stands = lf_readAirport(root / file);
        const AirportRecord* airport = gf_findAirport(AirportCode(entry["icao"].get<std::string>()));
        ASSERT_NE(airport, nullptr);
        EXPECT_EQ(static_cast<int32_t>(stands.size()), airport->stands);
        for (const StandRecord& stand : stands) {
            for (const StandOption& option : stand.options) {
                EXPECT_TRUE(gf_findDbaseRecord(option.registration).has_value()) << option.registration;
                ++options;
            }
        }
        archived += entry["kind"] == "archived" ? 1 : 0;
        lf_expectHandmadeRoundTrip(stands, folder.dir / "out" / file);
    }
    EXPECT_EQ(archived, 7U);
    EXPECT_GT(options, 1000U);
    EXPECT_EQ(folder.logText().find("==>"), std::string::npos);

    // The local files and link files lead where the layout says.
    {
        const test::ScopedCurrentPath inSamples(root);
        EXPECT_EQ(gf_findApf(AirportCode("LSZH")), "airports/my_thirdparty/Harbour Lights Studio/LSZH.xml");
        EXPECT_EQ(gf_findApf(AirportCode("KJFK")), "archive/stock/KJFK.xml");
        EXPECT_EQ(gf_findApf(AirportCode("EHRD")), "airports/my_thirdparty/EHRD.xml");
        EXPECT_EQ(gf_findApf(AirportCode("EGLL")), "airports/my_simaddon/EGLL.xml");
        EXPECT_EQ(gf_findApf(AirportCode("EHAM")), "archive/stock/EHAM.xml");
    }
    gf_clearReferenceTables();
}

} // namespace
} // namespace hlw
