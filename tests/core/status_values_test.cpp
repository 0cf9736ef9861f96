#include "core/narrow.h"
#include "core/status_board.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace hlw {
namespace {

TEST(NarrowRounded, FitsOrThrowsBeforeAnyCast)
{
    struct Row {
        double value;
        bool fits;
        int64_t expected;
    };
    const Row int32Rows[] = {
        {2.5, true, 3},
        {-2.5, true, -3},
        {2147483647.4, true, 2147483647},
        {2147483647.5, false, 0},
        {-2147483648.4, true, -2147483648LL},
        {-2147483648.6, false, 0},
        {1e300, false, 0},
        {std::numeric_limits<double>::infinity(), false, 0},
        {-std::numeric_limits<double>::infinity(), false, 0},
        {std::nan(""), false, 0},
    };
    for (const Row& row : int32Rows) {
        SCOPED_TRACE(row.value);
        if (row.fits) {
            EXPECT_EQ(gf_narrowRounded<int32_t>(row.value), row.expected);
        } else {
            EXPECT_THROW(gf_narrowRounded<int32_t>(row.value), gsl::narrowing_error);
        }
    }
    EXPECT_EQ(gf_narrowRounded<uint16_t>(65535.49), 65535);
    EXPECT_THROW(gf_narrowRounded<uint16_t>(65535.5), gsl::narrowing_error);
    EXPECT_THROW(gf_narrowRounded<uint16_t>(-0.6), gsl::narrowing_error);
    EXPECT_EQ(gf_narrowRounded<uint16_t>(-0.4), 0);
    EXPECT_THROW(gf_narrowRounded<int64_t>(9.3e18), gsl::narrowing_error);
    try {
        gf_narrowRounded<int8_t>(128.0);
        FAIL();
    } catch (const gsl::narrowing_error& error) {
        EXPECT_STREQ(error.what(), "narrowing_error");
    }
}

TEST(StatusBoard, OnlyAChangeRepaintsAndResetRestoresTheStartValues)
{
    StatusBoard board;
    int repaints = 0;
    board.setRepaintHook([&] { ++repaints; });
    board.update([](StatusValues& values) { values.liveCount = 4; });
    board.update([](StatusValues& values) { values.liveCount = 4; });
    EXPECT_EQ(repaints, 1);
    board.update([](StatusValues& values) { values.trafficReader = ReaderLamp::stalled; });
    EXPECT_EQ(repaints, 2);
    EXPECT_EQ(board.snapshot().liveCount, 4);
    board.reset();
    EXPECT_EQ(repaints, 3);
    EXPECT_EQ(board.snapshot(), StatusValues{});
    EXPECT_EQ(board.snapshot().qnhReader, ReaderLamp::notRunning);
    EXPECT_TRUE(board.snapshot().trafficStartPending);
}

} // namespace
} // namespace hlw
