// A match runs in the engine tick and must not allocate, apart from the log line of an accepted match. Every
// allocation of the match's own thread is counted.
#include "liveries/livery_matching.h"

#include "settings/catalogue.h"

#include "livery_world.h"
#include "support/allocation_counter.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace hlw {
namespace {

using test::Livery;
using test::LiveryWorld;

std::size_t lf_allocationsOfMatch(FlightRecord& record)
{
    const test::AllocationWindow window(test::AllocationWindow::Threads::callerOnly);
    gf_matchLivery(record);
    return window.counted().count;
}

TEST(MatchingAllocations, OnlyTheLogLineOfAnAcceptedMatchAllocates)
{
    LiveryWorld world;
    world.build({{"KLM", "", "B738", false, "KLM B738 with a title longer than short strings", "PH-BXA"},
                 {"KLM", "", "B738", false, "KLM B738 second title of the group of the model", "PH-BXB"},
                 {"PVT", "", "C172", false, "Private C172 with a registration in its section", "D-EABC"},
                 {"ZZZ", "", "A319", false, "Generic A319 livery for every airline without one", ""}},
                {{"KLM B738 second title of the group of the model", {"PH-BXZ"}, true}});
    const std::vector<FlightRecord> failing = {
        LiveryWorld::flight("XYZ", "QQQ", "B789", false, "D-QQQQ"),
        LiveryWorld::flight("BAW", "CFE", "E190", true, "G-ABCD"),
        LiveryWorld::flight("XYZ", "", "C152", false, ""),
        LiveryWorld::flight("XYZ", "", "A300", false, "OE-ABC"),
    };
    const std::vector<FlightRecord> accepted = {
        LiveryWorld::flight("KLM", "", "B738", false, "PH-BXZ"),
        LiveryWorld::flight("KLM", "", "B739", false, ""),
        LiveryWorld::flight("UAL", "", "A319", false, ""),
        LiveryWorld::flight("XYZ", "", "C182", false, "D-EXYZ"),
    };
    for (const bool random : {false, true}) {
        random ? LiveryWorld::randomOn(5) : LiveryWorld::randomOff();
        for (int depth = 1; depth <= 4; ++depth) {
            settings::matchingDepth.set(depth);
            for (FlightRecord record : failing) {
                gf_matchLivery(record); // grows the scratch lists once
                EXPECT_EQ(lf_allocationsOfMatch(record), 0u) << record.callsign << " depth " << depth;
                EXPECT_TRUE(record.title.empty());
            }
            for (FlightRecord record : accepted) {
                gf_matchLivery(record);
                const std::size_t count = lf_allocationsOfMatch(record);
                // The description of the aircraft and the formatted line.
                EXPECT_LE(count, record.title.empty() ? 0u : 3u) << record.title << " depth " << depth;
            }
        }
    }
}

} // namespace
} // namespace hlw
