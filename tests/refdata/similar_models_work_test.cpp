// The work of the similar-model build, counted: questions to the livery catalogue and bytes allocated. Every
// member of a group having liveries is the case where a build that keeps a list per member grows with the square
// of the group's size; the build keeps one list per group and must grow with the group. This suite has a program
// of its own because it counts every allocation.
#include "refdata/code_table.h"
#include "refdata/similar_models.h"
#include "support/allocation_counter.h"
#include "support/dbase_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hlw {
namespace {

// Every model has liveries of every airline; counts the questions asked.
struct AllLiveries final : LiveryPresence {
    explicit AllLiveries(std::vector<uint16_t> airlineList) : airlineList_(std::move(airlineList)) {}
    bool modelHasLiveries(uint16_t) const override
    {
        ++questions;
        return true;
    }
    bool hasLivery(uint16_t, uint16_t) const override
    {
        ++questions;
        return true;
    }
    std::vector<uint16_t> airlines() const override { return airlineList_; }

    std::vector<uint16_t> airlineList_;
    mutable std::size_t questions = 0;
};

struct Work {
    std::size_t questions = 0;
    std::size_t bytes = 0;
};

// Builds the tables of one group of `members` models, each with liveries of two airlines.
Work lf_buildOneGroup(test::DbaseFolder& folder, int members)
{
    std::string group;
    for (int i = 0; i < members; ++i) {
        group += fmt::format("W{:04},", i);
    }
    EXPECT_TRUE(
        folder.read(test::DbaseText().set("similar_types", test::elements("similar", "types", {group})).text()));
    const AllLiveries liveries({gf_airlineIndex("DLH"), gf_airlineIndex("EZY")});
    const test::AllocationWindow window;
    gf_buildSimilarModels(liveries);
    const std::size_t allocatedBytes = window.counted().bytes;
    EXPECT_EQ(gf_similarModelDefinitionCount(), static_cast<std::size_t>(members));
    EXPECT_EQ(gf_similarModelsWithLivery(gf_modelIndex("W0000")).size(), static_cast<std::size_t>(members - 1));
    return {liveries.questions, allocatedBytes};
}

TEST(SimilarModelBuild, WorkGrowsWithTheGroupWhenEveryMemberHasLiveries)
{
    test::DbaseFolder folder;
    const Work small = lf_buildOneGroup(folder, 500);
    const Work large = lf_buildOneGroup(folder, 2000);
    gf_clearSimilarModels();
    // One question per member, and one per airline and member with liveries.
    EXPECT_EQ(small.questions, 500U * 3U);
    EXPECT_EQ(large.questions, 2000U * 3U);
    // Four times the members: about four times the bytes (hash tables round their sizes up); a list per member
    // would take sixteen times.
    EXPECT_LT(large.bytes, 6 * small.bytes) << small.bytes << " bytes for 500 members, " << large.bytes
                                            << " bytes for 2000";
    EXPECT_LT(large.bytes, 2000U * 300U);
}

} // namespace
} // namespace hlw
