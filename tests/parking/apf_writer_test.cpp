// Writing airport files: the generated and learned forms byte for byte, and learned files that read back to
// what was written.
#include "parking/apf_writer.h"

#include "parking/apf_reader.h"
#include "parking_fixture.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::describeStands;
using test::ParkingFolder;
using test::withoutDate;

ApfData lf_data()
{
    ApfData data;
    data.icao = AirportCode("EHAM");
    data.facilities = true;
    data.airportName = "Schiphol";
    data.bglPathText = "Community/pkg/scenery/EHAM.bgl";
    data.manifest = PackageManifest{"EHAM Schiphol", "1.2.3", "Northwind", "NW Team"};
    data.qfReal = 63;
    data.qfSoft = 0;
    data.altitude = -11;
    return data;
}

StandOption lf_option(uint32_t number, const char* registration, StandCodes codes, SlotSet slots)
{
    StandOption option;
    option.number = number;
    option.registration = registration;
    option.codes = codes;
    option.slots = slots;
    option.weekday = 3;
    return option;
}

// S1 with every kind of option, S2 with both change flags, S3 made by hand with a change flag, S4 unchanged.
std::vector<StandRecord> lf_stands()
{
    std::vector<StandRecord> stands;
    StandRecord s1 = StandRecord::fromFile("S1", {}, 52.3, 4.76, 1.5707963, 0.0, 5, true, false, false);
    s1.radius = 0.0107991;
    StandOption coupled =
        lf_option(1, "PH-ZZZ", {gf_airlineIndex("XYZ"), 0, gf_modelIndex("A320"), 0, 0}, SlotSet().set(5).set(7));
    coupled.callsign = "XYZ1";
    coupled.secondCallsign = "XYZ2";
    coupled.coupled = true;
    StandOption fromRecord = lf_option(2, "D-AINA", *gf_findDbaseRecord("D-AINA"), SlotSet().set(5).set(6).set(7));
    fromRecord.real = false;
    fromRecord.callsign = "DLH1";
    s1.options = {coupled, fromRecord, lf_option(0, "PH-OLD", {}, SlotSet(1)), lf_option(3, "PH-NONE", {}, {}),
                  lf_option(4, "", {}, SlotSet(2))};
    stands.push_back(std::move(s1));
    StandRecord s2 = StandRecord::fromFile("S2", {}, 52.31, 4.77, 0.0, 40.0, 0, false, true, false);
    s2.radiusChange = true;
    s2.cargoChange = true;
    stands.push_back(std::move(s2));
    StandRecord s3 = StandRecord::fromFile("S3", {}, 52.32, 4.78, 3.0, 25.0, 11, false, false, true);
    s3.manual = true;
    s3.radiusChange = true;
    stands.push_back(std::move(s3));
    stands.push_back(StandRecord::fromFile("S4", {}, 52.33, 4.79, 0.5, 30.0, 2, false, true, false));
    return stands;
}

void lf_expectGolden(const fs::path& written, const std::string& name)
{
    const fs::path golden = fs::path(HLMR_PARKING_GOLDEN) / name;
    const std::string bytes = withoutDate(test::readWholeFile(written));
    if (std::getenv("HLMR_UPDATE_GOLDEN") != nullptr) {
        test::writeWholeFile(golden, bytes);
    }
    EXPECT_EQ(bytes, test::readWholeFile(golden)) << name;
}

struct GoldenCase {
    const char* file;
    ApfFileKind kind;
    bool handmade;
    std::size_t standCount;
};

TEST(WriteApf, GoldenFiles)
{
    const GoldenCase cases[] = {
        {"generated.xml", ApfFileKind::generated, false, 4},
        {"learned.xml", ApfFileKind::learned, false, 4},
        {"learned_minimal.xml", ApfFileKind::learned, false, 0},
        {"handmade.xml", ApfFileKind::learned, true, 4},
    };
    for (const GoldenCase& c : cases) {
        ParkingFolder folder;
        ApfData data = lf_data();
        if (c.standCount == 0) {
            data.manifest.reset();
            data.publisher = "Northwind Scenery";
        }
        std::vector<StandRecord> stands = lf_stands();
        if (c.standCount == 0) {
            stands.erase(stands.begin(), stands.begin() + 3);
        }
        const std::vector<std::string> before = describeStands(stands);
        ApfWriteOptions options;
        options.kind = c.kind;
        options.simulator = 2;
        options.handmade = c.handmade;
        ASSERT_TRUE(gf_writeApf(data, stands, folder.dir / "out/sub/EHAM.xml", options)) << c.file;
        EXPECT_EQ(describeStands(stands), before) << "the writer changed its input";
        lf_expectGolden(folder.dir / "out/sub/EHAM.xml", c.file);
        if (c.kind == ApfFileKind::learned && c.standCount == 4) {
            EXPECT_NE(folder.logText().find("bit set problem: PH-NONE  "), std::string::npos) << c.file;
        }
    }
}

