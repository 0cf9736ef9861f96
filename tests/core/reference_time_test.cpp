#include "core/pc_clock.h"
#include "core/reference_time.h"
#include "core/time_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace hlw {
namespace {

using hlw::test::FakeRunState;

// 2026-12-05 is a Saturday; 2026-12-06 a Sunday, 2026-12-07 a Monday.
constexpr int64_t saturdayMidnight = 1796428800;
constexpr int64_t day = 86400;

int64_t lf_at(int64_t dayStart, int hours, int minutes, int seconds)
{
    return dayStart + hours * 3600 + minutes * 60 + seconds;
}

std::atomic<int64_t> fakePcSeconds{0};

// Every test here runs against a PC clock that stands still at the moment it sets.
class ReferenceTime : public testing::Test {
protected:
    void SetUp() override
    {
        gf_installPcClock([]() noexcept { return fakePcSeconds.load(); });
    }
    void TearDown() override { gf_installPcClock(nullptr); }
    static void setPcClock(int64_t seconds) { fakePcSeconds = seconds; }
};

struct SlotCase {
    int64_t seconds;
    WeekdaySlot expected;
};

TEST_F(ReferenceTime, WeekdayAndSlotAtTheEdges)
{
    const SlotCase cases[] = {
        {lf_at(saturdayMidnight, 0, 0, 0), {6, 0}},
        {lf_at(saturdayMidnight, 0, 29, 29), {6, 0}},
        {lf_at(saturdayMidnight, 0, 29, 30), {6, 1}},
        {lf_at(saturdayMidnight, 10, 29, 29), {6, 20}},
        {lf_at(saturdayMidnight, 10, 29, 30), {6, 21}},
        {lf_at(saturdayMidnight, 10, 30, 0), {6, 21}},
        {lf_at(saturdayMidnight, 10, 59, 59), {6, 21}},
        {lf_at(saturdayMidnight, 11, 0, 0), {6, 22}},
        {lf_at(saturdayMidnight, 23, 29, 30), {6, 47}},
        {lf_at(saturdayMidnight, 23, 59, 59), {6, 47}},
        {lf_at(saturdayMidnight + day, 0, 0, 0), {7, 0}},
        {lf_at(saturdayMidnight + day, 23, 59, 59), {7, 47}},
        {lf_at(saturdayMidnight + 2 * day, 0, 0, 0), {1, 0}},
        {0, {4, 0}},
        {lastSaneSimulatorSecond, {3, 47}}, // Wed Dec 31 23:59:59 3000
        {-1, {-1, -1}},
        {lastSaneSimulatorSecond + 1, {-1, -1}},
    };
    for (const SlotCase& c : cases) {
        const WeekdaySlot got = gf_weekdaySlotAt(c.seconds);
        EXPECT_EQ(got.weekday, c.expected.weekday) << c.seconds;
        EXPECT_EQ(got.slot, c.expected.slot) << c.seconds;
    }
}

TEST_F(ReferenceTime, PacksWeekdayLowAndSlotHigh)
{
    EXPECT_EQ(gf_packWeekdaySlot({7, 47}), (uint64_t{47} << 32) | 7u);
    EXPECT_EQ(gf_packWeekdaySlot({-1, -1}), ~uint64_t{0});
    for (const WeekdaySlot value : {WeekdaySlot{1, 0}, WeekdaySlot{7, 47}, WeekdaySlot{-1, -1}, WeekdaySlot{3, 21}}) {
        EXPECT_EQ(gf_unpackWeekdaySlot(gf_packWeekdaySlot(value)), value);
    }
}

TEST_F(ReferenceTime, NowFollowsThePcClockWithoutSimulatorTime)
{
    const FakeRunState runState;
    setPcClock(lf_at(saturdayMidnight + day, 10, 29, 30));
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{7, 21}));
    EXPECT_EQ(gf_nowClockText(), "10:29:30");
}

