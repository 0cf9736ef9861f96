// The stand selection by learned use: the week arithmetic of the fit, the order of the passes, "MAX_FIT",
// whether a learned stay goes on, options whose aircraft is present already (left out, numbers kept), and the
// number of static aircraft wanted.
#include "parking/stand_index.h"
#include "parking/stand_selection.h"
#include "parking/wanted_count.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "core/random_choice.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace hlw {
namespace {

using test::gf_metresFrom;
using test::gf_option;
using test::gf_stand;

const LatLon origin{52.3, 4.76};

SlotSet lf_slots(std::initializer_list<int> slots)
{
    SlotSet set;
    for (const int slot : slots) {
        set.set(static_cast<std::size_t>(slot));
    }
    return set;
}

// The settings the selection reads, back to their defaults at both ends.
class Selection : public ::testing::Test {
  protected:
    Selection() { lf_reset(); }
    ~Selection() override { lf_reset(); }

    static void lf_reset()
    {
        settings::random.set(false);
        settings::helicopters.set(settings::helicopters.defaultValue());
        settings::maxParkSel.set(settings::maxParkSel.defaultValue());
        settings::customParkingPercentage.set(settings::customParkingPercentage.defaultValue());
        settings::week.set(false);
        settings::parkSoft.set(false);
        settings::maxFit.set(47);
    }

    // One stand per option, far apart, numbered, each option numbered 1.
    void addStands(std::vector<StandOption> options)
    {
        for (StandOption& option : options) {
            option.number = 1;
            StandRecord stand = gf_stand(fmt::format("S{}", stands.size() + 1),
                                         gf_metresFrom(origin, 200.0 * static_cast<double>(stands.size())), 20.0);
            stand.options.push_back(std::move(option));
            stands.push_back(std::move(stand));
        }
        gf_indexStands(stands);
    }

    std::vector<std::string> chosen() const
    {
        std::vector<std::string> ids;
        for (const SelectedParkPosition& position : selection.selected) {
            ids.push_back(fmt::format("{}@{}", stands[static_cast<std::size_t>(position.standNumber - 1)].id,
                                      position.fit));
        }
        return ids;
    }

