#include "records/not_created_liveries.h"
#include "records/refused_titles.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hlw {
namespace {

class RefusedLiveries : public ::testing::Test {
protected:
    void TearDown() override
    {
        gf_refusedTitles().clear();
        gf_notCreatedLiveries().clear();
    }
};

TEST_F(RefusedLiveries, FilledFromOneThreadReadByAnother)
{
    RefusedTitles& refused = gf_refusedTitles();
    EXPECT_FALSE(refused.contains("KLM B738"));
    std::thread simLink([&refused] {
        for (int i = 0; i < 1000; ++i) {
            refused.add("title " + std::to_string(i));
            gf_notCreatedLiveries().add("B738 KLM", "title");
        }
    });
    std::size_t seen = 0;
    for (int i = 0; i < 1000; ++i) {
        seen += refused.contains("title 0") ? 1U : 0U;
    }
    simLink.join();
    EXPECT_TRUE(refused.contains(std::string_view("title 999")));
    EXPECT_FALSE(refused.contains("title"));
    EXPECT_EQ(refused.size(), 1000U);
    EXPECT_FALSE(refused.add("title 5"));
    EXPECT_LE(seen, 1000U);
    EXPECT_EQ(gf_notCreatedLiveries().keys(), std::vector<std::string>{"B738 KLM"});
}

} // namespace
} // namespace hlw
