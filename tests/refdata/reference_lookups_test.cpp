// Questions asked of the read reference database: categories, wing spans, registrations, prefixes, publishers
// and the similar models that have liveries.
#include "refdata/reference_lookups.h"

#include "core/random_choice.h"
#include "refdata/category_name.h"
#include "refdata/code_table.h"
#include "refdata/similar_models.h"
#include "support/dbase_fixture.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>

#include <set>

namespace hlw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

bool lf_randomOn() noexcept
{
    return true;
}
bool lf_randomOff() noexcept
{
    return false;
}
uint16_t m(const char* code)
{
    return gf_modelIndex(code);
}
uint16_t a(const char* code)
{
    return gf_airlineIndex(code);
}

class ReferenceLookups : public ::testing::Test {
  protected:
    void SetUp() override
    {
        gf_installRandomSettingReader(&lf_randomOff);
        ASSERT_TRUE(folder.read(test::DbaseText().text()));
    }
    void TearDown() override
    {
        gf_installRandomSettingReader(nullptr);
        gf_clearSimilarModels();
    }

    test::DbaseFolder folder;
};

// B748 is large and heavy, B77F only a cargo code, EC35 high-performance and rotorcraft, QQQQ unknown.
TEST_F(ReferenceLookups, CategoryAndWingspanOfAModel)
{
    std::string categories;
    for (const char* code : {"", "C172", "A320", "B748", "B744", "B77F", "C700", "TBM9", "EC35", "QQQQ"}) {
        categories += gf_categoryName(gf_modelCategoryByName(code)) + " ";
    }
    EXPECT_EQ(categories, "Light Light Large Large Heavy Heavy Buzjets HighPerf Rotorcraft Light ");
    EXPECT_TRUE(gf_findModelIndex("QQQQ").has_value());
    EXPECT_EQ(gf_modelCategory(65535), AircraftCategory::Light);

    EXPECT_DOUBLE_EQ(gf_halfWingspanNm(m("A320")), 17.9 / 1852.0);
    EXPECT_DOUBLE_EQ(gf_maxHalfWingspanNm(), 32.2 / 1852.0);
    EXPECT_EQ(gf_halfWingspanNm(m("DH8D")), 0.0);
    // A model first met after the read (a livery or live traffic) has no entry: 0.0, logged once.
    const uint16_t late = m("LT01");
    EXPECT_EQ(gf_halfWingspanNm(late) + gf_halfWingspanNm(late), 0.0);
    const std::string log = folder.logText();
    const std::string line = fmt::format("hwsp: {} (LT01) has no wingspan entry", late);
    EXPECT_THAT(log, HasSubstr(line));
    EXPECT_EQ(log.find(line), log.rfind(line));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("hwsp: " + std::to_string(m("DH8D")))));
}

TEST_F(ReferenceLookups, RegistrationsAreSearchedUnderTheirNationalSpellingsInOrder)
{
    EXPECT_THAT(gf_registrationVariants("DAIPA"), ElementsAre("DA-IPA", "D-AIPA", "DAIPA"));
    for (const char* asGiven : {"N12345", "D-AIPA", "GABC", ""}) {
        EXPECT_THAT(gf_registrationVariants(asGiven), ElementsAre(asGiven));
    }
    EXPECT_EQ(gf_findDbaseRecord("DAIPA"), (RegistrationCodes{a("EZY"), 0, m("A321"), 0, 1})); // DA-IPA first
    EXPECT_EQ(gf_findDbaseRecord("D-AIPA")->airline, a("DLH"));
    EXPECT_EQ(gf_findDbaseRecord("GLCYP"), (RegistrationCodes{a("BAW"), a("CFE"), m("E190"), 0, 1}));
    EXPECT_EQ(gf_findDbaseRecord("N700FX"), (RegistrationCodes{a("FDX"), 0, m("B77F"), 1, 1}));
    for (const char* missing : {"", "GABC", "D-AIN", "d-aina"}) {
        EXPECT_EQ(gf_findDbaseRecord(missing), std::nullopt) << missing;
    }
    EXPECT_EQ(gf_findShortRegistration("NABCD and G-ABC Flybe"), "G-ABC");
    for (const char* text : {"Lufthansa D-ABCD", "dash 8 g-abc", ""}) {
        EXPECT_EQ(gf_findShortRegistration(text), std::nullopt) << text; // six characters are not short
    }
    ASSERT_TRUE(folder.read(test::DbaseText().set("dbase", "<d r=\"NA-BCD\"/><d r=\"N-ABCD\"/>").text()));
    EXPECT_EQ(gf_findDbaseRecord("NABCD"), std::nullopt); // beginning with N: searched only as given
    EXPECT_TRUE(gf_findDbaseRecord("NA-BCD").has_value());

    // Tables installed by hand with empty texts: they must not match every title.
    ReferenceTables tables;
    tables.records = {{"", {1, 0, 1, 0, 1}}, {"G-ABC", {2, 0, 2, 0, 1}}};
    tables.shortRecords = {0, 1};
    tables.publisherGroups = {{"Alpha", ""}, {"Beta", "BT"}};
    gf_installReferenceTables(std::move(tables));
    EXPECT_EQ(gf_findShortRegistration("Dash 8"), std::nullopt);
    EXPECT_EQ(gf_findPublisher("nobody"), std::nullopt);
    EXPECT_EQ(gf_findPublisher("bt-eddm"), "Beta");
}

