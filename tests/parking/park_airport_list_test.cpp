// The park-airport list: reading "my_park_airports.txt" in its variants, the airports of "my_thirdparty", writing
// the first entry's line safely, the distances and their order, and the copy of the first entry for other threads.
#include "parking/file_generation.h"
#include "parking/park_airport_list.h"

#include "parking_fixture.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <thread>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;

const fs::path listFile = "airports/my_park_airports.txt";

std::vector<std::string> lf_lines(const ParkAirportList& list)
{
    std::vector<std::string> lines;
    for (const ParkAirportEntry& entry : list.entries()) {
        lines.push_back(gf_parkAirportLine(entry));
    }
    return lines;
}

TEST(ParkAirportList, ReadsTheFileLineByLineSkippingWhatItCannotTake)
{
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> entries;
        bool result;
        const char* logged;
    };
    const Case cases[] = {
        {"plain", "EHAM,D4\nEHRD\n", {"EHAM,D4", "EHRD"}, true, "2 park airports read from 'my_park_airports.txt'"},
        {"byte order mark and CR/LF", "\xEF\xBB\xBF" "EHAM,D4\r\nEHRD\r\n", {"EHAM,D4", "EHRD"}, true, ""},
        {"blanks around the fields and lower case", "  eham , D4 \n\n ehrd\n", {"EHAM,D4", "EHRD"}, true, ""},
        {"three fields", "EHAM,D4,x\nEHRD\n", {"EHRD"}, true, "my_park_airports.txt:EHAM,D4,x wrong syntax, skipped"},
        {"an invalid code, and the reading goes on", "EH-M\nEHAMX,D2\nEHRD\n", {"EHRD"}, true,
         "'EH-M' FixedCode: invalid string"},
        {"the same airport twice", "EHAM,D4\nEHAM\n", {"EHAM,D4"}, true, "my_park_airports.txt:EHAM double, skipped"},
        {"an airport the database lacks", "LOWW\nEHAM\n", {"EHAM"}, false, "airport LOWW is unknown"},
        {"no file", "", {}, true, "my_park_airports.txt not found"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ParkingFolder folder;
        if (!c.text.empty()) {
            folder.write(listFile, c.text);
        }
        ParkAirportList list;
        EXPECT_EQ(list.read(listFile), c.result);
        EXPECT_EQ(lf_lines(list), c.entries);
        EXPECT_NE(folder.logText().find(c.logged), std::string::npos) << folder.logText();
        if (!c.entries.empty()) {
            EXPECT_DOUBLE_EQ(list.front()->latitude, c.entries[0].starts_with("EHAM") ? 52.3086 : 51.9569);
        }
    }
}

TEST(ParkAirportList, AirportsWithAFileInMyThirdpartyAreAdded)
{
    test::ParkingFolder folder;
    folder.write(listFile, "EHAM\n");
    for (const char* name : {"ehrd.xml", "EHRD.txt", "LOWW.xml", "notes.xml", "EHAM.xml"}) {
        folder.write(fs::path("airports/my_thirdparty") / name, "x");
    }
    ParkAirportList list;
    EXPECT_TRUE(list.read(listFile));
    EXPECT_EQ(lf_lines(list), (std::vector<std::string>{"EHAM", "EHRD"}));
}

