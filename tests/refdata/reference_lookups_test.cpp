#include "refdata/reference_lookups.h"

#include "core/random_choice.h"
#include "dbase_fixture.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <set>
#include <string>
#include <vector>

namespace hlw {
namespace {

using test::DbaseFolder;
using test::DbaseText;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

bool lf_randomOn() noexcept
{
    return true;
}

bool lf_randomOff() noexcept
{
    return false;
}

class ReferenceLookups : public ::testing::Test {
  protected:
    void SetUp() override
    {
        gf_installRandomSettingReader(&lf_randomOff);
        ASSERT_TRUE(folder.read(DbaseText().text()));
    }
    void TearDown() override { gf_installRandomSettingReader(nullptr); }

    DbaseFolder folder;
};

TEST_F(ReferenceLookups, CategoryTakesTheFirstListInPriorityOrder)
{
    const std::pair<const char*, AircraftCategory> cases[] = {
        {"", AircraftCategory::Light},          {"C172", AircraftCategory::Light},
        {"A320", AircraftCategory::Large},      {"B748", AircraftCategory::Large}, // large and heavy
        {"B744", AircraftCategory::Heavy},      {"B77F", AircraftCategory::Heavy}, // a cargo code only
        {"C700", AircraftCategory::Buzjets},    {"TBM9", AircraftCategory::HighPerf},
        {"EC35", AircraftCategory::Rotorcraft},                                    // high_performance and rotorcraft
        {"AS50", AircraftCategory::Rotorcraft}, {"QQQQ", AircraftCategory::Light}, // unknown, interned now
    };
    for (const auto& [code, category] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(gf_modelCategoryByName(code), category);
        EXPECT_EQ(gf_modelCategory(gf_modelIndex(code)), category);
    }
    EXPECT_TRUE(gf_findModelIndex("QQQQ").has_value());
    EXPECT_EQ(gf_modelCategory(0), AircraftCategory::Light);
    EXPECT_EQ(gf_modelCategory(65535), AircraftCategory::Light);
}

TEST_F(ReferenceLookups, HalfWingspanIsZeroWithoutAnEntryAndLogsOncePerUnknownIndex)
{
    EXPECT_DOUBLE_EQ(gf_halfWingspanNm(gf_modelIndex("A320")), 17.9 / 1852.0);
    EXPECT_DOUBLE_EQ(gf_halfWingspanNm(gf_modelIndex("C172")), 5.5 / 1852.0);
    EXPECT_DOUBLE_EQ(gf_maxHalfWingspanNm(), 32.2 / 1852.0);
    EXPECT_EQ(gf_halfWingspanNm(gf_modelIndex("DH8D")), 0.0);
    EXPECT_EQ(gf_halfWingspanNm(0), 0.0);
    // A model first met after the read (a livery or live traffic) has no entry: 0.0, never a huge span.
    const uint16_t late = gf_modelIndex("LT01");
    EXPECT_EQ(gf_halfWingspanNm(late), 0.0);
    EXPECT_EQ(gf_halfWingspanNm(late), 0.0);
    const std::string log = folder.logText();
    const std::string line = fmt::format("hwsp: {} (LT01) has no wingspan entry", late);
    EXPECT_EQ(log.find(line), log.rfind(line));
    EXPECT_THAT(log, HasSubstr(line));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("hwsp: " + std::to_string(gf_modelIndex("DH8D")))));
}

TEST_F(ReferenceLookups, RegistrationVariantsFollowTheNationalFormats)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"DAIPA", {"DA-IPA", "D-AIPA", "DAIPA"}},
        {"GLCYP", {"GL-CYP", "G-LCYP", "GLCYP"}},
        {"N12345", {"N12345"}}, // US registrations carry no dash
        {"NABCD", {"NABCD"}},
        {"D-AIPA", {"D-AIPA"}}, // already written with a dash
        {"GABC", {"GABC"}},     // too short to guess
        {"", {""}},
    };
    for (const auto& [registration, variants] : cases) {
        SCOPED_TRACE(registration);
        EXPECT_EQ(gf_registrationVariants(registration), variants);
    }
}

TEST_F(ReferenceLookups, RecordLookupTriesTheVariantsInOrder)
{
    const RegistrationCodes ezyA321{gf_airlineIndex("EZY"), 0, gf_modelIndex("A321"), 0, 1};
    EXPECT_EQ(gf_findDbaseRecord("DAIPA"), ezyA321); // DA-IPA before D-AIPA
    EXPECT_EQ(gf_findDbaseRecord("DA-IPA"), ezyA321);
    EXPECT_EQ(gf_findDbaseRecord("D-AIPA")->airline, gf_airlineIndex("DLH"));
    const RegistrationCodes bawCfeE190{gf_airlineIndex("BAW"), gf_airlineIndex("CFE"), gf_modelIndex("E190"), 0, 1};
    EXPECT_EQ(gf_findDbaseRecord("GLCYP"), bawCfeE190);
    EXPECT_EQ(gf_findDbaseRecord("N700FX"),
              (RegistrationCodes{gf_airlineIndex("FDX"), 0, gf_modelIndex("B77F"), 1, 1}));
    EXPECT_EQ(gf_findDbaseRecord("N12345"), (RegistrationCodes{0, 0, gf_modelIndex("C172"), 0, 1}));
    EXPECT_EQ(gf_findDbaseRecord(""), std::nullopt);
    EXPECT_EQ(gf_findDbaseRecord("GABC"), std::nullopt);  // stored as G-ABC, 4 characters are searched as given
    EXPECT_EQ(gf_findDbaseRecord("D-AIN"), std::nullopt); // a beginning of D-AINA is no match
    EXPECT_EQ(gf_findDbaseRecord("d-aina"), std::nullopt);
}