    test::ParkingFolder folder;
    std::vector<StandRecord> stands;
    std::vector<StaticAircraft> statics;
    StandSelection selection;
};

TEST(SlotsBefore, TheFitWrapsOverDaysAndTheWeek)
{
    struct Case {
        WeekdaySlot now;
        int32_t fit;
        WeekdaySlot searched;
    };
    const Case cases[] = {{{1, 0}, 1, {7, 47}},  {{1, 0}, 0, {1, 0}},   {{3, 20}, 5, {3, 15}},
                          {{3, 2}, 3, {2, 47}},  {{1, 2}, 336, {1, 2}}, {{7, 47}, 48, {6, 47}},
                          {{-1, 3}, 1, {-1, -1}}, {{2, 48}, 0, {-1, -1}}};
    for (const Case& c : cases) {
        EXPECT_EQ(gf_slotsBefore(c.now, c.fit), c.searched) << c.now.weekday << "/" << c.now.slot << " fit " << c.fit;
    }
}

TEST_F(Selection, MondayJustAfterMidnightLooksBackIntoSundaysLastHalfHour)
{
    addStands({gf_option("PH-BXA", "KLM", "B738", 7, lf_slots({47}), "KLM1")});
    selection.selectParkPositions({1, 0}, 5, 0, stands, statics);
    EXPECT_EQ(chosen(), std::vector<std::string>{"S1@1"});
}

TEST_F(Selection, MaxFitBoundsHowFarBackEachPassLooks)
{
    addStands({gf_option("PH-BXA", "KLM", "B738", 2, lf_slots({18}), "KLM1"),
               gf_option("D-AINA", "DLH", "A20N", 2, lf_slots({20}), "DLH1")});
    for (const auto& [maxFit, expected] : {std::pair{0, std::vector<std::string>{"S2@0"}},
                                           std::pair{1, std::vector<std::string>{"S2@0"}},
                                           std::pair{2, std::vector<std::string>{"S2@0", "S1@2"}}}) {
        settings::maxFit.set(maxFit);
        for (StandRecord& stand : stands) {
            stand.selected = stand.blocked = false;
        }
        selection.selected.clear();
        selection.selectParkPositions({2, 20}, 5, 0, stands, statics);
        EXPECT_EQ(chosen(), expected) << "MAX_FIT " << maxFit;
        EXPECT_EQ(selection.lastFitReal, maxFit) << "a pass that ends short stores the last fit looked at";
    }
}

TEST_F(Selection, PassesRunRealThenOtherWeekdaysThenSoftAsTheSettingsAllow)
{
    StandOption soft = gf_option("N700FX", "FDX", "B77F", 3, lf_slots({20}), "FDX1");
    soft.real = false;
    StandOption softOtherDay = gf_option("PH-SFT", "KLM", "B738", 5, lf_slots({20}), "KLM9");
    softOtherDay.real = false;
    addStands({gf_option("PH-BXA", "KLM", "B738", 3, lf_slots({20}), "KLM1"),
               gf_option("D-AINA", "DLH", "A20N", 4, lf_slots({20}), "DLH1"), soft, softOtherDay});
    struct Case {
        bool week;
        bool parkSoft;
        std::vector<std::string> chosen;
        std::vector<std::string> passes;
    };
    const Case cases[] = {
        {false, false, {"S1@0"}, {"real 1 position found"}},
        {true, false, {"S1@0", "S2@0"}, {"real 1 position found", "week/real 1 position found"}},
        {false, true, {"S1@0", "S3@0"}, {"real 1 position found", "soft 1 position found"}},
        {true, true, {"S1@0", "S2@0", "S3@0", "S4@0"},
         {"real 1 position found", "week/real 1 position found", "soft 1 position found",
          "week/soft 1 position found"}}};
    for (const Case& c : cases) {
        const std::size_t logBefore = folder.logText().size();
        settings::week.set(c.week);
        settings::parkSoft.set(c.parkSoft);
        for (StandRecord& stand : stands) {
            stand.selected = stand.blocked = false;
        }
        selection.clear();
        selection.selectParkPositions({3, 20}, 10, 0, stands, statics);
        EXPECT_EQ(chosen(), c.chosen) << c.week << c.parkSoft;
        const std::string log = folder.logText().substr(logBefore);
        std::size_t at = 0;
        for (const std::string& pass : c.passes) {
            const std::size_t found = log.find(pass, at);
            ASSERT_NE(found, std::string::npos) << pass << " in\n" << log;
            at = found + pass.size();
        }
        EXPECT_EQ(log.find("position found", at), std::string::npos) << log;
        EXPECT_EQ(selection.softOptionsUsed, c.parkSoft);
        EXPECT_EQ(selection.otherWeekdaysUsed, c.week);
    }
}

TEST_F(Selection, AStayGoesOnWhenTheNextHalfHourIsLearnedToo)
{
    struct Case {
        const char* second;
        SlotSet slots;
        WeekdaySlot now;
        bool nextDayOption;
        bool stays;
    };
    const Case cases[] = {{"", lf_slots({20}), {3, 20}, false, true},
                          {"KLM2", lf_slots({20}), {3, 20}, false, false},
                          {"KLM2", lf_slots({20, 21}), {3, 20}, false, true},
                          {"KLM2", lf_slots({47}), {7, 47}, false, false},
                          {"KLM2", lf_slots({47}), {7, 47}, true, true}};
    for (const Case& c : cases) {
        stands.clear();
        addStands({gf_option("PH-BXA", "KLM", "B738", c.now.weekday, c.slots, "KLM1", c.second)});
        if (c.nextDayOption) {
            stands[0].options.push_back(gf_option("PH-BXA", "KLM", "B738", 1, lf_slots({0}), "KLM3"));
            stands[0].options.back().number = 2;
        }
        selection.clear();
        selection.selectParkPositions(c.now, 1, 0, stands, statics);
        ASSERT_EQ(selection.selected.size(), 1U);
        EXPECT_EQ(selection.selected[0].stays, c.stays) << c.second << " " << c.slots << " " << c.nextDayOption;
    }
}

TEST_F(Selection, AnAircraftPresentAlreadyIsLeftOutAndItsOptionKeepsItsNumber)
{
    settings::week.set(true);
    // PH-BXA learned at two stands (today and another weekday), DLH5 flying live, N700FX parked as a static
    // aircraft (its first coupled callsign), KLM7 parked live.
    addStands({gf_option("PH-BXA", "KLM", "B738", 2, lf_slots({20}), "KLM1"),
               gf_option("PH-BXA", "KLM", "B738", 2, lf_slots({20}), "KLM1"),
               gf_option("PH-BXA", "KLM", "B738", 6, lf_slots({20}), "KLM1"),
               gf_option("D-AINA", "DLH", "A20N", 2, lf_slots({20}), "DLH5"),
               gf_option("N700FX", "FDX", "B77F", 2, lf_slots({20}), "FDX1"),
               gf_option("PH-KLM", "KLM", "B738", 2, lf_slots({20}), "KLM7"),
               gf_option("D-ABCD", "DLH", "A20N", 2, lf_slots({20}), "DLH9")});
    selection.heardCallsigns = {"DLH5_"};
    selection.parkedLive.push_back({"KLM7", 0, 9, 30});
    StaticAircraft fixed = test::gf_staticAt("FDX3*", "B77F", stands[4], SimObjectState::active, 12);
    fixed.flight.secondCallsign = "FDX1";
    statics.push_back(fixed);
    statics.back().standNumber = 0;

    selection.selectParkPositions({2, 20}, 7, 0, stands, statics);
    EXPECT_EQ(chosen(), (std::vector<std::string>{"S1@0", "S7@0"}));
    for (const std::size_t left : {1U, 2U, 3U, 4U, 5U}) {
        const StandOption& option = stands[left].options[0];
        EXPECT_TRUE(option.excluded) << stands[left].id;
        EXPECT_EQ(option.number, 1U) << stands[left].id << " keeps its number, so that it is still saved";
        EXPECT_FALSE(stands[left].selected);
    }
}

TEST_F(Selection, TheLastFitKeepsARandomChoiceOfItsStandsAndDropsNoMoreThanItFound)
{
    settings::random.set(true);
    // S1 is learned for the current half hour (fit 0), S2 to S4 for the one before (fit 1).
    addStands({gf_option("PH-BXA", "KLM", "B738", 2, lf_slots({20}), "KLM1"),
               gf_option("PH-BXB", "KLM", "B738", 2, lf_slots({19}), "KLM2"),
               gf_option("PH-BXC", "KLM", "B738", 2, lf_slots({19}), "KLM3"),
               gf_option("PH-BXD", "KLM", "B738", 2, lf_slots({19}), "KLM4")});
    const auto reselect = [this](int32_t wanted, int32_t already) {
        for (StandRecord& stand : stands) {
            stand.selected = stand.blocked = false;
        }
        selection.clear();
        selection.selectParkPositions({2, 20}, wanted, already, stands, statics);
    };
    std::set<std::string> leftOut;
    for (uint32_t seed = 1; seed <= 60 && leftOut.size() < 3; ++seed) {
        gf_seedThreadRandomEngine(seed);
        reselect(3, 0);
        const std::vector<std::string> ids = chosen();
        ASSERT_EQ(ids.size(), 3U) << seed;
        EXPECT_EQ(ids[0], "S1@0") << "a position of an earlier fit is never the one dropped";
        for (const char* id : {"S2@1", "S3@1", "S4@1"}) {
            if (std::ranges::find(ids, id) == ids.end()) {
                leftOut.insert(id);
            }
        }
    }
    EXPECT_EQ(leftOut.size(), 3U) << "each stand of the last fit is left out for some seed";

    // An adjustment with more aircraft present than wanted: the pass drops what it found, nothing more.
    reselect(2, 5);
    EXPECT_TRUE(selection.selected.empty());
}

TEST_F(Selection, ANegativeOrZeroWantedSelectsNothing)
{
    addStands({gf_option("PH-BXA", "KLM", "B738", 2, lf_slots({20}), "KLM1")});
    for (const int32_t wanted : {-5, 0}) {
        selection.selectParkPositions({2, 20}, wanted, 0, stands, statics);
        EXPECT_TRUE(selection.selected.empty()) << wanted;
    }
}

TEST(WantedCount, FollowsThePercentageOfTheStandsWithinTheLimits)
{
    test::ParkingFolder folder;
    struct Case {
        int32_t stands;
        int32_t percentage;
        int32_t custom;
        int32_t maxParkSel;
        int32_t wanted;
        int32_t shownPercent;
    };
    const Case cases[] = {{3, 40, -1, 500, 1, 33},   {4, 40, -1, 500, 2, 50},  {2, 40, -1, 500, 1, 50},
                          {2, 50, -1, 500, 1, 50},   {10, 40, -1, 0, 0, 40},   {10, 40, -1, 3, 3, 30},
                          {10, 40, 100, 500, 10, 100}, {10, 40, 0, 500, 0, 0}, {10, -40, -1, 500, 0, 0},
                          {10, 250, -1, 500, 10, 100}, {1, 0, -1, 500, 1, 100}, {0, 30, -1, 500, 1, 0},
                          {5, 50, -1, 500, 3, 60}};
    for (const Case& c : cases) {
        settings::parkingPercentage.set(c.percentage);
        settings::customParkingPercentage.set(c.custom);
        settings::maxParkSel.set(c.maxParkSel);
        StatusBoard status;
        EXPECT_EQ(gf_wantedStaticCount(c.stands, status), c.wanted)
            << c.stands << " stands at " << c.percentage << "% (custom " << c.custom << "), max " << c.maxParkSel;
        EXPECT_EQ(status.snapshot().maxParkLive, c.wanted);
        EXPECT_EQ(status.snapshot().maxParkPercent, c.shownPercent) << c.stands << " " << c.percentage;
    }
    settings::maxParkSel.set(settings::maxParkSel.defaultValue());
    settings::customParkingPercentage.set(settings::customParkingPercentage.defaultValue());
}

} // namespace
} // namespace hlw