TEST(ParkAirportList, TheFirstEntrysLineIsWrittenSortedAndSafely)
{
    test::ParkingFolder folder;
    const ParkAirportEntry eham{"D4", 52.3086, 4.7639, 0.0, AirportCode("EHAM")};
    // Created when missing.
    ASSERT_TRUE(gf_addMyParkAirport(eham, listFile));
    EXPECT_EQ(readWholeFile(folder.dir / listFile), "EHAM,D4\n");
    EXPECT_FALSE(fs::exists(folder.dir / "airports/my_park_airports0.txt"));

    folder.write(listFile, "LSZH\r\nEHRD\n\nEHAM,C1\nEHRD\n");
    ASSERT_TRUE(gf_addMyParkAirport(eham, listFile));
    EXPECT_EQ(readWholeFile(folder.dir / listFile), "EHAM,D4\nEHRD\nLSZH\n") << "replaced, sorted, once each";
    EXPECT_EQ(readWholeFile(folder.dir / "airports/my_park_airports0.txt"), "LSZH\r\nEHRD\n\nEHAM,C1\nEHRD\n");
    ASSERT_TRUE(gf_addMyParkAirport({"", 0, 0, 0, AirportCode("EGLL")}, listFile));
    EXPECT_EQ(readWholeFile(folder.dir / listFile), "EGLL\nEHAM,D4\nEHRD\nLSZH\n");
    EXPECT_NE(folder.logText().find("my_park_airports.txt:EGLL new entry"), std::string::npos);
    EXPECT_NE(folder.logText().find("my_park_airports.txt:EHAM,D4 updated stand"), std::string::npos);

    // A list that exists but cannot be read is never replaced.
    fs::remove(folder.dir / listFile);
    fs::create_directories(folder.dir / listFile);
    EXPECT_FALSE(gf_addMyParkAirport(eham, listFile));
    EXPECT_TRUE(fs::is_directory(folder.dir / listFile));
}

TEST(ParkAirportList, DistancesSortTheListUnlessADestinationIsSet)
{
    test::ParkingFolder folder;
    gf_installAirports({{AirportCode("EHAM"), gf_noIataCode(), 52.3, 4.76, 0.0F, 10},
                        {AirportCode("EHRD"), gf_noIataCode(), 51.95, 4.44, 0.0F, 10},
                        {AirportCode("EHLE"), gf_noIataCode(), 52.45, 5.52, 0.0F, 10},
                        {AirportCode("EHTW"), gf_noIataCode(), 52.3, 4.76, 0.0F, 10}});
    folder.write(listFile, "EHLE\nEHTW\nEHRD\nEHAM\n");
    ParkAirportList list;
    ASSERT_TRUE(list.read(listFile));
    list.updateDistances({51.95, 4.44});
    EXPECT_EQ(lf_lines(list), (std::vector<std::string>{"EHRD", "EHTW", "EHAM", "EHLE"}))
        << "equal distances keep their order";
    EXPECT_DOUBLE_EQ(list.front()->distance, 0.0);
    EXPECT_EQ(list.publishedFirst()->icao, AirportCode("EHRD"));

    list.addDestination(AirportCode("EHLE"), {52.45, 5.52}, listFile);
    EXPECT_EQ(list.publishedFirst()->icao, AirportCode("EHLE")) << "a known destination moves first";
    EXPECT_FALSE(fs::exists(folder.dir / "airports/my_park_airports0.txt")) << "and is not written";
    settings::destination.set("EHLE");
    list.updateDistances({52.3, 4.76});
    EXPECT_EQ(list.front()->icao, AirportCode("EHLE")) << "no sorting while a destination is set";
    settings::destination.set("");
    list.updateDistances({52.3, 4.76 + 1e-9});
    EXPECT_EQ(list.front()->icao, AirportCode("EHLE")) << "the same position only refreshes the first distance";
    EXPECT_GT(list.front()->distance, 20.0);
    list.updateDistances({52.31, 4.76});
    EXPECT_EQ(list.front()->icao, AirportCode("EHTW"));
}

TEST(ParkAirportList, TheFirstEntryIsPublishedForOtherThreads)
{
    test::ParkingFolder folder;
    folder.write(listFile, "EHAM\nEHRD\n");
    ParkAirportList list;
    ASSERT_TRUE(list.read(listFile));
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            const std::optional<ParkAirportEntry> first = list.publishedFirst();
            EXPECT_TRUE(!first || first->icao == AirportCode("EHAM") || first->icao == AirportCode("EHRD"));
        }
    });
    for (int i = 0; i < 200; ++i) {
        list.updateDistances({i % 2 == 0 ? 52.3 : 51.95, i % 2 == 0 ? 4.76 : 4.44});
    }
    done.store(true);
    reader.join();
    list.clear();
    EXPECT_FALSE(list.publishedFirst().has_value());
}

} // namespace
} // namespace hlw
