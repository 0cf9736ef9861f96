// Placing static parked aircraft: callsigns, hex ids and their wrap, the creation at the stand, every refusal, a
// livery that cannot be matched, and the max-park limit.
#include "parking/stand_index.h"
#include "parking/static_placement.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "support/fake_steady_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace hlw {
namespace {

using namespace std::chrono_literals;
using test::gf_metresFrom;
using test::gf_stand;

const LatLon origin{52.3, 4.76};

TEST(StaticCallsign, DropsTrailingUnderscoresAndEndsInOneStar)
{
    const std::pair<const char*, const char*> cases[] = {
        {"BAW12__", "BAW12*"}, {"BAW12*", "BAW12*"}, {"BAW12", "BAW12*"}, {"", "*"}, {"K_L_", "K_L*"}, {"___", "*"}};
    for (const auto& [text, callsign] : cases) {
        EXPECT_EQ(gf_staticCallsign(text), callsign) << text;
    }
}

class Placement : public ::testing::Test {
  protected:
    Placement()
    {
        // A: free; B: 40 m from A, blocking it; C: far away.
        stands = {gf_stand("A", origin, 22.0, 9), gf_stand("B", gf_metresFrom(origin, 40.0), 22.0, 9),
                  gf_stand("C", gf_metresFrom(origin, 800.0), 22.0, 9)};
        stands[0].heading = 1.5707963267948966;
        gf_indexStands(stands);
        settings::initialLoadOnly.set(false);
    }

    SelectedParkPosition position(StandNumber stand, const std::string& callsign, const std::string& second = "",
                                  bool stays = true) const
    {
        return {stand, 3, {gf_airlineIndex("KLM"), 0, gf_modelIndex("B738"), 0, 1}, callsign, second, "PH-BXA", stays};
    }

    // Places one position; the log gained meanwhile.
    std::string place(SelectedParkPosition p)
    {
        const std::size_t before = folder.logText().size();
        selected = {std::move(p)};
        placer.placeNext(selected, stands, traffic);
        EXPECT_TRUE(selected.empty()) << "every call uses up its position";
        return folder.logText().substr(before);
    }

