// Loading the park airport's file from a local HTTP server or the program folder: every failure leaves no file,
// nothing loaded and the user's settings in force; a success numbers and links the stands and hands the airport
// to the traffic intake; the first visit's defaults; a file beyond a bound (stands that overlap beyond the stand
// index's bound, too many bytes, elements or stands) is refused. The closest stand of a destination airport and
// what is kept of it.
#include "parking/apf_load.h"
#include "parking/apf_reader.h"
#include "parking/destination_stands.h"
#include "parking/parking_service.h"
#include "parking/stand_index.h"

#include "core/message_line.h"
#include "http_test_server.h"
#include "parking_fixture.h"
#include "parking_world.h"
#include "refdata/download_settings.h"
#include "settings/catalogue.h"
#include "support/fake_steady_time.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::writeWholeFile;

const AirportCode eham("EHAM");

// Three stands at Schiphol (two of them blocking each other) and one without a position.
const std::string ehamStands = R"(
    <parkpos id="D2" latitude="52.310000" longitude="4.760000" heading="90.0" radius="24.0" type="9" />
    <parkpos id="D4" latitude="52.310300" longitude="4.760000" heading="90.0" radius="24.0" type="9" />
    <parkpos id="E1" latitude="52.320000" longitude="4.770000" heading="180.0" radius="30.0" type="10" />
    <parkpos id="X0" latitude="0" longitude="0" />)";

std::string lf_parameters(const std::string& extra, bool altitude = true)
{
    return fmt::format(R"(<parameter name="airport_name" value="Schiphol" /><parameter name="publisher" value="" />{}{})",
                       altitude ? R"(<parameter name="altitude" value="-11" />)" : "", extra);
}

// A learned file that overrides five of the eight settings.
const std::string learnedOverrides = test::apfText(
    "", R"(<parameter name="airport_name" value="Schiphol" /><parameter name="RANGE" value="77" />
    <parameter name="WEEK" value="true" /><parameter name="PARK_SOFT" value="true" />
    <parameter name="MAX_LIVE_SEL" value="123" /><parameter name="parking_percentage" value="65" />)");

class ParkAirportLoad : public ::testing::Test {
  protected:
    ParkAirportLoad()
    {
        gf_installAirports({{eham, gf_noIataCode(), 52.3086, 4.7639, -11.0F, 208},
                            {AirportCode("EHRD"), gf_noIataCode(), 51.9569, 4.4372, -15.0F, 0},
                            {AirportCode("LOWW"), gf_noIataCode(), 48.1103, 16.5697, 600.0F, 2}});
        serve("EHAM", test::apfText(ehamStands, lf_parameters("")));
        server = std::make_unique<test::HttpTestServer>(folder.dir / "www");
        useBase("");
    }
    ~ParkAirportLoad() override { gf_setDownloadSettings({}); }

    void serve(const std::string& icao, const std::string& text) const
    {
        folder.write(fs::path("www") / "MSFS" / "archive" / "stock" / (icao + ".xml"), text);
    }
    void useBase(const std::string& prefix, int lowSpeedTimeSeconds = 1) const
    {
        DownloadSettings settings;
        settings.baseAddress = server->url(prefix);
        settings.allowPlainHttp = true;
        settings.connectTimeoutSeconds = 5;
        settings.lowSpeedTimeSeconds = lowSpeedTimeSeconds;
        gf_setDownloadSettings(settings);
    }
    std::string load(const AirportCode& code = eham)
    {
        EXPECT_TRUE(service.chooseParkAirport(code));
        return service.loadParkAirport();
    }

    test::ParkingFolder folder;
    std::unique_ptr<test::HttpTestServer> server;
    test::FakeParkingTraffic traffic;
    StatusBoard status;
    test::FakeSteadyTime time;
    ParkingService service{traffic, status, time};
    const fs::path downloaded = folder.dir / "airports" / "park_airport.xml";
};

