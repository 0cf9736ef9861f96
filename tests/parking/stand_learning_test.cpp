// Learning stand use from live aircraft at their stands: extending an option within the aircraft's longest run, a
// new option beyond it, the split of a stay over midnight, repeated and leaving reports, the registration key, and
// the coupled callsigns an arriving aircraft takes.
#include "parking/stand_index.h"
#include "parking/stand_learning.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/code_table.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace hlw {
namespace {

using test::gf_stand;

SlotSet lf_slots(std::initializer_list<int> slots)
{
    SlotSet set;
    for (const int slot : slots) {
        set.set(static_cast<std::size_t>(slot));
    }
    return set;
}

class Learning : public ::testing::Test {
  protected:
    Learning()
    {
        stands = {gf_stand("A1", {52.3, 4.76}, 30.0, 5)};
        gf_indexStands(stands);
    }

    // A live aircraft of the registration parked at stand 1.
    LiveAircraft aircraft(const std::string& registration, AircraftCategory category,
                          const std::string& callsign = "KLM1") const
    {
        LiveAircraft live = test::gf_parkedLive(callsign, "B738", stands[0], 501);
        live.flight.registration = registration;
        live.flight.category = category;
        return live;
    }

    void report(LiveAircraft& live, WeekdaySlot now, StandUseReason reason = StandUseReason::arrived)
    {
        gf_addRealStandOption(stands, 1, live, reason, now, updates);
    }

    // "weekday:slots" of every option of the stand.
    std::vector<std::string> options() const
    {
        std::vector<std::string> out;
        for (const StandOption& option : stands[0].options) {
            out.push_back(fmt::format("{}:{}{}", option.weekday, gf_bitset2hourList(option.slots).value_or("-"),
                                      option.coupled ? " coupled" : ""));
        }
        return out;
    }

