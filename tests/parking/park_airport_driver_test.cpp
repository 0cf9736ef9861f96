// The park-airport driver: the nearest list airport in sight (range and height inclusive), leaving when out of
// sight or when a list airport at the same distance or nearer comes first, the back-off after a failed load, the
// user's stand at the load becoming the reserved stand, and the "Re-read" check.
#include "parking/parking_service.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"
#include "support/fake_steady_time.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const LatLon ehamAt{52.3086, 4.7639};
const std::string stands = R"(
    <parkpos id="A1" latitude="52.310000" longitude="4.760000" radius="30" type="5" />
    <parkpos id="B2" latitude="52.312000" longitude="4.760000" radius="30" type="5" />)";

std::string lf_airport(const std::string& parkpositions = stands)
{
    return test::apfText(parkpositions, R"(<parameter name="airport_name" value="Test" />
        <parameter name="publisher" value="simaddon" /><parameter name="altitude" value="-11" />)");
}

// The point this many nautical miles north of the position, never beyond it by rounding.
LatLon lf_northOf(const LatLon& from, double nm)
{
    LatLon at = gf_destinationPoint(from, 0.0, nm * 6076.11549);
    while (gf_distanceNm(from, at) > nm) {
        at.lat -= 1e-12;
    }
    return at;
}

class Driver : public ::testing::Test {
  protected:
    Driver()
    {
        gf_installAirports({{AirportCode("EHAM"), gf_noIataCode(), ehamAt.lat, ehamAt.lon, -11.0F, 0},
                            {AirportCode("EHTW"), gf_noIataCode(), ehamAt.lat, ehamAt.lon, 0.0F, 0},
                            {AirportCode("EHRD"), gf_noIataCode(), 51.9569, 4.4372, -15.0F, 0}});
        for (const char* icao : {"EHAM", "EHTW"}) {
            folder.write(fmt::format("airports/my_simaddon/{}.xml", icao), lf_airport());
        }
        settings::airpRange.set(10);
        settings::airpHeight.set(3000);
    }
    ~Driver() override
    {
        settings::airpRange.set(settings::airpRange.defaultValue());
        settings::airpHeight.set(settings::airpHeight.defaultValue());
    }

    void fly(const LatLon& at, double aboveGroundFt) { traffic.user = UserAircraftState{at, aboveGroundFt, 250.0, false}; }
    void standAt(const LatLon& at) { traffic.user = UserAircraftState{at, 0.0, 0.0, true}; }
    std::string code() const { return status.snapshot().parkAirportCode; }

    test::ParkingFolder folder;
    test::FakeParkingTraffic traffic;
    StatusBoard status;
    test::FakeSteadyTime time;
    ParkingService service{traffic, status, time};
};

TEST_F(Driver, TheNearestListAirportIsInSightWithinRangeAndHeightInclusive)
{
    folder.write("airports/my_park_airports.txt", "EHAM\n");
    ASSERT_TRUE(service.readParkAirportList());
    struct Case {
        double nm;
        double aboveGroundFt;
        bool inSight;
    };
    const Case cases[] = {{10.05, 1000.0, false}, {10.0, 3001.0, false}, {10.0, 3000.0, true}};
    for (const Case& c : cases) {
        fly(lf_northOf(ehamAt, c.nm), c.aboveGroundFt);
        service.driveParkAirport(false);
        EXPECT_EQ(code(), c.inSight ? "EHAM" : "") << c.nm << " nm at " << c.aboveGroundFt << " ft";
    }
    EXPECT_NE(folder.logText().find("EHAM in sight at 10.0 nm"), std::string::npos);
    EXPECT_FALSE(service.fileLoaded());
    service.driveParkAirport(false);
    EXPECT_TRUE(service.fileLoaded()) << "loaded at the next run";
}

TEST_F(Driver, ClimbingThroughTheHeightLeavesTheParkAirportAndSavesWhatItLearned)
{
    folder.write("airports/my_park_airports.txt", "EHAM\n");
    ASSERT_TRUE(service.readParkAirportList());
    fly(lf_northOf(ehamAt, 5.0), 2000.0);
    service.driveParkAirport(false);
    service.driveParkAirport(false);
    ASSERT_TRUE(service.fileLoaded());
    traffic.statics.push_back(test::gf_staticAt("KLM1*", "B738", service.park().state.stands[0],
                                                SimObjectState::active, 1));
    fly(lf_northOf(ehamAt, 5.0), 3001.0);
    service.driveParkAirport(false);
    EXPECT_FALSE(service.fileLoaded());
    EXPECT_EQ(code(), "");
    EXPECT_EQ(traffic.statics[0].state, SimObjectState::removingfromsim) << "its static aircraft go";
    EXPECT_NE(folder.logText().find("is out of sight (5.0 nm), parked aircraft will be removed"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder.dir / "airports/learned/my_simaddon/EHAM.xml")) << "saved at the leave";
}

