// The live aircraft against the simulator stand-in: the headless driver paced at five (or ten) times real time, its
// commands sent and its replies received by the real simulator client thread over loopback TCP. Airborne runs
// around the user aircraft, and at the fixture airport (terrain at 364 ft) a landing to a stand and a push-back to
// a take-off.
#include "headless_driver.h"
#include "livery_world.h"
#include "motion_scenarios.h"
#include "sim_link_fixture.h"
#include "standin_process.h"
#include "trajectory.h"

#include "core/log.h"
#include "engine/base/run_state.h"
#include "engine/live/live_lifecycle.h"
#include "engine/sim/sim_client_link.h"
#include "platform/os/user_folders.h"
#include "records/refused_titles.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <thread>

namespace hlw::test {
namespace {

using namespace std::chrono_literals;

// The stand-in's static CG request goes through the link; the livery is matched in the world's tables.
class LinkServices final : public LiveServices {
  public:
    explicit LinkServices(SimClientLink& link) : link_(link) {}
    void requestStaticCg(uint32_t objectId) override { link_.requestStaticCg(objectId); }
    void setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) override
    {
        link_.setSpoilersThrottle(objectId, data);
    }

  private:
    SimClientLink& link_;
};

class LiveStandin : public ::testing::Test {
  protected:
    explicit LiveStandin(const std::vector<std::string>& standinOptions = {"--frames", "120"}) : standin(standinOptions)
    {
        gf_restoreLiveSettings();
        gf_resetLinkFlags();
        ::setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
        // The livery build saves the categories it switches off: into the test's folder.
        ::setenv(os::roamingFolderVariable, world.dir.path().c_str(), 1);
        world.build({{"KLM", "", "B738", false, "Boeing 737-800 KLM Refused", "PH-BXA"},
                     {"KLM", "", "B738", false, "Boeing 737-800 KLM", ""}});
        link.resetQueues();
        link.start();
        driver.services = &services;
        driver.afterTick = [this] {
            if (driver.state.tick % 20 == 0) {
                link.requestAircraftInRange(20 * 1852);
            }
        };
    }
    ~LiveStandin() override
    {
        link.stop();
        link.join();
        gf_resetLinkFlags();
        gf_refusedTitles().clear();
        gf_restoreLiveSettings();
        ::unsetenv(os::roamingFolderVariable);
    }

    // The user aircraft known; the traffic of the scenario text around it, its first position due at once.
    void schedule(const std::string& flights)
    {
        ASSERT_TRUE(gf_eventually([] { return flightRunning.load(); }, 8s));
        link.requestUserOnGround();
        ASSERT_TRUE(gf_eventually(
            [this] {
                link.requestUserAcPosition();
                return link.user().positionKnown();
            },
            8s));
        const LatLon user = link.user().position();
        std::istringstream text(fmt::format("centre {} {}\n{}", user.lat, user.lon, flights));
        driver.state.tick = 10000;
        const Trajectory trajectory = gf_trajectoryOf(feed::gf_parseScenario(text, "test"), 10000 - 2950);
        driver.schedule(trajectory.records);
    }
    // Ticks at five times real time (or at the pace given per tick) until the condition holds; false after the
    // simulated limit. A tick that comes late (a check that waited, a loaded machine) is not made up for by a burst
    // of ticks.
    bool runUntil(const std::function<bool()>& done, int32_t maxTicks,
                  std::chrono::microseconds perTick = std::chrono::microseconds(2000))
    {
        auto next = std::chrono::steady_clock::now();
        for (int32_t i = 0; i < maxTicks; ++i) {
            driver.tick();
            if (done()) {
                return true;
            }
            next = std::max(next + perTick, std::chrono::steady_clock::now());
            std::this_thread::sleep_until(next);
        }
        return false;
    }
    // The distance in metres between the stand-in's object and a position; none while the object is unknown.
    std::optional<double> metresFrom(uint32_t objectId, const AiPositionData& position)
    {
        const nlohmann::json object = standin.control(fmt::format("obj get {}", objectId))["object"];
        if (!object.is_object()) {
            return std::nullopt;
        }
        return gf_distanceNm({position.latDeg, position.lonDeg}, {object["lat"], object["lon"]}) * 1852.0;
    }
    std::vector<nlohmann::json> ownObjects()
    {
        std::vector<nlohmann::json> own;
        const nlohmann::json list = standin.control("obj list");
        for (const nlohmann::json& object : list["objects"]) {
            if (object["kind"] == "own") {
                own.push_back(object);
            }
        }
        return own;
    }

