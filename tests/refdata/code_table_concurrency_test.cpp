#include "refdata/code_table.h"

#include "core/log.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fmt/format.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

// Several threads intern overlapping codes and read texts back while the table grows: every code gets exactly
// one index, and every index read back names the code it was given for.
TEST(CodeTableConcurrency, InterningFromSeveralThreadsKeepsOneIndexPerCode)
{
    CodeTable table("model");
    constexpr int threads = 6;
    constexpr int codesPerThread = 3000;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&table, &mismatches, t] {
            for (int i = 0; i < codesPerThread; ++i) {
                // Neighbouring threads share half of their codes.
                const std::string code = fmt::format("M{}", (t * codesPerThread / 2) + i);
                const uint16_t index = table.intern(code);
                if (table.text(index) != code || table.find(code) != index) {
                    ++mismatches;
                }
                // A reader touching older entries while others append.
                const std::string& older = table.text(static_cast<uint16_t>(index / 2));
                if (index / 2 != 0 && older.empty()) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
    const std::size_t distinct = (threads + 1) * codesPerThread / 2;
    EXPECT_EQ(table.size(), distinct + 1);
    std::set<std::string> texts;
    for (std::size_t i = 1; i < table.size(); ++i) {
        texts.insert(table.text(static_cast<uint16_t>(i)));
    }
    EXPECT_EQ(texts.size(), distinct);
}

TEST(CodeTableConcurrency, ThreadsMeetingTheCapFillItExactlyAndLogOnce)
{
    test::TempDir dir;
    gf_startLog(dir / "Log.txt");
    CodeTable table("airline");
    while (table.size() < CodeTable::maxEntries - 10) {
        table.intern(fmt::format("P{}", table.size()));
    }
    std::atomic<int> zeros{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&table, &zeros, t] {
            for (int i = 0; i < 50; ++i) {
                if (table.intern(fmt::format("T{}-{}", t, i)) == 0) {
                    ++zeros;
                }
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    gf_stopLog();
    EXPECT_EQ(table.size(), CodeTable::maxEntries);
    EXPECT_EQ(zeros.load(), 4 * 50 - 10);
    const std::string log = test::readWholeFile(dir / "Log.txt");
    const auto first = log.find("airline code table full");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("airline code table full", first + 1), std::string::npos);
}

} // namespace
} // namespace hlw