TEST_F(Driver, AListAirportAtTheSameDistanceComingFirstTakesOver)
{
    folder.write("airports/my_park_airports.txt", "EHAM\nEHTW\n");
    ASSERT_TRUE(service.readParkAirportList());
    fly(lf_northOf(ehamAt, 4.0), 2000.0);
    service.driveParkAirport(false);
    service.driveParkAirport(false);
    ASSERT_EQ(code(), "EHAM");
    ASSERT_TRUE(service.fileLoaded());
    // Both lie at the same distance; the destination puts EHTW first.
    service.addParkAirport(AirportCode("EHTW"), ehamAt);
    fly(lf_northOf(ehamAt, 3.0), 2000.0);
    service.driveParkAirport(false);
    EXPECT_EQ(code(), "") << "EHAM left";
    EXPECT_NE(folder.logText().find("EHTW is in sight (3.0 nm), parked aircraft at EHAM will be removed first"),
              std::string::npos);
    service.driveParkAirport(false);
    EXPECT_EQ(code(), "EHTW");
}

TEST_F(Driver, AnAirportWhoseLoadFailedIsLeftAloneForTenMinutes)
{
    folder.write("airports/my_simaddon/EHAM.xml", lf_airport(R"(<parkpos id="Z" latitude="0" longitude="0" />)"));
    standAt(ehamAt);
    service.driveParkAirport(true);
    service.driveParkAirport(false);
    EXPECT_FALSE(service.fileLoaded());
    EXPECT_NE(folder.logText().find("no stands found"), std::string::npos);
    const std::size_t chosen = folder.logText().find("The park airport is EHAM");
    for (int run = 0; run < 3; ++run) {
        time.advance(3min);
        service.driveParkAirport(false);
    }
    EXPECT_EQ(folder.logText().find("The park airport is EHAM", chosen + 1), std::string::npos);
    time.advance(1min);
    service.driveParkAirport(false);
    EXPECT_NE(folder.logText().find("The park airport is EHAM", chosen + 1), std::string::npos);
}

TEST_F(Driver, TheUsersStandAtTheLoadIsReservedAndReReadPicksUpAnEditedStand)
{
    const fs::path list = folder.dir / "airports/my_park_airports.txt";
    folder.write("airports/my_park_airports.txt", "EHRD\n");
    ASSERT_TRUE(service.readParkAirportList());
    standAt({52.31, 4.76});
    service.driveParkAirport(true);
    service.driveParkAirport(false);
    ASSERT_TRUE(service.fileLoaded());
    EXPECT_EQ(service.reservedStand(), "A1");
    EXPECT_EQ(test::readWholeFile(list), "EHAM,A1\nEHRD\n");
    EXPECT_EQ(service.firstParkAirport()->reservedStand, "A1");
    EXPECT_TRUE(status.snapshot().reservedStandFound);

    // The user edits the file while taxiing away from any stand.
    test::writeWholeFile(list, "EHAM,B2\nEHRD\n");
    fly({52.30, 4.70}, 0.0);
    traffic.user->onGround = true;
    EXPECT_EQ(service.checkReservedStands(), "reserved stand changed from 'A1' to 'B2'");
    EXPECT_EQ(service.reservedStand(), "B2");
    EXPECT_TRUE(service.park().state.stands[1].reserved);
    EXPECT_FALSE(service.park().state.stands[0].reserved);
    EXPECT_EQ(service.checkReservedStands(), "park airports and stands are okay");
    test::writeWholeFile(list, "LOWW\n");
    EXPECT_EQ(service.checkReservedStands(), std::nullopt) << "an unknown airport: the list's message stands";
}

TEST_F(Driver, AReloadSearchesTheNewStandTableForTheUsersStand)
{
    const LatLon user{52.31, 4.76};
    standAt(user);
    ASSERT_TRUE(service.chooseParkAirport(AirportCode("EHAM")));
    ASSERT_EQ(service.loadParkAirport(), "");
    ASSERT_EQ(service.nearestStandName(user.lat, user.lon), "A1");

    // The stand where the user stands has another name in the file read next; the position has not moved.
    folder.write("airports/my_simaddon/EHAM.xml",
                 lf_airport(R"(<parkpos id="K7" latitude="52.310000" longitude="4.760000" radius="30" type="5" />)"));
    service.closeParkAirport();
    ASSERT_TRUE(service.chooseParkAirport(AirportCode("EHAM")));
    ASSERT_EQ(service.loadParkAirport(), "");
    EXPECT_EQ(service.nearestStandName(user.lat + 1e-9, user.lon), "K7");
    EXPECT_EQ(service.reservedStand(), "K7") << "no stand of the old table becomes the reserved stand";
    EXPECT_EQ(test::readWholeFile(folder.dir / "airports/my_park_airports.txt"), "EHAM,K7\n");
}

} // namespace
} // namespace hlw
