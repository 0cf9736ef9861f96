// The readers, the simulator client and the worker intern codes and look up the reference data at once.
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "support/dbase_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <atomic>
#include <set>
#include <thread>

namespace hlw {
namespace {

template <typename Body> void lf_runThreads(int count, Body body)
{
    std::vector<std::thread> threads;
    for (int thread = 0; thread < count; ++thread) {
        threads.emplace_back(body, thread);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// Every code gets exactly one index, every index read back names its code, also while the table grows.
TEST(RefdataConcurrency, InterningFromSeveralThreadsKeepsOneIndexPerCode)
{
    CodeTable table("model");
    constexpr int codesPerThread = 3000;
    std::atomic<int> mismatches{0};
    lf_runThreads(6, [&](int thread) {
        for (int i = 0; i < codesPerThread; ++i) {
            // Neighbouring threads share half of their codes.
            const std::string code = fmt::format("M{}", thread * codesPerThread / 2 + i);
            const uint16_t index = table.intern(code);
            if (table.text(index) != code || table.find(code) != index ||
                (index > 1 && table.text(static_cast<uint16_t>(index / 2)).empty())) {
                ++mismatches;
            }
        }
    });
    EXPECT_EQ(mismatches.load(), 0);
    std::set<std::string> texts;
    for (std::size_t i = 1; i < table.size(); ++i) {
        texts.insert(table.text(static_cast<uint16_t>(i)));
    }
    EXPECT_EQ(texts.size(), 7U * codesPerThread / 2);
    EXPECT_EQ(table.size(), texts.size() + 1);
}

TEST(RefdataConcurrency, LookupsFromSeveralThreadsAgreeWhileNewCodesArrive)
{
    test::DbaseFolder folder;
    ASSERT_TRUE(folder.read(test::DbaseText().text()));
    const double a320Span = gf_halfWingspanNm(gf_modelIndex("A320"));
    std::atomic<int> mismatches{0};
    lf_runThreads(4, [&](int thread) {
        for (int i = 0; i < 500; ++i) {
            const std::string code = fmt::format("T{}{:02}", thread, i % 100);
            if (gf_modelCategoryByName(code) != AircraftCategory::Light ||
                gf_halfWingspanNm(gf_modelIndex(code)) != 0.0 || !gf_findDbaseRecord("GLCYP") ||
                gf_halfWingspanNm(gf_modelIndex("A320")) != a320Span ||
                gf_findPublisher("nws-eham") != "Northwind Scenery") {
                ++mismatches;
            }
        }
    });
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
} // namespace hlw