TEST_F(ReferenceLookups, SimilarPrefixesComeInStoredOrderOrShuffledWhileRandomIsOn)
{
    EXPECT_THAT(gf_similarPrefixes("D-"), ElementsAre("HB-", "OE-"));
    EXPECT_THAT(gf_similarPrefixes("C-"), ElementsAre("N"));
    EXPECT_TRUE(gf_similarPrefixes("G-").empty());
    gf_installRandomSettingReader(&lf_randomOn);
    gf_seedThreadRandomEngine(7);
    std::set<std::vector<std::string>> orders;
    for (int i = 0; i < 50; ++i) {
        orders.insert(gf_similarPrefixes("D-"));
    }
    EXPECT_THAT(orders, ElementsAre(ElementsAre("HB-", "OE-"), ElementsAre("OE-", "HB-")));
    EXPECT_THAT(gf_referenceTables().similarPrefixes.at("D-"), ElementsAre("HB-", "OE-"));

    // A one-member group adds nothing; a prefix in two groups keeps the group whose text sorts first.
    gf_installRandomSettingReader(&lf_randomOff);
    ASSERT_TRUE(
        folder.read(test::DbaseText()
                        .set("prefixes", test::elements("similar", "types", {"OE-,D-", "D-,HB-", "VH", "N,C-,N"}))
                        .text()));
    std::string partners;
    for (const char* prefix : {"D-", "OE-", "HB-", "N", "VH"}) {
        partners += fmt::format("{} ", fmt::join(gf_similarPrefixes(prefix), ","));
    }
    EXPECT_EQ(partners, "HB- D- D- C-  ");
    EXPECT_EQ(gf_referenceTables().similarPrefixes.size(), 5U);
}

// Any name of a group, in any case, gives its own name; a third-party airport needs the exact publisher.
TEST_F(ReferenceLookups, PublisherAndThirdPartyAirportsOfTheChosenSimulator)
{
    EXPECT_TRUE(gf_containsNoCase(std::filesystem::path("Community/Fl\xFCgel-NWS"), "nws"));
    std::string publishers;
    for (const char* text : {"NORTHWIND-AIRPORT-EHAM", "nws-lowi", "bluedelta-kjfk", "someone-else-eddf", ""}) {
        publishers += gf_findPublisher(text).value_or("-") + "|";
    }
    EXPECT_EQ(publishers, "Northwind Scenery|Northwind Scenery|Blue Delta Design|-|-|");
    std::string listed;
    for (const auto& [msfs2020, publisher, airport] : {std::tuple{true, "Northwind Scenery", "EDDF"},
                                                       {true, "Northwind Scenery", "LOWW"},
                                                       {false, "Blue Delta Design", "KJFK"},
                                                       {true, "Northwind", "EHAM"},
                                                       {true, "Northwind Scenery", "eham"},
                                                       {false, "Northwind Scenery", "EHAM"},
                                                       {true, "Blue Delta Design", "KJFK"}}) {
        listed += gf_isThirdPartyAirport(msfs2020, publisher, airport) ? "y" : "n";
    }
    EXPECT_EQ(listed, "yyynnnn"); // LOWW is the publisher's second entry
}

