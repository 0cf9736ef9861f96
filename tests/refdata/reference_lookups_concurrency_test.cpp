// The lookups run on the worker, the simulator client, the traffic reader and the livery reader tasks at once.
#include "refdata/reference_lookups.h"

#include "dbase_fixture.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <atomic>
#include <thread>
#include <vector>

namespace hlw {
namespace {

TEST(ReferenceLookupsConcurrency, LookupsFromSeveralThreadsAgree)
{
    test::DbaseFolder folder;
    ASSERT_TRUE(folder.read(test::DbaseText().text()));
    const RegistrationCodes expected = *gf_findDbaseRecord("G-LCYP");
    const double a320Span = gf_halfWingspanNm(gf_modelIndex("A320"));
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                // New codes from live traffic and liveries are interned while others look up.
                const std::string code = fmt::format("T{}{:02}", t, i % 100);
                if (gf_modelCategoryByName(code) != AircraftCategory::Light ||
                    gf_halfWingspanNm(gf_modelIndex(code)) != 0.0 || gf_findDbaseRecord("GLCYP") != expected ||
                    gf_halfWingspanNm(gf_modelIndex("A320")) != a320Span ||
                    gf_modelCategoryByName("B744") != AircraftCategory::Heavy ||
                    gf_findShortRegistration("G-ABC title") != "G-ABC" ||
                    gf_findPublisher("nws-eham") != "Northwind Scenery") {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
} // namespace hlw
