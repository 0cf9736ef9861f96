// Recorded stand use: adding and extending options, runs of half hours over midnight, which categories a
// parking type suits, and the quality factors of an airport.
#include "parking/quality_factors.h"
#include "parking/stand_options.h"

#include "parking/parking_window_port.h"
#include "parking_fixture.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

using test::ParkingFolder;

class CountingWindow final : public ParkingWindowPort {
  public:
    CountingWindow() { gf_installParkingWindowPort(this); }
    ~CountingWindow() override { gf_installParkingWindowPort(nullptr); }
    void learnedUpdatesChanged(int32_t count) override { shown.push_back(count); }
    void applyAutoRange() override {}
    void initialLoadOnlyChanged(bool) override {}
    std::vector<int32_t> shown;
};

TEST(StandOptions, FindOrAddAddsOnlyNewUsesAndTellsTheWindow)
{
    ParkingFolder folder;
    CountingWindow window;
    LearnedUpdates updates;
    std::vector<StandOption> options;
    const StandCodes codes{gf_airlineIndex("XYZ"), 0, gf_modelIndex("A320"), 0, 0};

    EXPECT_EQ(findOrAddOption(options, codes, {3, 20}, "XYZ12_", "PH-ZZZ", false, updates), 1U);
    EXPECT_EQ(findOrAddOption(options, codes, {3, 20}, "XYZ12", "PH-ZZZ", false, updates), std::nullopt);
    EXPECT_EQ(findOrAddOption(options, codes, {3, 21}, "XYZ12__", "PH-ZZZ", true, updates), 2U);
    // The registration's record replaces codes that did not come from it.
    EXPECT_EQ(findOrAddOption(options, codes, {4, 0}, "DLH1", "D-AINA", false, updates), 3U);
    for (const WeekdaySlot unknown : {WeekdaySlot{-1, 5}, WeekdaySlot{2, -1}, WeekdaySlot{8, 5}, WeekdaySlot{2, 48}}) {
        EXPECT_EQ(findOrAddOption(options, codes, unknown, "X", "PH-ZZZ", false, updates), std::nullopt);
    }
    EXPECT_EQ(findOrAddOption(options, codes, {3, 22}, "X", "", false, updates), std::nullopt);

    ASSERT_EQ(options.size(), 3U);
    EXPECT_EQ(options[0].callsign, "XYZ12");
    EXPECT_TRUE(options[0].real);
    EXPECT_EQ(options[1].callsign, "XYZ12_");
    EXPECT_TRUE(options[1].coupled);
    EXPECT_EQ(options[1].slots, SlotSet().set(21));
    EXPECT_EQ(gf_airlineText(options[2].codes.airline), "DLH");
    EXPECT_EQ(options[2].codes.valid, 1);
    EXPECT_FALSE(options[2].fromAirportFile);
    EXPECT_EQ(updates.count(), 3);
    EXPECT_EQ(window.shown, (std::vector<int32_t>{1, 2, 3}));
}

TEST(StandOptions, SecondCallsignsAreAddedOnce)
{
    std::vector<StandOption> options(2);
    options[0].number = 1;
    options[1].number = 2;
    addOptionCallsign(options, 2, "KLM1_");
    addOptionCallsign(options, 2, "KLM1");
    addOptionCallsign(options, 2, "KLM2");
    addOptionCallsign(options, 2, "KLM3");
    addOptionCallsign(options, 2, "KLM3");
    addOptionCallsign(options, 2, "");
    addOptionCallsign(options, 0, "X");
    addOptionCallsign(options, 7, "X");
    EXPECT_EQ(options[1].callsign, "KLM1");
    EXPECT_EQ(options[1].secondCallsign, "KLM3");
    EXPECT_EQ(options[0].callsign, "");
}

TEST(StandOptions, RunsOfSlotsOverMidnightGoIntoBothDays)
{
    EXPECT_EQ(gf_slotRunList({2, 2}, 6), (std::vector<int32_t>{2, 1, 0, 47, 46, 45}));
    EXPECT_EQ(gf_slotRunList({2, 10}, 3), (std::vector<int32_t>{10, 9, 8}));
    EXPECT_EQ(gf_slotRunList({2, 10}, 100).size(), 48U);
    EXPECT_TRUE(gf_slotRunList({2, 10}, 0).empty());
    EXPECT_TRUE(gf_slotRunList({-1, 10}, 4).empty());
    EXPECT_TRUE(gf_slotRunList({2, -1}, 4).empty());

    std::vector<StandOption> options(2);
    options[0].number = 1;
    options[1].number = 2;
    options[1].slots.set(2);
    auto slots = gf_slotRunList({2, 2}, 6);
    EXPECT_TRUE(updateOptionsWrapped(options, slots, 1, 2));
    EXPECT_EQ(options[0].slots, SlotSet().set(45).set(46).set(47));
    EXPECT_EQ(options[1].slots, SlotSet().set(0).set(1).set(2));
    EXPECT_EQ(slots, std::vector<int32_t>{2});

    auto sameDay = gf_slotRunList({2, 12}, 3);
    EXPECT_TRUE(updateOptions(options, sameDay, 1));
    EXPECT_TRUE(sameDay.empty());
    EXPECT_TRUE(options[0].slots.test(10) && options[0].slots.test(11) && options[0].slots.test(12));
    std::vector<int32_t> none{4};
    EXPECT_FALSE(updateOptions(options, none, 9));
    EXPECT_FALSE(updateOptionsWrapped(options, none, 9, 1));
    EXPECT_FALSE(updateOptionsWrapped(options, none, 1, 9));
}

