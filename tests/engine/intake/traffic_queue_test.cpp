#include "engine/base/log_throttle.h"
#include "engine/intake/traffic_queue.h"

#include "support/fake_steady_time.h"
#include "support/log_capture.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace hlw {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

class LoggedTest : public ::testing::Test {
protected:
    test::LogCapture log;
    test::FakeSteadyTime time;
};

using LogThrottleTest = LoggedTest;
using TrafficQueueTest = LoggedTest;

TEST_F(LogThrottleTest, ALineIsWrittenOnceAMinuteWithTheCountOfWhatWasHeldBack)
{
    LogThrottle throttle(time);
    EXPECT_TRUE(throttle.log("exception in processLineSub: lat:x"));
    for (int i = 0; i < 5; ++i) {
        time.advance(10s);
        EXPECT_FALSE(throttle.log("exception in processLineSub: lat:x"));
    }
    EXPECT_TRUE(throttle.log("exception in processLineSub: lon:y")) << "another text has its own minute";
    time.advance(10s);
    EXPECT_TRUE(throttle.log("exception in processLineSub: lat:x"));
    EXPECT_EQ(log.count("exception in processLineSub: lat:x"), 2U);
    EXPECT_THAT(log.text(), HasSubstr("lat:x\n          (5 more since last logged)\n"));
}

TEST_F(LogThrottleTest, KeysBeyondTheLimitShareOneSlotAndQuietKeysMakeRoom)
{
    LogThrottle throttle(time, 1min, 2);
    EXPECT_TRUE(throttle.log("a"));
    EXPECT_TRUE(throttle.log("b"));
    EXPECT_TRUE(throttle.log("c")) << "the first text beyond the limit uses the shared slot";
    EXPECT_FALSE(throttle.log("d"));
    time.advance(61s);
    EXPECT_TRUE(throttle.log("e")) << "a and b were quiet for a minute and made room";
    EXPECT_TRUE(throttle.log("f"));
    EXPECT_TRUE(throttle.log("g")) << "the shared slot's minute has passed";
    EXPECT_THAT(log.text(), Not(HasSubstr("d\n")));
}

TEST_F(TrafficQueueTest, RecordsAreQueuedOnlyWhileTrafficRuns)
{
    TrafficQueue queue(time);
    TrafficRecord record;
    record.hexId = 4735190;
    EXPECT_FALSE(queue.push(std::move(record)));
    EXPECT_EQ(queue.counts().size, 0U);
    queue.setRunning(true);
    record.hexId = 4735191;
    EXPECT_TRUE(queue.push(std::move(record)));
    record.hexId = 4735192;
    EXPECT_TRUE(queue.push(std::move(record)));
    EXPECT_EQ(queue.pop()->hexId, 4735191U);
    EXPECT_EQ(queue.pop()->hexId, 4735192U);
    EXPECT_FALSE(queue.pop());
    EXPECT_EQ(queue.counts().queued, 2U);
}

TEST_F(TrafficQueueTest, AFullQueueDropsItsOldestRecordAndAlertsOnceAMinute)
{
    TrafficQueue queue(time);
    queue.setRunning(true);
    const auto pushHexIds = [&](uint32_t first, uint32_t count) {
        for (uint32_t hexId = first; hexId < first + count; ++hexId) {
            TrafficRecord record;
            record.hexId = hexId;
            record.head.callsign = "SWR123";
            ASSERT_TRUE(queue.push(std::move(record)));
        }
    };
    pushHexIds(20000, TrafficQueue::capacity + 10);
    TrafficQueueCounts counts = queue.counts();
    EXPECT_EQ(counts.size, TrafficQueue::capacity);
    EXPECT_EQ(counts.highWaterMark, TrafficQueue::capacity);
    EXPECT_EQ(counts.overflowDropped, 10U);
    EXPECT_EQ(counts.queued, TrafficQueue::capacity + 10);
    EXPECT_EQ(queue.pop()->hexId, 20010U) << "the ten oldest went";
    EXPECT_EQ(log.count("==> Traffic queue full: the oldest record was dropped"), 1U);
    EXPECT_THAT(log.text(), HasSubstr("(1 since the last alert, 1 so far)"));

    time.advance(61s);
    pushHexIds(30000, 2);
    EXPECT_EQ(log.count("==> Traffic queue full: the oldest record was dropped"), 2U);
    EXPECT_THAT(log.text(), HasSubstr("(10 since the last alert, 11 so far)"));

    queue.clear();
    counts = queue.counts();
    EXPECT_EQ(counts.size, 0U);
    EXPECT_EQ(counts.highWaterMark, 0U);
    EXPECT_EQ(counts.overflowDropped, 0U);
}

TEST_F(TrafficQueueTest, CallsignsAreCollectedOnlyBetweenArmingAndTaking)
{
    TrafficQueue queue(time);
    queue.noteCallsign("KLM1");
    queue.startCallsignCollection();
    queue.noteCallsign("KLM2");
    queue.noteCallsign("KLM3");
    queue.noteCallsign("KLM2");
    EXPECT_EQ(queue.takeCallsigns(), (std::unordered_set<std::string>{"KLM2", "KLM3"}));
    queue.noteCallsign("KLM4");
    EXPECT_EQ(queue.takeCallsigns(), (std::unordered_set<std::string>{"KLM2", "KLM3"}));
    queue.startCallsignCollection();
    EXPECT_TRUE(queue.takeCallsigns().empty()) << "arming empties the set";
    queue.startCallsignCollection();
    for (std::size_t i = 0; i < TrafficQueue::maxHeardCallsigns + 5; ++i) {
        queue.noteCallsign(fmt::format("C{}", i));
    }
    EXPECT_EQ(queue.takeCallsigns().size(), TrafficQueue::maxHeardCallsigns);
}

} // namespace
} // namespace hlw
