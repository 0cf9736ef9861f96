// Writing airport files: the generated and learned forms byte for byte, and learned files that read back to
// what was written.
#include "parking/apf_writer.h"

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

} // namespace
} // namespace hlw
