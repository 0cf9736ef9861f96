#include "core/half_hour_slots.h"
#include "core/log.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <initializer_list>

namespace hlw {
namespace {

using hlw::test::readWholeFile;
using hlw::test::TempDir;

SlotSet lf_slots(std::initializer_list<int> positions)
{
    SlotSet slots;
    for (const int position : positions) {
        slots.set(static_cast<std::size_t>(position));
    }
    return slots;
}

SlotSet lf_allSlots() { return SlotSet{}.set(); }

struct ReadCase {
    const char* text;
    SlotSet expected;
    const char* alert; // the expected alert line without "==> ", or "" for none
};

class SlotTextReading : public testing::TestWithParam<ReadCase> {};

TEST_P(SlotTextReading, SetsTheSlotsAndReportsProblems)
{
    const ReadCase& c = GetParam();
    const TempDir dir;
    gf_startLog(dir / "Log.txt");
    const SlotSet slots = gf_hours2bitset(c.text);
    gf_stopLog();
    EXPECT_EQ(slots, c.expected) << c.text;
    const std::string log = readWholeFile(dir / "Log.txt");
    if (*c.alert != 0) {
        EXPECT_NE(log.find(fmt::format("==> {}\n", c.alert)), std::string::npos) << log;
    } else {
        EXPECT_EQ(log.find("==> "), std::string::npos) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SlotTextReading,
    testing::Values(
        ReadCase{"3,5,7", lf_slots({3, 5, 7}), ""}, ReadCase{"3, 5 ,7", lf_slots({3, 5, 7}), ""},
        ReadCase{"", SlotSet{}, ""}, ReadCase{"10:12", lf_slots({10, 11, 12}), ""},
        ReadCase{" 4 : 4 ", lf_slots({4}), ""}, ReadCase{"0:47", lf_allSlots(), ""},
        ReadCase{"7x", lf_slots({7}), ""}, ReadCase{"-0", lf_slots({0}), ""},
        ReadCase{"12:10", SlotSet{}, "gf_hours2bitset descending range not allowed (12:10 in 12:10)"},
        ReadCase{"1:2:3", SlotSet{}, "gf_hours2bitset more than one colon char in: 1:2:3"},
        ReadCase{"5,", lf_slots({5}), "operator () invalid hour '' in 5,"},
        ReadCase{"48", SlotSet{}, "operator () invalid hour '48' in 48"},
        ReadCase{"3,-1,4", lf_slots({3, 4}), "operator () invalid hour '-1' in 3,-1,4"},
        ReadCase{"+5", SlotSet{}, "operator () invalid hour '+5' in +5"},
        ReadCase{"99999999999", SlotSet{}, "operator () invalid hour '99999999999' in 99999999999"},
        ReadCase{"x:5", SlotSet{}, "operator () invalid hour 'x' in x:5"},
        ReadCase{"10:", SlotSet{}, "operator () invalid hour '' in 10:"}));

TEST(SlotsToText, ListRunAndStoredForms)
{
    struct Case {
        SlotSet slots;
        std::optional<std::string> list;
        std::optional<std::string> run;
        std::optional<std::string> stored;
    };
    const Case cases[] = {
        {SlotSet{}, std::nullopt, std::nullopt, std::nullopt},
        {lf_slots({3}), "3", "3", "3"},
        {lf_slots({3, 4, 5}), "3,4,5", "3:5", "3:5"},
        {lf_slots({3, 5}), "3,5", std::nullopt, "3,5"},
        {lf_slots({0, 1, 2, 10, 47}), "0,1,2,10,47", std::nullopt, "0,1,2,10,47"},
        {lf_slots({47}), "47", "47", "47"},
        {lf_allSlots(), std::nullopt, "0:47", "0:47"},
    };
    for (const Case& c : cases) {
        if (c.list) {
            EXPECT_EQ(gf_bitset2hourList(c.slots), c.list) << c.slots;
        }
        EXPECT_EQ(gf_bitset2hours(c.slots), c.run) << c.slots;
        EXPECT_EQ(gf_slotsToText(c.slots), c.stored) << c.slots;
    }
}

TEST(SlotsToText, EveryStoredSetReadsBackUnchanged)
{
    // Sets of every shape: single slots, runs, gaps, both ends of the day.
    const SlotSet samples[] = {lf_slots({0}),          lf_slots({47}),        lf_slots({0, 47}),
                               lf_slots({5, 6, 7, 9}), lf_slots({1, 3, 5, 7}), lf_allSlots(),
                               lf_slots({20, 21})};
    for (const SlotSet& slots : samples) {
        const auto text = gf_slotsToText(slots);
        ASSERT_TRUE(text);
        EXPECT_EQ(gf_hours2bitset(*text), slots) << *text;
    }
    for (std::size_t start = 0; start < 48; start += 7) {
        for (std::size_t stop = start; stop < 48; stop += 5) {
            SlotSet run;
            for (std::size_t slot = start; slot <= stop; ++slot) {
                run.set(slot);
            }
            EXPECT_EQ(gf_hours2bitset(*gf_slotsToText(run)), run);
        }
    }
}

} // namespace
} // namespace hlw
