// The bundled sample "LiveriesScanned.xml" fits the sample reference database: every registration it names is
// one of the database's records with the same codes, every code is valid, and the file builds the tables. The
// database's registration prefix groups are written as the matching forms prefixes.
#include "liveries/livery_catalogue.h"
#include "liveries/livery_matching.h"
#include "liveries/livery_tables.h"
#include "liveries/scanned_liveries_file.h"
#include "livery_fixture.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hlw {
namespace {

const std::filesystem::path samplePath =
    std::filesystem::path(HLMR_SAMPLES_SOURCE) / "liveries" / "LiveriesScanned.xml";

std::set<std::string> lf_codes(pugi::xml_node section, const char* element, const char* attribute)
{
    std::set<std::string> codes;
    for (const pugi::xml_node chunk : section.children(element)) {
        std::istringstream list(chunk.attribute(attribute).value());
        for (std::string code; std::getline(list, code, ',');) {
            codes.insert(code);
        }
    }
    return codes;
}

TEST(SampleLiveries, MatchTheSampleReferenceDatabase)
{
    pugi::xml_document dbase;
    ASSERT_TRUE(dbase.load_file((std::filesystem::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").c_str()));
    const pugi::xml_node root = dbase.child("root");
    const std::set<std::string> models = lf_codes(root.child("aircrafts"), "aircraft", "types");
    const std::set<std::string> airlines = lf_codes(root.child("ICAO_airlines"), "ICAO", "codes");
    std::map<std::string, pugi::xml_node> records;
    for (const pugi::xml_node record : root.child("dbase").children("d")) {
        records.emplace(record.attribute("r").value(), record);
    }
    ASSERT_FALSE(records.empty());

    pugi::xml_document sample;
    ASSERT_TRUE(sample.load_file(samplePath.c_str())) << samplePath;
    std::size_t withRegistration = 0;
    for (const pugi::xml_node livery : sample.child("root").child("liveries").children("l")) {
        const std::string title = livery.attribute("t").value();
        EXPECT_TRUE(airlines.contains(livery.attribute("a").value())) << title;
        EXPECT_TRUE(models.contains(livery.attribute("m").value())) << title;
        if (livery.attribute("o")) {
            EXPECT_TRUE(airlines.contains(livery.attribute("o").value())) << title;
        }
        const std::string registration = livery.attribute("r").value();
        if (registration.empty()) {
            continue;
        }
        ++withRegistration;
        const auto record = records.find(registration);
        ASSERT_NE(record, records.end()) << registration;
        for (const char* code : {"a", "o", "m"}) {
            EXPECT_STREQ(record->second.attribute(code).value(), livery.attribute(code).value())
                << registration << " " << code;
        }
        EXPECT_EQ(record->second.attribute("c").as_bool(), livery.attribute("c").as_bool()) << registration;
    }
    EXPECT_GE(withRegistration, 25U);
}

// Each member of a group is a prefix the matching can form ("D-" of D-ABCD, "N" of N12345), and most sample
// registrations have a prefix with partners, so the search by similar prefix has something to find.
TEST(SampleLiveries, PrefixGroupsHoldThePrefixesOfTheMatching)
{
    pugi::xml_document dbase;
    ASSERT_TRUE(dbase.load_file((std::filesystem::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").c_str()));
    const pugi::xml_node root = dbase.child("root");
    const std::set<std::string> prefixes = lf_codes(root.child("prefixes"), "similar", "types");
    ASSERT_FALSE(prefixes.empty());
    for (const std::string& prefix : prefixes) {
        EXPECT_EQ(gf_registrationPrefix(prefix + "ABC"), prefix);
    }
    std::size_t records = 0;
    std::size_t grouped = 0;
    for (const pugi::xml_node record : root.child("dbase").children("d")) {
        ++records;
        grouped += prefixes.contains(std::string(gf_registrationPrefix(record.attribute("r").value()))) ? 1 : 0;
    }
    EXPECT_GT(grouped * 2, records);
}

TEST(SampleLiveries, BuildTheTablesInTheirOwnOrder)
{
    test::LiveryFolder folder;
    std::filesystem::copy_file(samplePath, folder.scannedPath());
    pugi::xml_document sample;
    ASSERT_TRUE(sample.load_file(samplePath.c_str()));
    std::vector<std::string> fileOrder;
    for (const pugi::xml_node livery : sample.child("root").child("liveries").children("l")) {
        fileOrder.push_back(livery.attribute("t").value());
    }

    ScannedLiveryList read;
    gf_readScannedLiveries(read, folder.scannedPath());
    std::vector<std::string> readOrder;
    for (const LiveryData& livery : read) {
        readOrder.push_back(livery.title);
    }
    EXPECT_EQ(readOrder, fileOrder);

    gf_processScannedLiveries(nullptr);
    EXPECT_EQ(liveryCount.load(), static_cast<int32_t>(fileOrder.size()));
    EXPECT_TRUE(gf_hasLivery(*gf_findAirlineIndex("KLCKLM"), *gf_findModelIndex("E295")));
    EXPECT_NE(gf_paxCargoTitles(cargoIndex, *gf_findAirlineIndex("FDX"), *gf_findModelIndex("B763")), nullptr);
    EXPECT_NE(gf_liveryCatalogue().genericAirline, std::nullopt);
}

} // namespace
} // namespace hlw
