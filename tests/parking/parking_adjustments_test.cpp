// Parking adjustments on the fake clock: live aircraft parked too long, a static aircraft kept or replaced by the
// learned stay of a new position at its stand or at a neighbour's, more live aircraft than wanted, nothing wanted at
// all, a static aircraft whose coupled callsign flies live, a leaving one placed again under its departure
// callsign, a position placed while the static aircraft it replaces is still being removed, a stay that began
// the day before, and stays compared across the week's turn from Sunday to Monday.
#include "parking/parking_service.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/airports_database.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"
#include "support/fake_steady_time.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace hlw {
namespace {

using namespace std::chrono_literals;

constexpr WeekdaySlot now{3, 20};

class Adjustments : public ::testing::Test {
  protected:
    // An airport of the given number of stands, loaded, without learned use.
    void load(int standCount, const std::string& options = "")
    {
        std::string stands;
        for (int i = 0; i < standCount; ++i) {
            stands += fmt::format(R"(<parkpos id="S{}" latitude="{:.6f}" longitude="4.760000" radius="30" type="5">{}</parkpos>)",
                                  i + 1, 52.30 + 0.01 * i, i == 0 ? options : "");
        }
        loadStands(stands);
    }

    // An airport of the "parkpos" elements, loaded.
    void loadStands(const std::string& stands)
    {
        folder.write("airports/my_simaddon/EHAM.xml",
                     test::apfText(stands, R"(<parameter name="publisher" value="simaddon" />
                                              <parameter name="altitude" value="-11" />)"));
        ASSERT_TRUE(service.chooseParkAirport(AirportCode("EHAM")));
        ASSERT_EQ(service.loadParkAirport(), "");
        traffic.now = now;
    }

    LiveAircraft& parked(const std::string& callsign, StandNumber stand, std::chrono::minutes ago,
                         AircraftCategory category = AircraftCategory::Large)
    {
        LiveAircraft& aircraft = traffic.live.emplace_back(test::gf_parkedLive(
            callsign, "A20N", *service.standByNumber(stand), 600 + static_cast<uint32_t>(traffic.live.size())));
        aircraft.flight.category = category;
        aircraft.parkedSince = time.now() - ago;
        return aircraft;
    }

    // An active static aircraft at the stand with the reference data's codes of the registration, its stay begun
    // at the weekday and slot; its coupled callsigns are those of the option it was placed for.
    StaticAircraft& placedStatic(const std::string& callsign, StandNumber stand, const std::string& registration,
                                 WeekdaySlot parkedAt, const std::string& coupled1 = "", const std::string& coupled2 = "")
    {
        StaticAircraft& aircraft = traffic.statics.emplace_back(
            test::gf_staticAt(callsign, "B738", *service.standByNumber(stand), SimObjectState::active,
                              static_cast<uint32_t>(traffic.statics.size() + 1)));
        const RegistrationCodes codes = gf_findDbaseRecord(registration).value();
        aircraft.flight.airline = codes.airline;
        aircraft.flight.secondAirline = codes.secondAirline;
        aircraft.flight.model = codes.model;
        aircraft.flight.registration = registration;
        aircraft.flight.secondCallsign = coupled1;
        aircraft.flight.thirdCallsign = coupled2;
        aircraft.parkedWeekday = static_cast<uint32_t>(parkedAt.weekday);
        aircraft.parkedSlot = static_cast<uint32_t>(parkedAt.slot);
        return aircraft;
    }

    void wantAll(int32_t percentage = 100)
    {
        settings::customParkingPercentage.set(percentage);
        settings::maxParkSel.set(500);
    }

    Adjustments() { settings::initialLoadOnly.set(false); }
    ~Adjustments() override
    {
        settings::customParkingPercentage.set(settings::customParkingPercentage.defaultValue());
        settings::maxParkSel.set(settings::maxParkSel.defaultValue());
        settings::initialLoadOnly.set(false);
    }

    test::ParkingFolder folder;
    test::FakeParkingTraffic traffic;
    StatusBoard status;
    test::FakeSteadyTime time;
    ParkingService service{traffic, status, time};
};

TEST_F(Adjustments, LiveAircraftParkedTooLongAreRemovedUnlessInitialLoadOnly)
{
    struct Case {
        bool initialLoadOnly;
        std::vector<std::string> removed;
    };
    const Case cases[] = {{false, {"HVY181", "LRG91"}}, {true, {}}};
    for (const Case& c : cases) {
        load(6);
        wantAll();
        traffic.live.clear();
        traffic.removed.clear();
        parked("HVY179", 1, 179min, AircraftCategory::Heavy);
        parked("HVY181", 2, 181min, AircraftCategory::Heavy);
        parked("LRG89", 3, 89min);
        parked("LRG91", 4, 91min);
        settings::initialLoadOnly.set(c.initialLoadOnly);
        service.runAdjustments();
        EXPECT_EQ(traffic.removed, c.removed) << "initial load only " << c.initialLoadOnly;
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, AStaticAircraftStaysWhileTheNewPositionsStayBeganNoLater)
{
    // The static aircraft was placed at fit 3 half an hour ago: its stay began 4 half hours ago.
    for (const auto& [fit, kept] : {std::pair{5, true}, std::pair{4, true}, std::pair{3, false}, std::pair{2, false}}) {
        SCOPED_TRACE(fit);
        load(1, fmt::format(R"(<opt reg="D-AINA" day="3" hh="{}" cs="DLH5" />)", now.slot - fit));
        wantAll();
        traffic.statics = {test::gf_staticAt("KLM1*", "B738", *service.standByNumber(1), SimObjectState::active, 9)};
        traffic.statics[0].parkedWeekday = 3;
        traffic.statics[0].parkedSlot = static_cast<uint32_t>(now.slot - 4);
        traffic.removed.clear();
        service.runAdjustments();
        if (kept) {
            EXPECT_TRUE(traffic.removed.empty());
            EXPECT_EQ(service.positionsToPlace(), 0);
            EXPECT_EQ(service.standUse().size(), 1U);
        } else {
            EXPECT_EQ(traffic.removed, std::vector<std::string>{"KLM1*"});
            ASSERT_EQ(service.positionsToPlace(), 1) << "the position stays to be placed";
            EXPECT_EQ(service.selection().selected[0].callsign, "DLH5");
        }
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, MoreLiveAircraftThanWantedGoLongestParkedFirst)
{
    load(3);
    wantAll(34); // 3 stands: one wanted
    parked("L10", 1, 10min);
    parked("L30", 2, 30min);
    parked("L20", 3, 20min);
    service.runAdjustments();
    EXPECT_EQ(traffic.removed, (std::vector<std::string>{"L30", "L20"}));
    EXPECT_NE(folder.logText().find("Parking adjustments: 2 more live ac than wanted"), std::string::npos);
    EXPECT_EQ(service.positionsToPlace(), 0);
}

TEST_F(Adjustments, WithNothingWantedEverythingGoesAndTheAdjustmentEnds)
{
    struct Case {
        const char* what;
        std::function<void()> wantNothing;
    };
    const Case cases[] = {{"MAX_PARK_SEL 0", [] { settings::maxParkSel.set(0); }},
                          {"a negative percentage", [] { settings::parkingPercentage.set(-40); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        load(4, R"(<opt reg="D-AINA" day="3" hh="18:20" cs="DLH5" />)");
        c.wantNothing();
        traffic.live.clear();
        traffic.removed.clear();
        parked("L10", 2, 10min);
        // DLH4* at the same stand is on its way out already: it must not be removed a second time.
        const StandRecord& first = *service.standByNumber(1);
        traffic.statics = {test::gf_staticAt("DLH4*", "A20N", first, SimObjectState::removingfromsim, 8),
                           test::gf_staticAt("DLH5*", "A20N", first, SimObjectState::active, 9)};
        traffic.statics[1].flight.registration = "D-AINA";
        traffic.statics[1].flight.airline = gf_airlineIndex("DLH");
        traffic.statics[1].parkedWeekday = 3;
        traffic.statics[1].parkedSlot = 18;
        const std::size_t logBefore = folder.logText().size();
        service.runAdjustments();
        EXPECT_EQ(service.positionsToPlace(), 0);
        EXPECT_TRUE(service.standUse().empty());
        EXPECT_EQ(traffic.removed, (std::vector<std::string>{"L10", "DLH5*"}));
        EXPECT_NE(folder.logText().find("Parking adjustments: 1 to be removed, 0 to be added", logBefore),
                  std::string::npos);
        service.closeParkAirport();
        settings::maxParkSel.set(settings::maxParkSel.defaultValue());
    }
}

TEST_F(Adjustments, AStaticAircraftWhoseCoupledCallsignIsHeardLiveIsRemovedFirst)
{
    struct Case {
        const char* what;
        std::unordered_set<std::string> heard;
        bool removed;
    };
    const Case cases[] = {{"first coupled callsign", {"DLH5"}, true},
                          {"second coupled callsign", {"DLH6"}, true},
                          {"its own callsign and another", {"DLH5*", "DLH7"}, false},
                          {"nothing", {}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Its learned stay goes on past the current half hour.
        load(1, R"(<opt reg="D-AINA" day="3" hh="16:24" cs="DLH5:DLH6" />)");
        wantAll();
        traffic.statics.clear();
        traffic.removed.clear();
        placedStatic("DLH5*", 1, "D-AINA", {3, 16}, "DLH5", "DLH6");
        traffic.heard = c.heard;
        const std::size_t logBefore = folder.logText().size();
        service.runAdjustments();
        const bool logged = folder.logText().find("S1      : DLH5* flies live now, removed", logBefore) != std::string::npos;
        EXPECT_EQ(logged, c.removed);
        if (c.removed) {
            EXPECT_EQ(traffic.removed, std::vector<std::string>{"DLH5*"});
            EXPECT_TRUE(service.standUse().empty());
            EXPECT_EQ(service.positionsToPlace(), 0) << "its own learned stay is not placed again while it flies";
        } else {
            EXPECT_TRUE(traffic.removed.empty());
            EXPECT_EQ(service.standUse().size(), 1U);
        }
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, AStaticAircraftTouchingANeighboursNewPositionStaysOnlyIfItCameFirst)
{
    // Two stands 30 m apart, adjacent; the static aircraft (half wing span 18 m) at S1 has no learned stay of its
    // own, the learned stay at S2 began fit half hours ago. The selection measures between the stands' centres and
    // chooses S2; the adjustment measures from where the aircraft stands.
    struct Case {
        double offCentreMetres;
        int32_t fit;
        bool kept;
    };
    const Case cases[] = {{15.0, 5, true}, {15.0, 4, true}, {15.0, 3, false}, {0.0, 5, false}};
    const LatLon s1{52.30, 4.76};
    const LatLon s2 = test::gf_metresFrom(s1, 30.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("{} m off, fit {}", c.offCentreMetres, c.fit));
        loadStands(fmt::format(
            R"(<parkpos id="S1" latitude="{:.7f}" longitude="{:.7f}" radius="30" type="5"></parkpos>)"
            R"(<parkpos id="S2" latitude="{:.7f}" longitude="{:.7f}" radius="30" type="5">)"
            R"(<opt reg="D-AINA" day="3" hh="{}" cs="DLH5" /></parkpos>)",
            s1.lat, s1.lon, s2.lat, s2.lon, now.slot - c.fit));
        wantAll();
        ASSERT_EQ(service.standByNumber(1)->adjacentStands, std::vector<StandNumber>{2});
        traffic.statics.clear();
        traffic.removed.clear();
        // Placed at fit 3 an hour ago: its stay began at slot 16.
        StaticAircraft& aircraft = placedStatic("KLM1*", 1, "PH-BXA", {3, 16});
        aircraft.flight.halfWingspanNm = 18.0 / metresPerNm;
        const LatLon at = test::gf_metresFrom(s1, c.offCentreMetres);
        aircraft.standLat = at.lat;
        aircraft.standLon = at.lon;
        service.runAdjustments();
        if (c.kept) {
            EXPECT_TRUE(traffic.removed.empty());
            EXPECT_EQ(service.standUse().size(), 1U);
            EXPECT_EQ(service.positionsToPlace(), 0) << "the neighbour's position gives way";
        } else {
            EXPECT_EQ(traffic.removed, std::vector<std::string>{"KLM1*"});
            ASSERT_EQ(service.positionsToPlace(), 1);
            EXPECT_EQ(service.selection().selected[0].standNumber, 2);
        }
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, ALeavingAircraftIsPlacedAgainUnderItsCoupledCallsignAndKeepsItsParkedTime)
{
    // Its learned stay as KLM1 ends with the current half hour: it leaves as KLM2, placed again with the parked time
    // it had. Another static aircraft parked at S2 a little earlier; with room for one, the max-park limit removes
    // that one, parked first.
    struct Case {
        WeekdaySlot parkedAt;
        const char* todaysSlots;
        int32_t halfHoursParked;
        WeekdaySlot otherParkedAt;
    };
    const Case cases[] = {{{3, 16}, "16:20", 4, {3, 10}}, {{2, 40}, "0:20", 28, {2, 34}}};
    test::InstalledLiveries liveries{R"(    <l a="KLM" m="B738" t="KLM Boeing 737-800 PH-BXA" r="PH-BXA" />
)"};
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("parked at {}/{}", c.parkedAt.weekday, c.parkedAt.slot));
        load(2, fmt::format(R"(<opt reg="PH-BXA" day="3" hh="{}" cs="KLM1:KLM2" />)", c.todaysSlots));
        wantAll();
        traffic.statics.clear();
        traffic.removed.clear();
        placedStatic("KLM1*", 1, "PH-BXA", c.parkedAt, "KLM1", "KLM2");
        service.runAdjustments();
        EXPECT_EQ(traffic.removed, std::vector<std::string>{"KLM1*"});
        EXPECT_TRUE(service.standUse().empty());
        ASSERT_EQ(service.positionsToPlace(), 1);
        const SelectedParkPosition& position = service.selection().selected[0];
        EXPECT_EQ(position.standNumber, 1);
        EXPECT_EQ(position.callsign, "KLM1");
        EXPECT_EQ(position.secondCallsign, "KLM2");
        EXPECT_FALSE(position.stays);
        EXPECT_EQ(position.fit, c.halfHoursParked);

        // The simulator has removed the old object; the position is placed.
        std::erase_if(traffic.statics, [](const StaticAircraft& a) { return a.state == SimObjectState::removingfromsim; });
        service.placeNextStatic();
        ASSERT_EQ(traffic.statics.size(), 1U);
        StaticAircraft& placed = traffic.statics[0];
        EXPECT_EQ(placed.flight.callsign, "KLM2*");
        EXPECT_EQ(placed.parkedWeekday, static_cast<uint32_t>(c.parkedAt.weekday));
        EXPECT_EQ(placed.parkedSlot, static_cast<uint32_t>(c.parkedAt.slot));
        placed.state = SimObjectState::active;
        placedStatic("DLH5*", 2, "D-AINA", c.otherParkedAt);
        gf_checkMaxPark(false, 1, traffic, service.park().state.stands, time);
        EXPECT_EQ(traffic.removed, (std::vector<std::string>{"KLM1*", "DLH5*"}));
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, APositionReplacingAStaticAircraftIsPlacedWhileTheOldOneIsStillBeingRemoved)
{
    // Each path removes a static aircraft for a position at its stand or at the neighbour it touches; the placement
    // comes before the simulator has confirmed the removal.
    struct Case {
        const char* what;
        std::function<void()> arrange;
        StandNumber stand;
        const char* callsign;
        WeekdaySlot parkedAt;
    };
    const LatLon s1{52.30, 4.76};
    const LatLon s2 = test::gf_metresFrom(s1, 30.0);
    const Case cases[] = {
        {"leaving, placed again under its coupled callsign",
         [&] {
             load(2, R"(<opt reg="PH-BXA" day="3" hh="16:20" cs="KLM1:KLM2" />)");
             placedStatic("KLM1*", 1, "PH-BXA", {3, 16}, "KLM1", "KLM2");
         },
         1,
         "KLM2*",
         {3, 16}},
        {"replaced at its stand by a later stay",
         [&] {
             load(1, R"(<opt reg="D-AINA" day="3" hh="18" cs="DLH5" />)");
             placedStatic("KLM1*", 1, "PH-BXA", {3, 16});
         },
         1,
         "DLH5*",
         {3, 18}},
        {"touching the neighbour's later stay",
         [&] {
             loadStands(
                 fmt::format(R"(<parkpos id="S1" latitude="{:.7f}" longitude="{:.7f}" radius="30" type="5"></parkpos>)"
                             R"(<parkpos id="S2" latitude="{:.7f}" longitude="{:.7f}" radius="30" type="5">)"
                             R"(<opt reg="D-AINA" day="3" hh="17" cs="DLH5" /></parkpos>)",
                             s1.lat, s1.lon, s2.lat, s2.lon));
             placedStatic("KLM1*", 1, "PH-BXA", {3, 16}).flight.halfWingspanNm = 18.0 / metresPerNm;
         },
         2,
         "DLH5*",
         {3, 17}},
    };
    test::InstalledLiveries liveries{R"(    <l a="KLM" m="B738" t="KLM Boeing 737-800 PH-BXA" r="PH-BXA" />
    <l a="DLH" m="A20N" t="Lufthansa A320neo D-AINA" r="D-AINA" />
)"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        traffic.statics.clear();
        traffic.removed.clear();
        c.arrange();
        wantAll();
        service.runAdjustments();
        ASSERT_EQ(traffic.removed, std::vector<std::string>{"KLM1*"});
        ASSERT_EQ(service.positionsToPlace(), 1);
        const std::size_t logBefore = folder.logText().size();
        service.placeNextStatic();
        EXPECT_EQ(folder.logText().find("no static parking", logBefore), std::string::npos)
            << folder.logText().substr(logBefore);
        EXPECT_EQ(traffic.statics.size(), 2U);
        if (traffic.statics.size() == 2U) {
            EXPECT_EQ(traffic.statics[0].state, SimObjectState::removingfromsim);
            const StaticAircraft& placed = traffic.statics[1];
            EXPECT_EQ(placed.flight.callsign, c.callsign);
            EXPECT_EQ(placed.standNumber, c.stand);
            EXPECT_EQ(placed.state, SimObjectState::adding2sim);
            EXPECT_EQ(placed.parkedWeekday, static_cast<uint32_t>(c.parkedAt.weekday));
            EXPECT_EQ(placed.parkedSlot, static_cast<uint32_t>(c.parkedAt.slot));
        }
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, AStayFromThePreviousDayHoldsWithinTheFitTheSelectionReached)
{
    // The window looks back MAX_FIT half hours from now, into the previous day's last 46 slots at most.
    struct Case {
        WeekdaySlot now;
        int32_t maxFit;
        int32_t day;
        const char* slots;
        bool kept;
    };
    const Case cases[] = {
        {{3, 2}, 47, 2, "44:47", true},  {{3, 2}, 4, 2, "44:47", true},  {{3, 2}, 4, 2, "40:44", false},
        {{3, 2}, 2, 2, "44:47", false},  {{3, 2}, 47, 1, "44:47", false}, {{1, 2}, 47, 7, "44:47", true},
        {{3, 0}, 47, 2, "1", true},      {{3, 0}, 47, 2, "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("now {}/{}, MAX_FIT {}, day {} slots {}", c.now.weekday, c.now.slot, c.maxFit, c.day,
                                 c.slots));
        load(1, fmt::format(R"(<opt reg="PH-BXA" day="{}" hh="{}" cs="KLM1" />)", c.day, c.slots));
        wantAll();
        settings::maxFit.set(c.maxFit);
        traffic.now = c.now;
        traffic.statics.clear();
        traffic.removed.clear();
        placedStatic("KLM1*", 1, "PH-BXA", {c.day, 44}, "KLM1");
        service.runAdjustments();
        EXPECT_EQ(traffic.removed.empty(), c.kept);
        EXPECT_EQ(service.standUse().size(), c.kept ? 1U : 0U);
        service.closeParkAirport();
    }
}

TEST_F(Adjustments, StaysAreComparedAcrossTheWeeksTurn)
{
    // Monday 01:00: Sunday 23:00 is four half hours back, Monday 00:30 one.
    constexpr WeekdaySlot monday0100{1, 2};
    constexpr WeekdaySlot sunday2300{7, 46};
    constexpr WeekdaySlot monday0030{1, 1};
    struct Parked {
        const char* callsign;
        const char* registration;
        StandNumber stand;
        WeekdaySlot at;
    };
    struct Case {
        const char* what;
        std::string s1Options;
        std::string s2Options;
        std::vector<Parked> statics;
        int32_t maxParkSel;
        std::vector<std::string> removed;
    };
    const Case cases[] = {
        {"a stay begun Sunday keeps the static aircraft parked Monday",
         R"(<opt reg="D-AINA" day="7" hh="46" cs="DLH5" />)",
         "",
         {{"KLM1*", "PH-BXA", 1, monday0030}},
         500,
         {}},
        {"a stay begun Monday replaces the static aircraft parked Sunday",
         R"(<opt reg="D-AINA" day="1" hh="1" cs="DLH5" />)",
         "",
         {{"KLM1*", "PH-BXA", 1, sunday2300}},
         500,
         {"KLM1*"}},
        {"with room for one, the static aircraft parked Sunday goes first",
         R"(<opt reg="PH-BXA" day="7" hh="46" cs="KLM1" />)",
         R"(<opt reg="D-AINA" day="1" hh="1:2" cs="DLH5" soft="true" />)",
         {{"KLM1*", "PH-BXA", 1, sunday2300}, {"DLH5*", "D-AINA", 2, monday0030}},
         1,
         {"KLM1*"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loadStands(fmt::format(R"(<parkpos id="S1" latitude="52.30" longitude="4.76" radius="30" type="5">{}</parkpos>
                                  <parkpos id="S2" latitude="52.31" longitude="4.76" radius="30" type="5">{}</parkpos>)",
                               c.s1Options, c.s2Options));
        wantAll();
        settings::maxParkSel.set(c.maxParkSel);
        traffic.now = monday0100;
        traffic.statics.clear();
        traffic.removed.clear();
        for (const Parked& parked : c.statics) {
            placedStatic(parked.callsign, parked.stand, parked.registration, parked.at);
        }
        service.runAdjustments();
        EXPECT_EQ(traffic.removed, c.removed);
        EXPECT_EQ(service.standUse().size(), c.statics.size() - c.removed.size());
        service.closeParkAirport();
    }
}

} // namespace
} // namespace hlw
