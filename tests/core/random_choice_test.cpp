#include "core/random_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

namespace hlw {
namespace {

bool randomOff() noexcept
{
    return false;
}

bool randomOn() noexcept
{
    return true;
}

class RandomChoiceTest : public ::testing::Test {
  protected:
    void SetUp() override { gf_seedThreadRandomEngine(12345); }
    void TearDown() override { gf_installRandomSettingReader(nullptr); }
};

TEST_F(RandomChoiceTest, RandomIsOnUntilTheSettingIsInstalled)
{
    EXPECT_TRUE(gf_randomChoicesOn());
    gf_installRandomSettingReader(&randomOff);
    EXPECT_FALSE(gf_randomChoicesOn());
    gf_installRandomSettingReader(nullptr);
    EXPECT_TRUE(gf_randomChoicesOn());
}

TEST_F(RandomChoiceTest, WithRandomOffTheFirstCandidateIsTakenWithoutDrawing)
{
    gf_installRandomSettingReader(&randomOff);
    const std::mt19937 before = gf_threadRandomEngine();
    std::vector<uint16_t> order(20);
    std::iota(order.begin(), order.end(), uint16_t{0});
    const auto original = order;
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(gf_randomIndex(10), 0U);
        gf_shuffle(order);
    }
    EXPECT_EQ(order, original);
    EXPECT_EQ(gf_threadRandomEngine(), before) << "nothing was drawn";
}

TEST_F(RandomChoiceTest, WithRandomOnIndexesCoverTheRangeUniformly)
{
    gf_installRandomSettingReader(&randomOn);
    EXPECT_EQ(gf_randomIndex(0), 0U);
    EXPECT_EQ(gf_randomIndex(1), 0U);
    std::vector<int> counts(5);
    for (int i = 0; i < 5000; ++i) {
        const std::size_t index = gf_randomIndex(5);
        ASSERT_LT(index, 5U);
        ++counts[index];
    }
    for (const int count : counts) {
        EXPECT_GT(count, 850);
        EXPECT_LT(count, 1150);
    }
}

TEST_F(RandomChoiceTest, ShuffleKeepsTheElementsAndChangesTheOrder)
{
    std::vector<uint16_t> order(20);
    std::iota(order.begin(), order.end(), uint16_t{0});
    const auto original = order;
    gf_shuffle(order);
    EXPECT_NE(order, original);
    EXPECT_TRUE(std::is_permutation(order.begin(), order.end(), original.begin()));

    std::vector<uint16_t> single{7};
    gf_shuffle(single);
    EXPECT_EQ(single, std::vector<uint16_t>{7});
}

TEST_F(RandomChoiceTest, SameSeedGivesSameChoices)
{
    std::vector<std::size_t> first;
    for (int i = 0; i < 20; ++i) {
        first.push_back(gf_randomIndex(1000));
    }
    gf_seedThreadRandomEngine(12345);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(gf_randomIndex(1000), first[static_cast<std::size_t>(i)]);
    }
}

TEST_F(RandomChoiceTest, VaryByPercentAddsOrSubtractsAndAlwaysDraws)
{
    gf_installRandomSettingReader(&randomOff);
    std::set<double> seen;
    for (int i = 0; i < 200; ++i) {
        seen.insert(gf_varyByPercent(100.0, 10.0));
    }
    EXPECT_EQ(seen, (std::set<double>{90.0, 110.0})) << "independent of the setting";

    const std::mt19937 before = gf_threadRandomEngine();
    EXPECT_EQ(gf_varyByPercent(100.0, 0.0), 100.0);
    EXPECT_EQ(gf_varyByPercent(100.0, -5.0), 100.0);
    EXPECT_NE(gf_threadRandomEngine(), before);
}

TEST_F(RandomChoiceTest, VaryByPercentTakesTheSignFromTheLowestBit)
{
    gf_seedThreadRandomEngine(99);
    std::mt19937 copy(99);
    for (int i = 0; i < 50; ++i) {
        const double expected = (copy() & 1U) == 0 ? 104.0 : 96.0;
        EXPECT_EQ(gf_varyByPercent(100.0, 4.0), expected);
    }
}

TEST_F(RandomChoiceTest, EachThreadOwnsItsEngine)
{
    constexpr int threadCount = 4;
    std::vector<std::vector<std::size_t>> draws(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&draws, t] {
            for (int i = 0; i < 1000; ++i) {
                draws[static_cast<std::size_t>(t)].push_back(gf_randomIndex(1'000'000));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 1; t < threadCount; ++t) {
        EXPECT_NE(draws[0], draws[static_cast<std::size_t>(t)]) << "threads are seeded differently";
    }
}

} // namespace
} // namespace hlw