TEST(StandOptions, SlotsOutsideTheDayStopWithAnAlert)
{
    ParkingFolder folder;
    std::vector<StandOption> options(1);
    options[0].number = 1;
    std::vector<int32_t> slots{48, 5};
    EXPECT_FALSE(updateOptions(options, slots, 1));
    EXPECT_TRUE(options[0].slots.test(5));
    std::vector<int32_t> wrapped{0, -3, 47};
    EXPECT_FALSE(updateOptionsWrapped(options, wrapped, 1, 1));
    const std::string log = folder.logText();
    EXPECT_NE(log.find("updateOptions exception:slot 48 outside 0 to 47"), std::string::npos);
    EXPECT_NE(log.find("updateOptionsWrapped exception:slot -3 outside 0 to 47"), std::string::npos);
}

TEST(ParkingSuitability, EveryTypeAndCategory)
{
    // Categories in order Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft.
    const char* table[] = {"000000", "100000", "100000", "110010", "011000", "001100", "001100", "000010",
                           "011000", "001000", "000100", "100001", "111111", "000000", "100010", "001100"};
    for (int32_t type = 0; type <= 15; ++type) {
        for (int32_t category = 0; category < 6; ++category) {
            EXPECT_EQ(gf_parkingSuitsCategory(type, static_cast<AircraftCategory>(category)),
                      table[type][category] == '1')
                << "type " << type << " category " << category;
        }
    }
    for (const int32_t type : {-1, 16, 65546, -65535}) {
        for (int32_t category = 0; category < 6; ++category) {
            EXPECT_FALSE(gf_parkingSuitsCategory(type, static_cast<AircraftCategory>(category))) << type;
        }
    }
}

StandRecord lf_stand(double radiusMetres, int32_t type = 0, bool heli = false)
{
    return StandRecord::fromFile("S", {}, 52.0, 4.0, 0.0, radiusMetres, type, false, false, heli);
}

StandOption lf_option(uint32_t number, int32_t weekday, SlotSet slots, bool real)
{
    StandOption option;
    option.number = number;
    option.weekday = weekday;
    option.slots = slots;
    option.real = real;
    return option;
}

TEST(QualityFactors, ScoresWeighedByRadius)
{
    EXPECT_EQ(gf_qualityFactors({}), (QualityPair{-1, -1}));
    std::vector<StandRecord> stands{lf_stand(20.0), lf_stand(30.0)};
    EXPECT_EQ(gf_qualityFactors(stands), (QualityPair{-1, -1}));

    stands.resize(1);
    stands[0].options.push_back(lf_option(1, 3, SlotSet(0b1111), true));
    EXPECT_EQ(gf_qualityFactors(stands), (QualityPair{63, 0}));
    // An unused option (number 0) does not count; a soft one counts for the soft factor.
    stands[0].options.push_back(lf_option(0, 4, SlotSet(0b1), true));
    stands[0].options.push_back(lf_option(2, 5, SlotSet(0b11), false));
    EXPECT_EQ(gf_qualityFactors(stands), (QualityPair{63, 63}));
    // A stand without options lowers the mean; helipads and type 12 do not count at all.
    stands.push_back(lf_stand(20.0));
    stands.push_back(lf_stand(20.0, 0, true));
    stands.push_back(lf_stand(20.0, 12));
    EXPECT_EQ(gf_qualityFactors(stands), (QualityPair{32, 32}));

    std::vector<StandRecord> onlyUncounted{lf_stand(20.0, 12), lf_stand(20.0, 0, true)};
    onlyUncounted[0].options.push_back(lf_option(1, 1, SlotSet(1), true));
    EXPECT_EQ(gf_qualityFactors(onlyUncounted), (QualityPair{0, 0}));

    // The counts have caps: 300 options on every weekday with every slot score 4000 + 10000 + 700 + 1200.
    std::vector<StandRecord> busy{lf_stand(20.0)};
    for (uint32_t i = 1; i <= 300; ++i) {
        busy[0].options.push_back(lf_option(i, static_cast<int32_t>(i % 7 + 1), SlotSet().set(), true));
    }
    EXPECT_EQ(gf_qualityFactors(busy).real, 99);
}

TEST(QualityFactors, Text)
{
    EXPECT_EQ(gf_qualityFactorText({-1, -1}), "  ");
    EXPECT_EQ(gf_qualityFactorText({30, 12}), "30/12");
    EXPECT_EQ(gf_qualityFactorText({5, -1}), " 5/-1");
    EXPECT_EQ(gf_qualityFactorText({63, 0}), "63");
    EXPECT_EQ(gf_qualityFactorText({45, 3}), "45");
}

} // namespace
} // namespace hlw