    LiveryWorld world;
    StandinProcess standin;
    RecordingLinkEvents events;
    SimClientLink link{events, SimClientLinkOptions{gf_realSimClientTiming(), gf_testModelFacts}};
    LinkServices services{link};
    HeadlessDriver driver{link.commands(), link.replies()};
};

TEST_F(LiveStandin, AnAirborneAircraftIsCreatedBoundFlownAndRemovedWhenItsMadeUpPositionsRunOut)
{
    schedule("flight hex=4840101 callsign=KLM201 type=B738 reg=PH-BXZ bearing=0 dist=4 alt=5000 track=90 gs=250\n"
             "fly 12\nfly 12 turn=3\n");
    const auto active = [this] {
        return !driver.state.live.empty() && driver.state.live[0].state == SimObjectState::active;
    };
    ASSERT_TRUE(runUntil(active, 3000));
    const uint32_t objectId = driver.state.live[0].objectId;
    EXPECT_EQ(standin.control(fmt::format("obj get {}", objectId))["object"]["atc_id"], "KLM201");

    // The object follows what is sent, on the straight and the turning legs: every 200 ticks, while the aircraft is
    // active, the object reaches the position sent last. The ticks wait meanwhile, so nothing newer is sent; how
    // long the position takes to arrive depends on the load of the machine, not on the program.
    int followed = 0;
    ASSERT_TRUE(runUntil(
        [&] {
            const bool sentNow = !driver.sent.empty() && driver.sent.back().tick == driver.state.tick - 1 &&
                                 driver.sent.back().update.objectId == objectId;
            if (driver.state.tick % 200 == 0 && sentNow && !driver.state.live.empty() &&
                driver.state.live[0].state == SimObjectState::active) {
                const AiPositionData sent = driver.sent.back().update.data;
                std::optional<double> metres;
                EXPECT_TRUE(gf_eventually(
                    [&] {
                        metres = metresFrom(objectId, sent);
                        return metres && *metres < 150.0;
                    },
                    5s))
                    << "tick " << driver.state.tick << ": "
                    << (metres ? fmt::format("{:.0f} m", *metres) : "no object");
                ++followed;
            }
            return driver.state.live.empty();
        },
        12000));
    EXPECT_GE(followed, 20);
    ASSERT_TRUE(gf_eventually([this] { return ownObjects().empty(); }, 3s));
    EXPECT_FALSE(simConnectError.load());
}

// The stand-in as every run starts it, without options: its first object is the program's at once, never taken
// for the user's or given up and created again.
class LiveStandinWithDefaults : public LiveStandin {
protected:
    LiveStandinWithDefaults() : LiveStandin({}) {}
};

TEST_F(LiveStandinWithDefaults, TheFirstAircraftIsBoundAndFollowsItsPositions)
{
    schedule("flight hex=4840104 callsign=KLM204 type=B738 reg=PH-BXW bearing=270 dist=4 alt=5000 track=0 gs=250\n"
             "fly 60\n");
    ASSERT_TRUE(runUntil([this] {
        return !driver.state.live.empty() && driver.state.live[0].state == SimObjectState::active;
    }, 3000));
    const uint32_t objectId = driver.state.live[0].objectId;
    EXPECT_GT(objectId, link.user().objectId());
    EXPECT_EQ(standin.control(fmt::format("obj get {}", objectId))["object"]["atc_id"], "KLM204");
    ASSERT_TRUE(runUntil([this] { return driver.state.tick % 100 == 0; }, 100));
    ASSERT_FALSE(driver.sent.empty());
    const AiPositionData sent = driver.sent.back().update.data;
    EXPECT_EQ(driver.sent.back().update.objectId, objectId);
    EXPECT_TRUE(gf_eventually([&] { return metresFrom(objectId, sent).value_or(1e9) < 150.0; }, 5s));
    EXPECT_EQ(driver.handedCreations.size(), 1u);
    EXPECT_EQ(ownObjects().size(), 1u);
}

TEST_F(LiveStandin, ARefusedTitleIsNeverChosenAgain)
{
    ASSERT_TRUE(standin.control("create fail *Refused*")["ok"].get<bool>());
    // Samples of the first 30 s are there at once; the refusal drops the aircraft, and a later sample brings it back.
    schedule("flight hex=4840102 callsign=KLM202 type=B738 reg=PH-BXA bearing=90 dist=4 alt=5000 track=0 gs=250\n"
             "fly 60\n");
    ASSERT_TRUE(runUntil(
        [this] { return !driver.state.live.empty() && driver.state.live[0].state == SimObjectState::active; }, 6000));
    ASSERT_GE(driver.handedCreations.size(), 2u);
    EXPECT_EQ(driver.handedCreations[0].title, "Boeing 737-800 KLM Refused");
    for (std::size_t i = 1; i < driver.handedCreations.size(); ++i) {
        EXPECT_EQ(driver.handedCreations[i].title, "Boeing 737-800 KLM");
    }
    EXPECT_TRUE(gf_refusedTitles().contains("Boeing 737-800 KLM Refused"));
}

TEST_F(LiveStandin, ARemovalWhileTheCreationIsQueuedWithdrawsIt)
{
    schedule("flight hex=4840103 callsign=KLM203 type=B738 reg=PH-BXY bearing=180 dist=4 alt=5000 track=0 gs=250\n"
             "fly 20\n");
    bool removed = false;
    ASSERT_TRUE(runUntil(
        [&] {
            if (!removed && !driver.state.liveCreations.empty()) {
                LiveContext live = driver.context();
                removeAircraftFromSim(live, driver.state.live.at(0));
                removed = true;
            }
            return removed && driver.state.live.empty();
        },
        3000));
    runUntil([] { return false; }, 300);
    EXPECT_TRUE(driver.handedCreations.empty());
    EXPECT_TRUE(ownObjects().empty());
}

// The fixture airport in the stand-in's world: its terrain at 364 ft, its stands behind the parking port, the
// touchdown's spoilers and throttle sent as data through the link; the user aircraft parked 2 km north of it.
class LiveStandinAirport : public LiveStandin {
  protected:
    LiveStandinAirport()
    {
        world.build({{"SWR", "", "A320", false, "Airbus A320 Swiss", ""}});
        driver.parkingPort = &airport;
        driver.sim = &link;
    }
    void scheduleFlight(const std::string& flight)
    {
        const LatLon centre = *airport.parkAirportPosition();
        ASSERT_TRUE(standin
                        .control(fmt::format("terrain add {} {} 15 {}", centre.lat, centre.lon,
                                             StandFixture::elevationFt))["ok"]
                        .get<bool>());
        ASSERT_TRUE(gf_eventually([] { return flightRunning.load(); }, 8s));
        ASSERT_TRUE(standin
                        .control(fmt::format("user set {} {} {} 0 0 0 0 on", centre.lat + 0.02, centre.lon,
                                             StandFixture::elevationFt))["ok"]
                        .get<bool>());
        link.requestUserOnGround();
        ASSERT_TRUE(gf_eventually(
            [this] {
                link.requestUserAcPosition();
                return link.user().positionKnown();
            },
            8s));
        std::istringstream text(fmt::format("centre {} {}\n{}", centre.lat, centre.lon, flight));
        IntakeFilter filter;
        filter.rangeCentre = centre;
        filter.rangeNm = 100.0;
        filter.parkAirport = ParkAirportFix{centre, StandFixture::elevationFt};
        driver.state.tick = 10000;
        const Trajectory trajectory = gf_trajectoryOf(feed::gf_parseScenario(text, "airport"), 10000 - 2950, filter);
        ASSERT_EQ(trajectory.refusedLines, 0);
        driver.schedule(trajectory.records);
    }
    nlohmann::json object(uint32_t objectId) { return standin.control(fmt::format("obj get {}", objectId))["object"]; }
    const LiveAircraft* aircraft() const { return driver.state.live.empty() ? nullptr : &driver.state.live[0]; }

