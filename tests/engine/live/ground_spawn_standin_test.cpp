// A live aircraft created on the ground at the park airport, through the program's own parts: the traffic engine
// with the program's motion, the parking service with its park airport read from a file, and the simulator client
// thread against the simulator stand-in. A static aircraft takes stand D2 first; then a live aircraft that pushes
// back from D2 is created there, moving and without a stand, and the static aircraft makes way for it.
#include "engine_fixture.h"
#include "headless_driver.h"
#include "livery_world.h"
#include "parking_fixture.h"
#include "sim_link_fixture.h"
#include "standin_process.h"
#include "trajectory.h"

#include "core/log.h"
#include "engine/base/run_state.h"
#include "engine/live/parking_traffic_link.h"
#include "engine/live/traffic_engine.h"
#include "engine/sim/sim_client_link.h"
#include "parking/parking_service.h"
#include "refdata/airports_database.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Tuesday 10:00 to 10:29 UTC.
constexpr WeekdaySlot fixedNow{2, 20};
constexpr LatLon standD2{52.30990, 4.76090};
constexpr double airportElevationFt = -11.0;

class GroundSpawnStandin : public ::testing::Test {
  protected:
    GroundSpawnStandin()
    {
        gf_restoreLiveSettings();
        gf_resetLinkFlags();
        resetAirportSettings();
        nowWeekdaySlot.store(gf_packWeekdaySlot(fixedNow));
        gf_overrideDataFolderPath(world.dir / "user");
        fs::create_directories(world.dir / "user");
        gf_installAirports({{AirportCode("EHAM"), gf_noIataCode(), 52.3086, 4.7639, -11.0F, 1}});
        world.build({{"KLM", "", "B738", false, "Boeing 737-800 KLM", ""}});
        gf_modelCodes().setKnownCodes({"B738"});
        ::setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
        parkingTraffic.attach(engine);
        engine.reserve();
        traffic.setRunning(true);
        link.resetQueues();
        link.start();
    }
    ~GroundSpawnStandin() override
    {
        link.stop();
        link.join();
        parking.closeParkAirport();
        gf_resetLinkFlags();
        gf_restoreLiveSettings();
        resetAirportSettings();
        nowWeekdaySlot.store(0);
        gf_clearAirports();
        gf_overrideDataFolderPath(std::nullopt);
    }

    // One engine tick with the records that have arrived by then; ticks at five times real time, so that the
    // simulator client thread and the stand-in keep up.
    void tick()
    {
        LiveEngineState& state = engine.state();
        while (nextRecord_ < feed_.records.size() && feed_.records[nextRecord_].arrivalTick <= state.tick) {
            traffic.push(TrafficRecord(feed_.records[nextRecord_++].record));
        }
        engine.tick();
        time.advance(10ms);
        next_ = std::max(next_ + 2ms, std::chrono::steady_clock::now());
        std::this_thread::sleep_until(next_);
    }
    bool tickUntil(const std::function<bool()>& done, int32_t maxTicks)
    {
        for (int32_t i = 0; i < maxTicks; ++i) {
            tick();
            if (done()) {
                return true;
            }
        }
        return false;
    }
    // The flight's records, the first 29.5 s of them there at once.
    void schedule(const std::string& flight)
    {
        std::istringstream text(fmt::format("centre {} {}\n{}", standD2.lat, standD2.lon, flight));
        IntakeFilter filter;
        filter.rangeCentre = standD2;
        filter.rangeNm = 100.0;
        filter.parkAirport = ParkAirportFix{standD2, airportElevationFt};
        feed_ = gf_trajectoryOf(feed::gf_parseScenario(text, "push-back"), engine.state().tick - 2950, filter);
        nextRecord_ = 0;
        ASSERT_EQ(feed_.refusedLines, 0);
    }
    // The stand-in's objects of this program whose ATC id ends in '*': the static aircraft.
    int staticObjects()
    {
        int count = 0;
        const nlohmann::json list = standin.control("obj list");
        for (const nlohmann::json& object : list["objects"]) {
            count += object.value("atc_id", std::string()).ends_with('*') ? 1 : 0;
        }
        return count;
    }
    const LiveAircraft* liveAircraft()
    {
        return engine.state().live.empty() ? nullptr : &engine.state().live.front();
    }
    const StaticAircraft* staticAircraft()
    {
        return engine.state().statics.empty() ? nullptr : &engine.state().statics.front();
    }

    LiveryWorld world;
    StandinProcess standin{{"--frames", "120"}};
    RecordingLinkEvents events;
    SimClientLink link{events, SimClientLinkOptions{gf_realSimClientTiming(), gf_testModelFacts}};
    CountingLink liveLink;
    FakeSteadyTime time;
    TrafficQueue traffic{time};
    StatusBoard status;
    FixedQnh readers;
    LiveMotion motion{readers};
    EngineParkingTraffic parkingTraffic{readers, traffic};
    ParkingService parking{parkingTraffic, status, time};
    TrafficEngine engine{{link.commands(), link.replies(), link, liveLink, traffic, parking, status, time,
                          [this] { return world.dir.path(); }},
                         motion};

