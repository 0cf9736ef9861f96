// Parking adjustments on the fake clock: live aircraft parked too long, a static aircraft kept or replaced by the
// learned stay of a new position, more live aircraft than wanted, and nothing wanted at all.
#include "parking/parking_service.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/airports_database.h"
#include "refdata/code_table.h"
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

} // namespace
} // namespace hlw