    StandFixture airport;
};

TEST_F(LiveStandinAirport, ALandingFlaresTouchesDownRollsOutTurnsOffTaxisAndParksAtItsStand)
{
    scheduleFlight(gf_landingFlight(airport, 2.5, 4000501));
    std::vector<uint32_t> stages;
    bool touchedDown = false;
    bool spoilersSeen = false;
    bool rolledOutAndTurnedOff = false;
    const bool parked = runUntil(
        [&] {
            const LiveAircraft* ac = aircraft();
            if (ac == nullptr || ac->state != SimObjectState::active) {
                return false;
            }
            if (ac->flareStage != 0 && (stages.empty() || stages.back() != ac->flareStage)) {
                stages.push_back(ac->flareStage);
            }
            if (!touchedDown && ac->landingRoll != 0) {
                touchedDown = true;
                // The touchdown came from the stand-in's on-ground report; its spoilers and throttle went as data.
                // The ticks wait until they arrive, however long a loaded machine takes to pass them on.
                spoilersSeen = gf_eventually(
                    [&] { return object(ac->objectId)["spoilers_pct"].get<double>() > 50.0; }, 5s);
            }
            rolledOutAndTurnedOff =
                rolledOutAndTurnedOff || (touchedDown && ac->landingRoll == 0 && ac->phase == MovementPhase::taxi);
            return ac->phase == MovementPhase::parked;
        },
        40000, 1000us);
    ASSERT_TRUE(parked) << (aircraft() ? gf_phaseName(aircraft()->phase) : "gone");
    EXPECT_EQ(stages, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(touchedDown);
    EXPECT_TRUE(spoilersSeen);
    EXPECT_TRUE(rolledOutAndTurnedOff);
    const StandRecord& stand = airport.stand("A3");
    EXPECT_EQ(aircraft()->standNumber, stand.standNumber);
    runUntil([] { return false; }, 20, 1000us);
    // The positions sent last reach the stand-in as fast as the machine passes them on.
    nlohmann::json at;
    double metres = 0.0;
    EXPECT_TRUE(gf_eventually(
        [&] {
            at = object(aircraft()->objectId);
            metres = gf_distanceNm({at["lat"], at["lon"]}, {stand.latitude, stand.longitude}) * 1852.0;
            return metres < 2.0;
        },
        5s))
        << metres << " m from the stand";
    EXPECT_TRUE(at["on_ground"].get<bool>());
    EXPECT_FALSE(simConnectError.load());
}

TEST_F(LiveStandinAirport, APushBackTurnsOffTheStandThenTheAircraftTaxisAndTakesOff)
{
    scheduleFlight(gf_pushBackFlight(airport, 20.0));
    std::vector<MovementPhase> phases;
    bool backwards = false;
    const bool airborne = runUntil(
        [&] {
            const LiveAircraft* ac = aircraft();
            if (ac == nullptr || ac->state != SimObjectState::active) {
                return false;
            }
            if (phases.empty() || phases.back() != ac->phase) {
                phases.push_back(ac->phase);
            }
            if (ac->phase == MovementPhase::pushing_back && driver.state.tick % 100 == 0) {
                // Nose toward the stand's heading (north) while moving south of it.
                const nlohmann::json at = object(ac->objectId);
                const StandRecord& stand = airport.stand("A2");
                backwards = backwards || (at["lat"].get<double>() < stand.latitude - 5e-5 &&
                                          std::cos(at["heading_rad"].get<double>()) > 0.5);
            }
            return ac->phase == MovementPhase::flying && ac->altitudeFt > StandFixture::elevationFt + 300.0;
        },
        40000, 1000us);
    ASSERT_TRUE(airborne) << (aircraft() ? gf_phaseName(aircraft()->phase) : "gone");
    const std::vector<MovementPhase> expected = {MovementPhase::parked,      MovementPhase::pushing_back,
                                                 MovementPhase::pushed_back, MovementPhase::taxi,
                                                 MovementPhase::take_off,    MovementPhase::flying};
    EXPECT_EQ(phases, expected);
    EXPECT_TRUE(backwards);
    EXPECT_FALSE(object(aircraft()->objectId)["on_ground"].get<bool>());
    EXPECT_FALSE(simConnectError.load());
}

} // namespace
} // namespace hlw::test