TEST_F(ReferenceTime, NowFollowsASaneSimulatorTimeWhileItIsInUse)
{
    FakeRunState runState;
    setPcClock(lf_at(saturdayMidnight, 12, 0, 0));
    runState.simSeconds = lf_at(saturdayMidnight + 2 * day, 23, 59, 59);

    runState.simTime = false;
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{6, 24}));
    EXPECT_EQ(gf_referenceTimeSeconds(), lf_at(saturdayMidnight, 12, 0, 0));

    runState.simTime = true;
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{1, 47}));
    EXPECT_EQ(gf_nowClockText(), "23:59:59");
    // The PC clock's own texts never follow the simulator.
    EXPECT_EQ(gf_clockText(), "12:00:00");
    EXPECT_EQ(gf_dateText(), "Dec 05, 2026");
}

TEST_F(ReferenceTime, FallsBackToThePcClockForAnInsaneSimulatorTime)
{
    FakeRunState runState;
    runState.simTime = true;
    setPcClock(lf_at(saturdayMidnight, 8, 15, 0));
    for (const int64_t insane : {int64_t{0}, int64_t{-1}, int64_t{-86400}, lastSaneSimulatorSecond + 1,
                                 std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()}) {
        runState.simSeconds = insane;
        EXPECT_EQ(gf_referenceTimeSeconds(), lf_at(saturdayMidnight, 8, 15, 0)) << insane;
        EXPECT_EQ(gf_nowTime(), (WeekdaySlot{6, 16})) << insane;
    }
    runState.simSeconds = 1;
    EXPECT_EQ(gf_referenceTimeSeconds(), 1);
    runState.simSeconds = lastSaneSimulatorSecond;
    EXPECT_EQ(gf_referenceTimeSeconds(), lastSaneSimulatorSecond);
}

TEST_F(ReferenceTime, OneReadingGivesAConsistentPairAcrossMidnight)
{
    // A clock that moves one second at every reading: two readings would straddle Sunday midnight.
    static std::atomic<int64_t> ticking{0};
    ticking = lf_at(saturdayMidnight + day, 23, 59, 59);
    gf_installPcClock([]() noexcept { return ticking.fetch_add(1); });
    const FakeRunState runState;
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{7, 47}));
    EXPECT_EQ(ticking.load(), lf_at(saturdayMidnight + 2 * day, 0, 0, 0));
}

TEST_F(ReferenceTime, ClockAndDateTextsOfTheFixedLayout)
{
    EXPECT_EQ(gf_timeToString(0), "Thu Jan 01 00:00:00 1970");
    EXPECT_EQ(gf_clockTextAt(0), "00:00:00");
    EXPECT_EQ(gf_dateTextAt(0), "Jan 01, 1970");
    EXPECT_EQ(gf_timeToString(lf_at(saturdayMidnight, 19, 4, 12)), "Sat Dec 05 19:04:12 2026");
    // 2026-10-09 is a Friday; the tenth month is spelled "Okt".
    const int64_t october = saturdayMidnight - 57 * day;
    EXPECT_EQ(gf_timeToString(october), "Fri Okt 09 00:00:00 2026");
    EXPECT_EQ(gf_dateTextAt(october), "Okt 09, 2026");
}

TEST_F(ReferenceTime, PlaceholdersForATimeThatCannotBeConverted)
{
    for (const int64_t invalid : {int64_t{-1}, lastSaneSimulatorSecond + 1, std::numeric_limits<int64_t>::min()}) {
        EXPECT_EQ(gf_timeToString(invalid), "Invalid time");
        EXPECT_EQ(gf_clockTextAt(invalid), "--:--:--");
        EXPECT_EQ(gf_dateTextAt(invalid), "--- --, ----");
    }
    setPcClock(-5);
    EXPECT_EQ(gf_clockText(), invalidClockText);
    EXPECT_EQ(gf_dateText(), invalidDateText);
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{-1, -1}));
    EXPECT_EQ(std::string{invalidClockText}.size(), 8u);
    EXPECT_EQ(std::string{invalidDateText}.size(), gf_dateTextAt(0).size());
}

} // namespace
} // namespace hlw
