#include "refdata/similar_models.h"

#include "dbase_fixture.h"
#include "refdata/code_table.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace hlw {
namespace {

using test::DbaseFolder;
using test::DbaseText;
using test::elements;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using Liveries = std::vector<std::pair<std::string, std::string>>;

// Installed liveries as (airline code, model code) pairs; counts the questions asked.
class FakeLiveries final : public LiveryPresence {
  public:
    explicit FakeLiveries(const Liveries& liveries)
    {
        for (const auto& [airline, model] : liveries) {
            pairs_.emplace(gf_airlineIndex(airline), gf_modelIndex(model));
        }
    }
    bool modelHasLiveries(uint16_t model) const override
    {
        ++modelQuestions;
        for (const auto& pair : pairs_) {
            if (pair.second == model) {
                return true;
            }
        }
        return false;
    }
    bool hasLivery(uint16_t airline, uint16_t model) const override
    {
        ++airlineQuestions;
        return pairs_.contains({airline, model});
    }
    std::vector<uint16_t> airlines() const override
    {
        std::vector<uint16_t> airlines;
        for (const auto& pair : pairs_) {
            airlines.push_back(pair.first);
        }
        return airlines;
    }

    mutable std::size_t modelQuestions = 0;
    mutable std::size_t airlineQuestions = 0;

  private:
    std::set<std::pair<uint16_t, uint16_t>> pairs_;
};

uint16_t m(const char* code)
{
    return gf_modelIndex(code);
}

uint16_t a(const char* code)
{
    return gf_airlineIndex(code);
}

class SimilarModels : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.read(DbaseText().text())); // {A20N,A320,A321} {B38M,B738} {C152,C172} {E190,E195}
    }
    void TearDown() override { gf_clearSimilarModels(); }

    DbaseFolder folder;
};

TEST_F(SimilarModels, EveryMemberListsTheOthersThatHaveLiveries)
{
    gf_buildSimilarModels(FakeLiveries(Liveries{{"DLH", "A320"}, {"EZY", "A321"}, {"RYR", "B738"}}));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A20N")), ElementsAre(m("A320"), m("A321")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A320")), ElementsAre(m("A321")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A321")), ElementsAre(m("A320")));
    // A group in which one member has liveries: the others list it, it lists nobody.
    EXPECT_THAT(gf_similarModelsWithLivery(m("B38M")), ElementsAre(m("B738")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("B738")), IsEmpty());
    // No member with liveries: no entries at all.
    EXPECT_THAT(gf_similarModelsWithLivery(m("C172")), IsEmpty());
    EXPECT_THAT(gf_similarModelsWithLivery(m("E190")), IsEmpty());
    EXPECT_EQ(gf_similarModelDefinitionCount(), 4U);
    EXPECT_THAT(folder.logText(), HasSubstr("\n    4 similar model definitions\n"));
}

TEST_F(SimilarModels, AirlineTableListsSimilarModelsTheAirlineHasLiveriesOf)
{
    gf_buildSimilarModels(
        FakeLiveries(Liveries{{"DLH", "A320"}, {"DLH", "A321"}, {"EZY", "A321"}, {"RYR", "B738"}, {"RYR", "B38M"}}));
    EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A20N")), ElementsAre(m("A320"), m("A321")));
    EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A320")), IsEmpty()); // DLH has A320 liveries itself
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("A320")), ElementsAre(m("A321")));
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("A20N")), ElementsAre(m("A321")));
    // RYR has liveries of every model of its group: nothing to stand in.
    EXPECT_THAT(gf_airlineSimilarModels(a("RYR"), m("B38M")), IsEmpty());
    EXPECT_THAT(gf_airlineSimilarModels(a("RYR"), m("B738")), IsEmpty());
    EXPECT_THAT(gf_airlineSimilarModels(a("KLM"), m("A320")), IsEmpty());
}

// A model in two groups keeps the entry whose text sorts first, whichever group comes first in the file.
TEST_F(SimilarModels, ModelInTwoGroupsTakesTheGroupThatSortsFirst)
{
    for (const std::vector<std::string>& groups : {std::vector<std::string>{"A320,A321", "A320,A20N"},
                                                   std::vector<std::string>{"A20N,A320", "A320,A321"}}) {
        ASSERT_TRUE(folder.read(DbaseText().set("similar_types", elements("similar", "types", groups)).text()));
        gf_buildSimilarModels(FakeLiveries(Liveries{{"DLH", "A321"}, {"DLH", "A20N"}}));
        EXPECT_THAT(gf_similarModelsWithLivery(m("A320")), ElementsAre(m("A20N"))) << groups.front();
        EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A320")), ElementsAre(m("A20N"))) << groups.front();
    }
}

// The liveries are asked about once per member, and once per airline and member with liveries: a group of
// tens of thousands of types must not cost the square of its size.
TEST_F(SimilarModels, WorkGrowsWithTheGroupNotWithItsSquare)
{
    std::string group;
    for (int i = 0; i < 300; ++i) {
        group += fmt::format("{}M{:03}", i == 0 ? "" : ",", i);
    }
    ASSERT_TRUE(folder.read(DbaseText().set("similar_types", elements("similar", "types", {group})).text()));
    const FakeLiveries liveries(Liveries{{"DLH", "M010"}, {"DLH", "M150"}, {"EZY", "M150"}, {"EZY", "M299"}});
    gf_buildSimilarModels(liveries);
    EXPECT_LE(liveries.modelQuestions, 300U);
    EXPECT_LE(liveries.airlineQuestions, 2U * 3U);
    EXPECT_EQ(gf_similarModelDefinitionCount(), 300U);
    EXPECT_THAT(gf_similarModelsWithLivery(m("M000")), ElementsAre(m("M010"), m("M150"), m("M299")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("M150")), ElementsAre(m("M010"), m("M299")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("M299")), ElementsAre(m("M010"), m("M150")));
    EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("M299")), ElementsAre(m("M010"), m("M150")));
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("M010")), ElementsAre(m("M150"), m("M299")));
    EXPECT_THAT(gf_airlineSimilarModels(a("EZY"), m("M150")), IsEmpty());
}

// A rebuild after the liveries changed (a new scan, another simulator) replaces the old answers.
TEST_F(SimilarModels, RebuildReplacesTheTablesOfTheEarlierCatalogue)
{
    gf_buildSimilarModels(FakeLiveries(Liveries{{"DLH", "A320"}}));
    ASSERT_THAT(gf_similarModelsWithLivery(m("A321")), ElementsAre(m("A320")));
    gf_buildSimilarModels(FakeLiveries(Liveries{{"DLH", "A20N"}}));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A321")), ElementsAre(m("A20N")));
    EXPECT_THAT(gf_airlineSimilarModels(a("DLH"), m("A321")), ElementsAre(m("A20N")));
    EXPECT_THAT(gf_similarModelsWithLivery(m("A20N")), IsEmpty());
}

} // namespace
} // namespace hlw