TEST_F(ReferenceLookups, RegistrationBeginningWithNIsSearchedOnlyAsGiven)
{
    ASSERT_TRUE(folder.read(DbaseText().set("dbase", "<d r=\"NA-BCD\" a=\"UAL\"/><d r=\"N-ABCD\" a=\"UAL\"/>").text()));
    EXPECT_EQ(gf_findDbaseRecord("NABCD"), std::nullopt);
    EXPECT_TRUE(gf_findDbaseRecord("NA-BCD").has_value());
}

TEST_F(ReferenceLookups, ShortRegistrationIsTheFirstSortedOneInTheText)
{
    EXPECT_EQ(gf_findShortRegistration("Dash 8 G-ABC Flybe"), "G-ABC");
    EXPECT_EQ(gf_findShortRegistration("NABCD and G-ABC"), "G-ABC");
    EXPECT_EQ(gf_findShortRegistration("Lufthansa D-ABCD"), std::nullopt); // six characters are not short
    EXPECT_EQ(gf_findShortRegistration("dash 8 g-abc"), std::nullopt);
    EXPECT_EQ(gf_findShortRegistration(""), std::nullopt);
}

// Tables installed by hand with an empty registration: the empty text must not match every title.
TEST_F(ReferenceLookups, ShortRegistrationSearchIgnoresEmptyRegistrations)
{
    ReferenceTables tables;
    tables.records = {{"", {1, 0, 1, 0, 1}}, {"G-ABC", {2, 0, 2, 0, 1}}};
    tables.shortRecords = {0, 1};
    gf_installReferenceTables(std::move(tables));
    EXPECT_EQ(gf_findShortRegistration("Dash 8 G-ABC"), "G-ABC");
    EXPECT_EQ(gf_findShortRegistration("Dash 8"), std::nullopt);
}

TEST_F(ReferenceLookups, SimilarPrefixesInStoredOrderWhileRandomIsOff)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_THAT(gf_similarPrefixes("D-"), ElementsAre("HB-", "OE-"));
    }
    EXPECT_THAT(gf_similarPrefixes("C-"), ElementsAre("N"));
    EXPECT_TRUE(gf_similarPrefixes("G-").empty());
    EXPECT_TRUE(gf_similarPrefixes("").empty());
}

TEST_F(ReferenceLookups, SimilarPrefixesShuffleCopiesWhileRandomIsOn)
{
    gf_installRandomSettingReader(&lf_randomOn);
    gf_seedThreadRandomEngine(7);
    std::set<std::vector<std::string>> orders;
    for (int i = 0; i < 50; ++i) {
        const auto prefixes = gf_similarPrefixes("D-");
        EXPECT_THAT(prefixes, UnorderedElementsAre("HB-", "OE-"));
        orders.insert(prefixes);
    }
    EXPECT_EQ(orders.size(), 2U);
    EXPECT_THAT(gf_referenceTables().similarPrefixes.at("D-"), ElementsAre("HB-", "OE-"));
}

TEST_F(ReferenceLookups, ContainsNoCaseSearchesThePathText)
{
    EXPECT_TRUE(gf_containsNoCase(std::filesystem::path("Community") / "nws-airport-eham", "NWS"));
    EXPECT_TRUE(gf_containsNoCase(std::filesystem::path("Community/Fl\xFCgel-NWS"), "nws"));
}

TEST_F(ReferenceLookups, PublisherIsTheOwnNameOfTheFirstMatchingGroup)
{
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"NORTHWIND-AIRPORT-EHAM", "Northwind Scenery"}, // any name of the group, any case
        {"nws-lowi", "Northwind Scenery"},
        {"bluedelta-kjfk", "Blue Delta Design"},
        {"Blue Delta Design KJFK", "Blue Delta Design"},
        {"someone-else-eddf", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, publisher] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(gf_findPublisher(text), publisher);
    }
}

TEST_F(ReferenceLookups, PublisherSearchSkipsEmptyNames)
{
    ReferenceTables tables;
    tables.publisherGroups = {{"Alpha", ""}, {"Beta", "BT"}};
    gf_installReferenceTables(std::move(tables));
    EXPECT_EQ(gf_findPublisher("bt-eddm"), "Beta");
    EXPECT_EQ(gf_findPublisher("nobody"), std::nullopt);
}

TEST_F(ReferenceLookups, ThirdPartyAirportNeedsTheExactPublisherOfTheChosenSimulator)
{
    const std::tuple<bool, const char*, const char*, bool> cases[] = {
        {true, "Northwind Scenery", "EDDF", true},
        {true, "Northwind Scenery", "LOWW", true}, // the publisher's second entry
        {true, "Northwind", "EHAM", false},
        {true, "Northwind Scenery", "eham", false},
        {false, "Northwind Scenery", "EHAM", false},
        {false, "Blue Delta Design", "KJFK", true},
        {true, "Blue Delta Design", "KJFK", false},
    };
    for (const auto& [msfs2020, publisher, airport, listed] : cases) {
        SCOPED_TRACE(fmt::format("{} {} {}", msfs2020, publisher, airport));
        EXPECT_EQ(gf_isThirdPartyAirport(msfs2020, publisher, airport), listed);
    }
}

} // namespace
} // namespace hlw