  private:
    // When the next tick is due in real time.
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now();
    Trajectory feed_;
    std::size_t nextRecord_ = 0;
};

TEST_F(GroundSpawnStandin, APushBackFromAStandThatAStaticAircraftTookMakesItLeave)
{
    // EHAM with stand D2, whose learned use now is a KLM Boeing 737-800.
    const fs::path file = world.dir / "airports" / "my_simaddon" / "EHAM.xml";
    fs::create_directories(file.parent_path());
    writeWholeFile(file, apfText(fmt::format(R"(<parkpos id="D2" latitude="{:.5f}" longitude="{:.5f}" heading="240" )"
                                             R"(radius="30" type="5"><opt airl="KLM" type="B738" day="{}" hh="{}" )"
                                             R"(cs="KLM1234" /></parkpos>)",
                                             standD2.lat, standD2.lon, fixedNow.weekday, fixedNow.slot),
                                 R"(<parameter name="publisher" value="simaddon" /><parameter name="altitude" value="-11" />)"));
    ASSERT_TRUE(standin
                    .control(fmt::format("terrain add {} {} 15 {}", standD2.lat, standD2.lon, airportElevationFt))["ok"]
                    .get<bool>());
    ASSERT_TRUE(gf_eventually([] { return flightRunning.load(); }, 8s));
    // The user aircraft on the ground 2 km north, far from every stand.
    ASSERT_TRUE(standin
                    .control(fmt::format("user set {} {} {} 0 0 0 0 on", standD2.lat + 0.018, standD2.lon,
                                         airportElevationFt))["ok"]
                    .get<bool>());
    ASSERT_TRUE(parking.chooseParkAirport(AirportCode("EHAM")));
    ASSERT_EQ(parking.loadParkAirport(), "");
    parking.calcStaticParking();
    ASSERT_EQ(parking.positionsToPlace(), 1);
    ASSERT_TRUE(tickUntil(
        [this] { return staticAircraft() != nullptr && staticAircraft()->state == SimObjectState::active; }, 3000));
    ASSERT_TRUE(gf_eventually([this] { return staticObjects() == 1; }, 5s));
    EXPECT_EQ(staticAircraft()->flight.callsign, "KLM1234*");

    // Its reports at the stand came before the park airport was there: its first report pushes back already, so
    // it is created moving, without a stand, 8 m from the stand's centre.
    const LatLon first = gf_destinationPoint(standD2, 60.0 * radiansPerDegree, 8.0 / 0.3048);
    const LatLon pushed = gf_destinationPoint(standD2, 60.0 * radiansPerDegree, 70.0 / 0.3048);
    schedule(fmt::format("flight hex=4737095 callsign=KLM1001 type=B738 reg=PH-IFJ from=AMS to=CDG elev=-11 "
                         "lat={:.6f} lon={:.6f} alt=-11 track=240 gs=3 interval=13-14\n"
                         "  push {:.6f} {:.6f} gs=3\n  hold 60\n",
                         first.lat, first.lon, pushed.lat, pushed.lon));
    ASSERT_TRUE(tickUntil(
        [this] { return liveAircraft() != nullptr && liveAircraft()->state == SimObjectState::adding2sim; }, 4000));
    EXPECT_EQ(liveAircraft()->standNumber, 0) << "created without a stand";
    EXPECT_NE(liveAircraft()->phase, MovementPhase::parked);
    ASSERT_TRUE(tickUntil(
        [this] { return liveAircraft() != nullptr && liveAircraft()->state == SimObjectState::active; }, 3000));
    // The removal goes out within 10 ticks; the stand-in confirms it as fast as the machine passes it on.
    tickUntil([] { return false; }, 50);
    EXPECT_TRUE(gf_eventually([this] { return staticObjects() == 0; }, 5s))
        << "the static aircraft stays under the live one";
    tickUntil([this] { return staticAircraft() == nullptr; }, 500);
    EXPECT_EQ(staticAircraft(), nullptr);
    const std::string log = world.logText();
    const std::size_t at = log.find("makes way for KLM1001 PH-IFJ");
    ASSERT_NE(at, std::string::npos) << log;
    // The line of the stand and the static aircraft (npos + 1 is the log's start).
    const std::size_t line = log.rfind('\n', at) + 1;
    EXPECT_EQ(log.substr(line, 19), "D2      : KLM1234* ") << log;
    EXPECT_FALSE(simConnectError.load());
}

} // namespace
} // namespace hlw::test