TEST_F(ParkAirportLoad, EveryFailureLeavesNoFileNothingLoadedAndTheUsersSettings)
{
    folder.write("airports/learned/stock/EHAM.xml", learnedOverrides);
    const OverriddenSettings users = OverriddenSettings::current();
    struct Case {
        const char* what;
        std::string prefix;
        std::string served; // empty: the good file
        const char* error;
        bool downloadFails = false;
    };
    const Case cases[] = {
        {"404", "404/", "", "failed to download: 'http://127.0.0.1", true},
        {"cut body", "cut/", "", "failed to download", true},
        {"stalled body", "stallbody/3/", "", "failed to download", true},
        {"junk with status 200", "junk/", "", "could not load file"},
        {"missing altitude", "", test::apfText(ehamStands, lf_parameters("", false)),
         "gf_readApf: 65: Parameter altitude not found"},
        {"zero stands", "", test::apfText(R"(<parkpos id="X0" latitude="0" longitude="0" />)", lf_parameters("")),
         "no stands found"},
        {"bad stand id", "", test::apfText(R"(<parkpos latitude="1" longitude="1" />)", lf_parameters("")),
         "gf_readApf: 93: Parking position #1 has no 'id' attribute."},
        {"no meta block", "", "<root><parameters/><parkpositions/></root>", "refused to load"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A file of an earlier airport is never taken for this one.
        writeWholeFile(downloaded, test::apfText(ehamStands, lf_parameters("")));
        serve("EHAM", c.served.empty() ? test::apfText(ehamStands, lf_parameters("")) : c.served);
        useBase(c.prefix);
        const std::string error = load();
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        if (c.downloadFails) {
            EXPECT_FALSE(fs::exists(downloaded));
        }
        EXPECT_FALSE(service.fileLoaded());
        EXPECT_FALSE(service.parkAirportActive());
        EXPECT_EQ(OverriddenSettings::current(), users);
        EXPECT_FALSE(traffic.parkAirport.has_value());
        EXPECT_FALSE(status.snapshot().fileLoaded);
        service.closeParkAirport();
        EXPECT_EQ(OverriddenSettings::current(), users) << "nothing kept for a failed load";
    }
}

TEST_F(ParkAirportLoad, ALoadNumbersAndLinksTheStandsAndTheCloseRestoresTheSettings)
{
    folder.write("airports/learned/stock/EHAM.xml", learnedOverrides);
    const OverriddenSettings users = OverriddenSettings::current();
    ASSERT_EQ(load(), "");
    EXPECT_TRUE(fs::exists(downloaded));
    EXPECT_TRUE(service.fileLoaded());
    const std::vector<StandRecord>& stands = service.park().state.stands;
    ASSERT_EQ(stands.size(), 3U);
    EXPECT_EQ(service.standName(3), "E1");
    EXPECT_EQ(stands[0].adjacentStands, std::vector<StandNumber>{2});
    EXPECT_EQ(stands[1].adjacentStands, std::vector<StandNumber>{1});
    EXPECT_TRUE(stands[2].adjacentStands.empty());
    EXPECT_EQ(service.park().learnedPath, fs::path("airports/learned/stock/EHAM.xml"));
    EXPECT_EQ(settings::range.get(), 77);
    EXPECT_TRUE(settings::week.get());
    ASSERT_TRUE(traffic.parkAirport.has_value());
    EXPECT_DOUBLE_EQ(traffic.parkAirport->lat, 52.3086);
    EXPECT_DOUBLE_EQ(traffic.parkAirportElevationFt, -11.0);
    EXPECT_DOUBLE_EQ(service.parkAirportElevationFt(), -11.0);
    const StatusValues shown = status.snapshot();
    EXPECT_TRUE(shown.fileLoaded);
    EXPECT_EQ(shown.parkAirportCode, "EHAM");
    EXPECT_EQ(shown.standCount, 3);
    EXPECT_EQ(shown.airportNameText, "Schiphol");
    EXPECT_NE(folder.logText().find("Airport file read from 'airports/park_airport.xml' for EHAM"), std::string::npos);

    service.closeParkAirport();
    EXPECT_EQ(OverriddenSettings::current(), users);
    EXPECT_FALSE(service.fileLoaded());
    EXPECT_FALSE(service.hasStands());
    EXPECT_FALSE(traffic.parkAirport.has_value());
    EXPECT_EQ(status.snapshot().parkAirportCode, "");
}

TEST_F(ParkAirportLoad, ALocalFileIsNeverDownloaded)
{
    useBase("404/");
    folder.write("airports/my_thirdparty/EHAM.xml",
                 test::apfText(ehamStands, R"(<parameter name="publisher" value="Northwind Scenery" />
                                              <parameter name="altitude" value="-11" />)"));
    ASSERT_EQ(load(), "");
    EXPECT_FALSE(fs::exists(downloaded));
    EXPECT_EQ(service.park().learnedPath, fs::path("airports/learned/thirdparty/Northwind Scenery/EHAM.xml"));
    EXPECT_EQ(folder.logText().find("failed to download"), std::string::npos);
}

TEST_F(ParkAirportLoad, TheFirstVisitChoosesSoftUseAndTheShareOfStandsByTheAirportsSize)
{
    struct Case {
        const char* icao;
        const char* quality;
        bool softAndWeekBefore;
        bool softAndWeek;
        int32_t maxFit;
        int32_t percentage;
    };
    // Little real use but some soft use switches soft and other-weekday use on over a whole day; much real use
    // switches them off; an airport of 2 stands is filled by half.
    const Case cases[] = {
        {"EHAM", R"(<parameter name="Qf_real" value="0" /><parameter name="Qf_soft" value="10" />)", false, true, 47,
         30},
        {"EHAM", R"(<parameter name="Qf_real" value="60" /><parameter name="Qf_soft" value="10" />)", true, false, 20,
         30},
        {"LOWW", "", true, true, 20, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.icao);
        test::resetAirportSettings();
        settings::maxFit.set(20);
        settings::week.set(c.softAndWeekBefore);
        settings::parkSoft.set(c.softAndWeekBefore);
        serve(c.icao, test::apfText(ehamStands, lf_parameters(c.quality)));
        ASSERT_EQ(load(AirportCode(c.icao)), "");
        EXPECT_EQ(settings::week.get(), c.softAndWeek);
        EXPECT_EQ(settings::parkSoft.get(), c.softAndWeek);
        EXPECT_EQ(settings::maxFit.get(), c.maxFit);
        if (c.maxFit == 47) {
            EXPECT_FLOAT_EQ(settings::maxFitFl.get(), 24.0F) << "the hours follow the half hours";
        }
        EXPECT_EQ(settings::parkingPercentage.get(), c.percentage);
        service.closeParkAirport();
        EXPECT_EQ(settings::week.get(), c.softAndWeekBefore) << "the user's value is back";
        // The close saved the first visit's learned file; the next case is a first visit again.
        fs::remove_all(folder.dir / "airports" / "learned");
    }
}

TEST_F(ParkAirportLoad, OnTheGroundTheAirportWhereTheUserStandsIsLoadedAtTheNextRun)
{
    struct Case {
        LatLon user;
        bool onGround;
        const char* message; // nullptr: EHAM chosen
    };
    const Case cases[] = {{{52.3086, 4.7639}, false, ""},
                          {{10.0, 10.0}, true, "User aircraft on the ground, no RT supported airport in sight"},
                          {{51.9569, 4.4372}, true, "User aircraft on the ground at EHRD, no airport file found"},
                          {{52.3086, 4.7639}, true, nullptr}};
    for (const Case& c : cases) {
        traffic.user = UserAircraftState{c.user, 0.0, 0.0, c.onGround};
        const std::size_t logBefore = folder.logText().size();
        service.driveParkAirport(true);
        const std::string log = folder.logText().substr(logBefore);
        if (c.message != nullptr) {
            EXPECT_EQ(status.snapshot().parkAirportCode, "");
            if (*c.message != '\0') {
                EXPECT_NE(log.find(c.message), std::string::npos) << log;
            }
            continue;
        }
        EXPECT_NE(log.find("User aircraft on the ground at EHAM"), std::string::npos) << log;
        EXPECT_EQ(status.snapshot().parkAirportCode, "EHAM");
        EXPECT_TRUE(service.staticParkingBusy());
        EXPECT_TRUE(traffic.collecting) << "the callsigns heard until the calculation count as present";
        EXPECT_FALSE(service.fileLoaded()) << "loaded at the next run";
    }
    traffic.heard = {"KLM1"};
    // The archived file arrives beside the driver's runs; the first run after it loads it.
    ASSERT_TRUE(test::gf_within(10s, [&] {
        service.driveParkAirport(false);
        return service.fileLoaded();
    }, 10ms));
    EXPECT_FALSE(traffic.collecting);
    EXPECT_EQ(service.selection().heardCallsigns, (std::unordered_set<std::string>{"KLM1"}));
    EXPECT_EQ(status.snapshot().minutesToStaticUpdate, staticRefreshMinutes);
    EXPECT_NE(folder.logText().find("no parking positions found"), std::string::npos) << "no learned use here";
    EXPECT_FALSE(service.staticParkingBusy());
}

// The engine leaves the park airport while its archived file is still arriving: the load is given up with it.
TEST_F(ParkAirportLoad, LeavingTheParkAirportWhileItsFileArrivesGivesTheLoadUp)
{
    useBase("stall/30/");
    traffic.user = UserAircraftState{{52.3086, 4.7639}, 0.0, 0.0, true};
    service.driveParkAirport(true);
    ASSERT_EQ(status.snapshot().parkAirportCode, "EHAM");
    service.leaveParkAirport();
    traffic.user.reset();
    const auto started = std::chrono::steady_clock::now();
    for (int run = 0; run < 5; ++run) {
        service.driveParkAirport(false);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_FALSE(service.fileLoaded());
    EXPECT_EQ(status.snapshot().parkAirportCode, "");
    EXPECT_EQ(folder.logText().find("no park airport set"), std::string::npos) << folder.logText();
}

// The user takes off and climbs out of sight while the file arrives from a server that never finishes: the airport
// is left at once and its download given up within about a second, as by the engine; nothing is loaded or placed
// and no failed load is recorded, so the airport is chosen again at the next landing there.
TEST_F(ParkAirportLoad, ClimbingOutOfSightWhileTheFileArrivesGivesTheLoadAndItsDownloadUp)
{
    useBase("stall/30/", 30);
    const UserAircraftState parked{{52.3086, 4.7639}, 0.0, 0.0, true};
    traffic.user = parked;
    service.driveParkAirport(true);
    ASSERT_EQ(status.snapshot().parkAirportCode, "EHAM");
    const fs::path arriving = fs::path(downloaded) += ".part";
    ASSERT_TRUE(test::gf_within(2s, [&] { return fs::exists(arriving); }, 10ms));
    traffic.user = UserAircraftState{{52.3086, 4.7639}, 25000.0, 250.0, false};
    service.driveParkAirport(false);
    EXPECT_EQ(status.snapshot().parkAirportCode, "");
    EXPECT_TRUE(test::gf_within(2s, [&] { return !fs::exists(arriving); }, 10ms));
    service.driveParkAirport(false);
    const std::string log = folder.logText();
    EXPECT_NE(log.find("EHAM is out of sight"), std::string::npos) << log;
    EXPECT_NE(log.find("Download given up: http://127.0.0.1"), std::string::npos) << log;
    for (const char* never : {"Download error", "failed to download", "Airport file read from"}) {
        EXPECT_EQ(log.find(never), std::string::npos) << never;
    }
    EXPECT_FALSE(service.fileLoaded());
    EXPECT_EQ(traffic.creations, 0);
    EXPECT_EQ(gf_messageLineTexts().message, "");
    traffic.user = parked;
    service.driveParkAirport(false);
    EXPECT_EQ(status.snapshot().parkAirportCode, "EHAM");
}

TEST_F(ParkAirportLoad, AFileBeyondABoundIsRefusedAsAFailedLoad)
{
    // Stands in rows of 100, each of the one radius.
    const auto standsAt = [](int count, double spacingMetres, double radiusMetres) {
        std::string stands;
        for (int i = 0; i < count; ++i) {
            const LatLon row = test::gf_metresFrom({52.30, 4.76}, spacingMetres * (i / 100));
            const LatLon at = test::gf_metresFrom(row, spacingMetres * (i % 100), 90.0);
            stands += fmt::format(R"(<parkpos id="S{}" latitude="{:.7f}" longitude="{:.7f}" radius="{}" />)", i + 1,
                                  at.lat, at.lon, radiusMetres);
        }
        return stands;
    };
    const auto overlapping = [](int count) {
        return fmt::format("airports/my_simaddon/EHAM.xml: refused to load: its {} stands overlap too much (more "
                           "than {} pairs of them lie within each other's reach)",
                           count, maxNearStandPairs);
    };
    // The smallest elements, more than a tree of apfMaxTreeBytes holds.
    std::string denseMarkup;
    for (std::size_t n = 0; n <= apfMaxTreeBytes / 64; ++n) {
        denseMarkup += "<a/>";
    }
    // Each '>' behind an element is a text of its own.
    std::string elementsAndTexts;
    for (std::size_t n = 0; n <= apfMaxTreeBytes / 128; ++n) {
        elementsAndTexts += "<a/>>";
    }
    struct Case {
        const char* what;
        std::string stands;
        std::string refusal; // empty: the file loads
    };
    // Every two stands at one point are a pair: 1,414 give 999,691 pairs, 1,415 give 1,000,405.
    const Case cases[] = {
        {"1,414 stands at one point", standsAt(1414, 0.0, 30.0), ""},
        {"1,415 stands at one point", standsAt(1415, 0.0, 30.0), overlapping(1415)},
        {"8,000 stands 60 m apart with a radius of 10 km", standsAt(8000, 60.0, 10000.0), overlapping(8000)},
        {"bytes beyond the cap", std::string(apfMaxBytes, ' '),
         "airports/my_simaddon/EHAM.xml: could not load file: is larger than 16777216 bytes"},
        {"elements beyond the tree bound", denseMarkup,
         "airports/my_simaddon/EHAM.xml: could not load file: holds too many elements and attributes (they would "
         "take up to 49 MiB once read, more than 48 MiB)"},
        {"elements and texts of '>' beyond the tree bound", elementsAndTexts,
         "airports/my_simaddon/EHAM.xml: could not load file: holds too many elements and attributes (they would "
         "take up to 49 MiB once read, more than 48 MiB)"},
        {"65,536 stands", standsAt(65536, 10.0, 0.0),
         "gf_readApf: The file holds 65536 stands, more than the 65535 an airport file may hold; none is read."},
    };
    traffic.user = UserAircraftState{{52.3086, 4.7639}, 0.0, 0.0, true};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("airports/my_simaddon/EHAM.xml", test::apfText(c.stands, lf_parameters("")));
        gf_resetMessageLine();
        time.advance(1h); // past the pause after a failed load
        service.driveParkAirport(true);
        const auto started = std::chrono::steady_clock::now();
        service.driveParkAirport(false);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
        EXPECT_EQ(service.fileLoaded(), c.refusal.empty());
        if (c.refusal.empty()) {
            EXPECT_EQ(service.park().state.stands.back().adjacentStands.size(), 1413U);
        } else {
            EXPECT_EQ(gf_messageLineTexts().message, c.refusal);
            EXPECT_FALSE(service.parkAirportActive());
            EXPECT_EQ(status.snapshot().parkAirportCode, "");
            EXPECT_FALSE(traffic.parkAirport.has_value());
        }
        service.closeParkAirport();
    }
}

class Destinations : public ParkAirportLoad {
  protected:
    ClosestStand closest(const AirportCode& code, const LatLon& at = {52.3101, 4.7601}) const
    {
        return destinations.closestStand(code, at);
    }
    DestinationStands destinations{time};
};

TEST_F(Destinations, NoStandIsOneHundredMilesWithoutAnIdAndEachFileIsReadOnce)
{
    std::string withoutStands = test::apfText("", lf_parameters(""));
    const std::string empty = "<parkpositions></parkpositions>";
    withoutStands.erase(withoutStands.find(empty), empty.size());
    serve("LOWW", withoutStands);
    // 2 degrees of latitude south: 120 nm.
    folder.write("airports/my_thirdparty/EHRD.xml",
                 test::apfText(R"(<parkpos id="FAR" latitude="50.3101" longitude="4.7601" />)", lf_parameters("")));
    for (const AirportCode& code : {AirportCode("EHRD"), AirportCode("LOWW"), AirportCode("KJFK")}) {
        const ClosestStand none = closest(code);
        EXPECT_DOUBLE_EQ(none.distanceNm, noStandDistanceNm) << code.str();
        EXPECT_EQ(none.standId, "") << code.str();
    }

    // Asked from the main loop: a stalled server holds it for about a second, not for the stall.
    useBase("stall/30/", 30);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_DOUBLE_EQ(closest(eham).distanceNm, noStandDistanceNm) << "stalled download";
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    time.advance(DestinationStands::failureMemory);
    useBase("404/");
    EXPECT_DOUBLE_EQ(closest(eham).distanceNm, noStandDistanceNm) << "failed download";
    useBase("");
    EXPECT_DOUBLE_EQ(closest(eham).distanceNm, noStandDistanceNm) << "the failure is remembered";
    time.advance(DestinationStands::failureMemory);
    const ClosestStand d2 = closest(eham);
    EXPECT_EQ(d2.standId, "D2");
    EXPECT_LT(d2.distanceNm, 0.01);
    EXPECT_FALSE(fs::exists(folder.dir / "airports" / "airport.xml")) << "the download is removed after the read";

    fs::remove(folder.dir / "www" / "MSFS" / "archive" / "stock" / "EHAM.xml");
    EXPECT_EQ(closest(eham, {52.3203, 4.7701}).standId, "E1") << "the stands are kept: nothing is downloaded again";
}

} // namespace
} // namespace hlw