    test::ParkingFolder folder;
    std::vector<StandRecord> stands;
    LearnedUpdates updates;
};

TEST_F(Learning, AHeavyExtendsOverSevenHalfHoursWhereALargeStartsANewOption)
{
    struct Case {
        AircraftCategory category;
        std::vector<std::string> options;
    };
    const Case cases[] = {
        {AircraftCategory::Heavy, {"3:20,21,22,23,24,25,26,27"}},
        {AircraftCategory::Large, {"3:20", "3:27"}},
    };
    for (const Case& c : cases) {
        stands[0].options.clear();
        LiveAircraft live = aircraft("PH-BXA", c.category);
        report(live, {3, 20});
        report(live, {3, 27});
        EXPECT_EQ(options(), c.options) << static_cast<int>(c.category);
        EXPECT_EQ(gf_airlineText(live.flight.airline), "KLM") << "the aircraft takes its registration's codes";
        EXPECT_EQ(live.flight.registrationKnown, 1);
    }
}

TEST_F(Learning, ACargoStayOverMidnightIsSplitOverSundayAndMonday)
{
    LiveAircraft cargo = aircraft("N700FX", AircraftCategory::Heavy, "FDX12");
    report(cargo, {7, 46});
    report(cargo, {1, 2});
    EXPECT_EQ(options(), (std::vector<std::string>{"7:46,47", "1:0,1,2"}));
    EXPECT_EQ(cargo.flight.cargo, 1);
    for (const StandOption& option : stands[0].options) {
        EXPECT_EQ(option.callsign, "FDX12");
        EXPECT_TRUE(option.real);
        EXPECT_FALSE(option.fromAirportFile);
    }

    // Beyond the longest run (12 half hours for cargo) Monday starts afresh.
    stands[0].options.clear();
    report(cargo, {7, 40});
    report(cargo, {1, 4});
    EXPECT_EQ(options(), (std::vector<std::string>{"7:40", "1:4"}));
}

TEST_F(Learning, RepeatedLeavingAndUnknownReportsChangeOnlyWhatTheyShould)
{
    LiveAircraft live = aircraft("PH-BXA_", AircraftCategory::Large);
    report(live, {2, 10});
    ASSERT_EQ(stands[0].options.size(), 1U);
    EXPECT_EQ(stands[0].options[0].registration, "PH-BXA") << "one trailing '_' is not part of the key";
    const int32_t after = updates.count();
    report(live, {2, 10});
    EXPECT_EQ(updates.count(), after) << "a second report in the same half hour changes nothing";
    EXPECT_EQ(options(), std::vector<std::string>{"2:10"});
    report(live, {2, 10}, StandUseReason::goneUnseen);
    EXPECT_EQ(options(), std::vector<std::string>{"2:10 coupled"}) << "reason 3 with the slot held only couples";
    report(live, {2, 13});
    EXPECT_EQ(options(), (std::vector<std::string>{"2:10 coupled", "2:13"})) << "a new stay after a completed one";

    LiveAircraft unknown = aircraft("N99999", AircraftCategory::Large);
    report(unknown, {2, 14});
    LiveAircraft noTime = aircraft("D-AINA", AircraftCategory::Large);
    report(noTime, {-1, -1});
    report(noTime, {2, -1});
    LiveAircraft elsewhere = aircraft("D-AINA", AircraftCategory::Large);
    gf_addRealStandOption(stands, 7, elsewhere, StandUseReason::arrived, {2, 14}, updates);
    EXPECT_EQ(stands[0].options.size(), 2U) << "unknown registration, unknown time and a missing stand learn nothing";

    // Nothing is learned over an airport file's own use of the registration while its slot is clear.
    StandOption fromFile = test::gf_option("D-AINA", "DLH", "A20N", 2, lf_slots({30}), "DLH1");
    fromFile.fromAirportFile = true;
    fromFile.number = 3;
    stands[0].options.push_back(fromFile);
    report(noTime, {2, 31});
    EXPECT_EQ(stands[0].options.size(), 3U);
    report(noTime, {2, 30});
    EXPECT_EQ(stands[0].options.size(), 3U) << "with its slot set the airport file holds this use already";
}

TEST_F(Learning, AnArrivingAircraftTakesTheCoupledCallsignsOfItsLearnedUse)
{
    const auto option = [](int weekday, SlotSet slots, const char* callsign, const char* second, const char* airline) {
        StandOption made = test::gf_option("PH-BXA", airline, "B738", weekday, slots, callsign, second);
        made.number = 1;
        return made;
    };
    stands[0].options = {option(3, lf_slots({40}), "KLM7", "KLM8", "KLM"), option(2, lf_slots({20}), "KLM7", "KLM8", "KLM"),
                         option(3, lf_slots({20}), "KLM7", "", "KLM"), option(3, lf_slots({31}), "KLM7", "KLM9", "DLH"),
                         option(3, lf_slots({29}), "KLM6", "KLM7", "KLM")};
    struct Case {
        const char* callsign;
        AircraftCategory category;
        const char* second; // empty: nothing taken
        const char* third;
    };
    const Case cases[] = {{"KLM7", AircraftCategory::Large, "KLM6", "KLM7"},
                          {"KLM7_", AircraftCategory::Large, "KLM6", "KLM7"},
                          {"KLM8", AircraftCategory::Large, "", ""},
                          {"KLM8", AircraftCategory::Heavy, "KLM7", "KLM8"},
                          {"KLM5", AircraftCategory::Heavy, "", ""}};
    for (const Case& c : cases) {
        FlightRecord flight;
        flight.callsign = c.callsign;
        flight.category = c.category;
        flight.airline = gf_airlineIndex("KLM");
        EXPECT_EQ(gf_coupleCallsigns(stands, flight, {3, 26}), *c.second != '\0') << c.callsign;
        EXPECT_EQ(flight.secondCallsign, c.second) << c.callsign;
        EXPECT_EQ(flight.thirdCallsign, c.third) << c.callsign;
    }
}

} // namespace
} // namespace hlw