    test::ParkingFolder folder;
    test::InstalledLiveries liveries{R"(    <l a="KLM" m="B738" t="KLM Boeing 737-800 PH-BXA" r="PH-BXA" />
)"};
    std::vector<StandRecord> stands;
    std::vector<SelectedParkPosition> selected;
    test::FakeParkingTraffic traffic;
    StaticPlacer placer;
};

TEST_F(Placement, AStaticAircraftIsCreatedAtTheStandWithItsLearnedStay)
{
    placer.counter = 40;
    traffic.now = {1, 1};
    place(position(1, ""));
    ASSERT_EQ(traffic.statics.size(), 1U);
    const StaticAircraft& aircraft = traffic.statics[0];
    EXPECT_EQ(aircraft.flight.callsign, "KLM41*");
    EXPECT_EQ(aircraft.flight.hexId, 41U);
    EXPECT_EQ(aircraft.flight.title, "KLM Boeing 737-800 PH-BXA");
    EXPECT_EQ(aircraft.state, SimObjectState::adding2sim);
    EXPECT_EQ(aircraft.standNumber, 1);
    EXPECT_DOUBLE_EQ(aircraft.standLat, stands[0].latitude);
    EXPECT_DOUBLE_EQ(aircraft.standLon, stands[0].longitude);
    EXPECT_DOUBLE_EQ(aircraft.standHeading, stands[0].heading);
    // Fit 3 at Monday slot 1: the stay began on Sunday at slot 46.
    EXPECT_EQ(aircraft.parkedWeekday, 7U);
    EXPECT_EQ(aircraft.parkedSlot, 46U);
}

TEST_F(Placement, TheCallsignFollowsTheStayAndTheCounterSkipsHeldIdsAndWraps)
{
    struct Case {
        const char* callsign;
        const char* second;
        bool stays;
        const char* placed;
    };
    const Case cases[] = {{"KLM1", "KLM2__", true, "KLM1*"},
                          {"KLM1", "KLM2__", false, "KLM2*"},
                          {"KLM1_", "", false, "KLM1*"},
                          {"KLM1*", "", true, "KLM1*"}};
    for (const Case& c : cases) {
        traffic.statics.clear();
        place(position(3, c.callsign, c.second, c.stays));
        ASSERT_EQ(traffic.statics.size(), 1U) << c.callsign;
        EXPECT_EQ(traffic.statics[0].flight.callsign, c.placed);
        EXPECT_EQ(traffic.statics[0].flight.secondCallsign, c.callsign) << "the coupled callsigns of the option";
        EXPECT_EQ(traffic.statics[0].flight.thirdCallsign, c.second);
    }

    traffic.statics.clear();
    placer.counter = 9998;
    place(position(3, "KLM1"));
    traffic.statics.back().state = SimObjectState::active;
    traffic.statics.back().standNumber = 0;
    EXPECT_EQ(traffic.statics.back().flight.hexId, 9999U);
    place(position(3, "KLM1"));
    EXPECT_EQ(traffic.statics.back().flight.hexId, 0U) << "the 10000th placement";
    traffic.statics.back().standNumber = 0;
    traffic.statics.push_back(test::gf_staticAt("X*", "B738", stands[2], SimObjectState::active, 1));
    traffic.statics.back().standNumber = 0;
    place(position(3, "KLM1"));
    EXPECT_EQ(traffic.statics.back().flight.hexId, 2U) << "id 1 is still held";
}

TEST_F(Placement, APositionIsDroppedWhenItsStandIsTakenBlockedMissingOrWithoutLivery)
{
    struct Case {
        const char* what;
        StandNumber stand;
        std::function<void()> arrange;
        const char* logged;
    };
    const Case cases[] = {
        {"live parked here", 1, [&] { traffic.live.push_back(test::gf_parkedLive("DLH4", "A20N", stands[0], 501)); },
         "A       : no static parking for KLM1, live aircraft DLH4 standing here"},
        {"live parking next door", 1,
         [&] {
             traffic.live.push_back(test::gf_parkedLive("DLH4", "A20N", stands[1], 501));
             traffic.live.back().phase = MovementPhase::parking;
             stands[0].adjacentStands = {2};
         },
         "A       : no static parking for KLM1, live aircraft DLH4 is adjacent at B, possibly colliding"},
        {"static next door", 1,
         [&] {
             traffic.statics.push_back(test::gf_staticAt("KLM8*", "B738", stands[1], SimObjectState::adding2sim, 8));
             stands[0].adjacentStands = {2};
         },
         "A       : no static parking for KLM1, static aircraft KLM8* is adjacent at B, possibly colliding"},
        {"occupied", 1, [&] { stands[0].occupied = true; },
         "A       : no static parking for KLM1, live aircraft occupies the stand"},
        {"no such stand", 9, [] {}, "==> stand with id sid==? not found"},
        {"no livery", 3, [] {}, "no livery match"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        traffic.live.clear();
        traffic.statics.clear();
        stands[0].adjacentStands.clear();
        stands[0].occupied = false;
        c.arrange();
        SelectedParkPosition p = position(c.stand, "KLM1");
        if (std::string_view(c.what) == "no livery") {
            // Only a livery of the registration would do.
            settings::matchingDepth.set(1);
            p.registration = "N12345";
        }
        const std::size_t staticsBefore = traffic.statics.size();
        EXPECT_NE(place(p).find(c.logged), std::string::npos) << folder.logText();
        EXPECT_EQ(traffic.statics.size(), staticsBefore) << "nothing created, no trace left";
        EXPECT_EQ(traffic.creations, 0);
    }
    settings::matchingDepth.set(settings::matchingDepth.defaultValue());
}

TEST_F(Placement, TheMaxParkLimitRemovesTheLongestParkedLiveAndTheEarliestActiveStatic)
{
    test::FakeSteadyTime time;
    const auto arrange = [&] {
        traffic.live = {test::gf_parkedLive("DLH1", "A20N", stands[0], 501),
                        test::gf_parkedLive("DLH2", "A20N", stands[1], 502)};
        traffic.live[0].parkedSince = time.now() - 30min;
        traffic.live[1].parkedSince = time.now() - 90min;
        traffic.statics = {test::gf_staticAt("KLM5*", "B738", stands[2], SimObjectState::adding2sim, 5),
                           test::gf_staticAt("KLM6*", "B738", stands[2], SimObjectState::active, 6),
                           test::gf_staticAt("KLM7*", "B738", stands[2], SimObjectState::active, 7)};
        // The one being added began earliest, but only an active aircraft can go. On Monday 01:00 the one parked
        // Sunday 23:00 began before the one parked Monday 00:30.
        traffic.now = {1, 2};
        traffic.statics[0].parkedWeekday = 7;
        traffic.statics[0].parkedSlot = 10;
        traffic.statics[1].parkedWeekday = 7;
        traffic.statics[1].parkedSlot = 46;
        traffic.statics[2].parkedWeekday = 1;
        traffic.statics[2].parkedSlot = 1;
        traffic.removed.clear();
    };
    struct Case {
        bool initialLoadOnly;
        int32_t limit;
        bool oneMoreLive;
        std::vector<std::string> removed;
    };
    const Case cases[] = {{false, 2, true, {"DLH2", "KLM6*"}},
                          {true, 2, true, {"KLM6*"}},
                          {false, 2, false, {"KLM6*"}},
                          {false, 4, false, {}},
                          {false, 0, true, {}}};
    for (const Case& c : cases) {
        arrange();
        settings::initialLoadOnly.set(c.initialLoadOnly);
        gf_checkMaxPark(c.oneMoreLive, c.limit, traffic, stands, time);
        EXPECT_EQ(traffic.removed, c.removed)
            << "initial load only " << c.initialLoadOnly << ", limit " << c.limit << ", one more " << c.oneMoreLive;
    }
    settings::initialLoadOnly.set(false);
}

} // namespace
} // namespace hlw