TEST(WriteApf, FailuresGiveFalseAndKeepTheOldFile)
{
    ParkingFolder folder;
    folder.write("blocker", "a file where a folder should be");
    ApfWriteOptions options;
    EXPECT_FALSE(gf_writeApf(lf_data(), lf_stands(), folder.dir / "blocker/EHAM.xml", options));
    EXPECT_NE(folder.logText().find("could not be made"), std::string::npos);

    folder.write("EHAM.xml", "old");
    options.kind = ApfFileKind::learned;
    for (const float hours : {std::numeric_limits<float>::infinity(), 3.0e9F}) {
        settings::maxFitFl.set(hours);
        EXPECT_FALSE(gf_writeApf(lf_data(), lf_stands(), folder.dir / "EHAM.xml", options)) << hours;
    }
    EXPECT_EQ(test::readWholeFile(folder.dir / "EHAM.xml"), "old");
    EXPECT_NE(folder.logText().find("(narrowing_error)"), std::string::npos);
    EXPECT_EQ(gf_maxFitHalfHours(23.5F), 46);
    EXPECT_EQ(gf_maxFitHalfHours(0.5F), 0);
    EXPECT_EQ(gf_maxFitHalfHours(std::numeric_limits<float>::quiet_NaN()), std::nullopt);
}

// A learned file written over an airport file and read back over the same airport file restores the learned use,
// the change flags, the hand-made stands, the entries of stands the airport does not have and the settings.
TEST(WriteApf, LearnedFileReadsBackOverItsAirportFile)
{
    ParkingFolder folder;
    const std::string airport = test::apfText(R"(
        <parkpos id="A1" latitude="52.1" longitude="4.1" radius="40"><opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="10:11"/></parkpos>
        <parkpos id="A2" latitude="52.2" longitude="4.2" radius="30"/>)");
    const std::string learned =
        test::apfText(R"(
        <parkpos id="A1" radius_change="true" radius="60"><opt reg="PH-ZZZ" airl="XYZ" type="A320" day="2" hh="3" cs="XYZ1:XYZ2" cpl="true"/></parkpos>
        <parkpos id="A2" cargo_change="true" cargo="true"><opt reg="D-AINA" day="7" hh="47" soft="true"/></parkpos>
        <parkpos id="M1" manual="true" latitude="52.3" longitude="4.3" radius="25" type="3"><opt reg="N700FX" day="1" hh="1,3"/></parkpos>
        <parkpos id="GONE" radius_change="true" radius="12"><opt reg="PH-Q" day="4" hh="5"/></parkpos>)",
                      R"(<parameter name="airport_name" value="Schiphol"/><parameter name="RANGE" value="65"/>
           <parameter name="WEEK" value="true"/><parameter name="parking_percentage" value="55"/>
           <parameter name="MAX_FIT" value="9"/>)");
    pugi::xml_document airportDocument;
    ASSERT_TRUE(airportDocument.load_string(airport.c_str()));
    folder.write("first.xml", learned);

    ParkAirportState first;
    gf_readParkpositions(airportDocument, first.stands, true);
    ASSERT_EQ(gf_readLearned(folder.dir / "first.xml", "Schiphol", first), LearnedRead::complete);
    ApfData data = lf_data();
    ASSERT_TRUE(gf_writeApf(data, first.stands, folder.dir / "second.xml", gf_learnedWriteOptions(first, 1)));

    test::resetAirportSettings();
    ParkAirportState second;
    gf_readParkpositions(airportDocument, second.stands, true);
    ASSERT_EQ(gf_readLearned(folder.dir / "second.xml", "Schiphol", second), LearnedRead::complete);
    EXPECT_EQ(describeStands(second.stands), describeStands(first.stands));
    ASSERT_TRUE(second.keptLearnedEntries.first_child().first_child());
    EXPECT_STREQ(second.keptLearnedEntries.first_child().first_child().attribute("id").value(), "GONE");
    EXPECT_STREQ(second.keptLearnedEntries.first_child().first_child().child("opt").attribute("reg").value(), "PH-Q");
    EXPECT_EQ(settings::range.get(), 65);
    EXPECT_TRUE(settings::week.get());
    EXPECT_EQ(settings::parkingPercentage.get(), 55);
    EXPECT_EQ(settings::maxFit.get(), 9);

    // Written again, the file does not change.
    ASSERT_TRUE(gf_writeApf(data, second.stands, folder.dir / "third.xml", gf_learnedWriteOptions(second, 1)));
    EXPECT_EQ(withoutDate(test::readWholeFile(folder.dir / "third.xml")),
              withoutDate(test::readWholeFile(folder.dir / "second.xml")));
}

} // namespace
} // namespace hlw