// Installed liveries as (airline code, model code) pairs; counts the questions asked.
struct FakeLiveries final : LiveryPresence {
    FakeLiveries(std::initializer_list<std::pair<const char*, const char*>> liveries)
    {
        for (const auto& [airline, model] : liveries) {
            pairs.emplace(a(airline), m(model));
        }
    }
    bool modelHasLiveries(uint16_t model) const override
    {
        ++questions;
        return std::ranges::any_of(pairs, [&](const auto& pair) { return pair.second == model; });
    }
    bool hasLivery(uint16_t airline, uint16_t model) const override
    {
        ++questions;
        return pairs.contains({airline, model});
    }
    std::vector<uint16_t> airlines() const override
    {
        std::vector<uint16_t> all;
        std::ranges::transform(pairs, std::back_inserter(all), [](const auto& pair) { return pair.first; });
        return all;
    }

    std::set<std::pair<uint16_t, uint16_t>> pairs;
    mutable std::size_t questions = 0;
};

// The default groups: {A20N,A320,A321} {B38M,B738} {C152,C172} {E190,E195}.
TEST_F(ReferenceLookups, SimilarModelsAreTheOtherMembersOfTheGroupWithLiveries)
{
    gf_buildSimilarModels(FakeLiveries({{"DLH", "A320"}, {"DLH", "A321"}, {"EZY", "A321"}, {"RYR", "B738"}}));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A20N")), ElementsAre(m("A320"), m("A321")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A321")), ElementsAre(m("A320")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("B38M")), ElementsAre(m("B738")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("B738")), IsEmpty());
    EXPECT_THAT(gf_similarModelsWithLivery(m("C172")), IsEmpty());
    EXPECT_THAT(folder.logText(), HasSubstr("\n    4 similar model definitions\n"));
    // Per airline: the similar models it has liveries of, none when it has liveries of the model itself.
    EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A20N")), ElementsAre(m("A320"), m("A321")));
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("A320")), ElementsAre(m("A321")));
    EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A320")), IsEmpty());
    EXPECT_THAT(gf_airlineSimilarModels(a("RYR"), m("B738")), IsEmpty());
    EXPECT_THAT(gf_airlineSimilarModels(a("KLM"), m("A320")), IsEmpty());

    // A rebuild after the liveries changed replaces the old answers.
    gf_buildSimilarModels(FakeLiveries({{"DLH", "A20N"}}));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A321")), ElementsAre(m("A20N")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A20N")), IsEmpty());

    // A model in two groups keeps the entry whose text sorts first, whichever group comes first in the file.
    for (const std::vector<std::string>& groups :
         {std::vector<std::string>{"A320,A321", "A320,A20N"}, std::vector<std::string>{"A20N,A320", "A320,A321"}}) {
        ASSERT_TRUE(
            folder.read(test::DbaseText().set("similar_types", test::elements("similar", "types", groups)).text()));
        gf_buildSimilarModels(FakeLiveries({{"DLH", "A321"}, {"DLH", "A20N"}}));
        EXPECT_THAT(gf_similarModelsWithLivery(m("A320")), ElementsAre(m("A20N"))) << groups.front();
        EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A320")), ElementsAre(m("A20N"))) << groups.front();
    }
}

// One question per member and per airline and member with liveries: never the square of the group's size.
TEST_F(ReferenceLookups, SimilarModelWorkGrowsWithTheGroupNotWithItsSquare)
{
    std::string group;
    for (int i = 0; i < 300; ++i) {
        group += fmt::format("M{:03},", i);
    }
    ASSERT_TRUE(
        folder.read(test::DbaseText().set("similar_types", test::elements("similar", "types", {group})).text()));
    const FakeLiveries liveries({{"DLH", "M010"}, {"DLH", "M150"}, {"EZY", "M150"}, {"EZY", "M299"}});
    gf_buildSimilarModels(liveries);
    EXPECT_LE(liveries.questions, 300U + 2U * 3U);
    EXPECT_EQ(gf_similarModelDefinitionCount(), 300U);
    EXPECT_THAT(gf_similarModelsWithLivery(m("M000")), ElementsAre(m("M010"), m("M150"), m("M299")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("M150")), ElementsAre(m("M010"), m("M299")));
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("M010")), ElementsAre(m("M150"), m("M299")));
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("M150")), IsEmpty());
}

} // namespace
} // namespace hlw
