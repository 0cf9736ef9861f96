#include "motion_scenarios.h"

#include "fake_simulator.h"
#include "headless_driver.h"
#include "livery_world.h"
#include "stream_checks.h"
#include "trajectory.h"

#include "engine/live/angles.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace hlw::test {

namespace {

constexpr int32_t startTick = 1000;
constexpr double feetPerMetre = 1.0 / 0.3048;
constexpr double feetPerNm = 6076.11549;
// The runway's aiming point, where a 3 degree approach meets the ground.
constexpr double aimingPointM = 300.0;

// The fixture airport's points by metres along the runway from its threshold and metres north of its centre line.
class Places {
  public:
    explicit Places(const StandFixture& airport) : airport_(airport) {}

    LatLon at(double alongM, double northM) const
    {
        const LatLon along = airport_.onRunway(alongM);
        return gf_destinationPoint(along, 0.0, northM * feetPerMetre);
    }
    std::string text(double alongM, double northM) const
    {
        const LatLon p = at(alongM, northM);
        return fmt::format("{:.7f} {:.7f}", p.lat, p.lon);
    }
    std::string start(double alongM, double northM) const
    {
        const LatLon p = at(alongM, northM);
        return fmt::format("lat={:.7f} lon={:.7f}", p.lat, p.lon);
    }
    std::string stand(const std::string& id) const
    {
        const StandRecord& s = airport_.stand(id);
        return fmt::format("lat={:.7f} lon={:.7f}", s.latitude, s.longitude);
    }
    // Metres off the stand toward its heading (negative: behind it), as a leg target.
    std::string offStand(const std::string& id, double aheadM, double rightM) const
    {
        const StandRecord& s = airport_.stand(id);
        LatLon p = gf_destinationPoint({s.latitude, s.longitude}, s.heading, aheadM * feetPerMetre);
        p = gf_destinationPoint(p, s.heading + std::numbers::pi / 2.0, rightM * feetPerMetre);
        return fmt::format("{:.7f} {:.7f}", p.lat, p.lon);
    }

  private:
    const StandFixture& airport_;
};

std::string lf_head(const StandFixture& airport, int32_t seconds, int seed = 5)
{
    const std::optional<LatLon> centre = airport.parkAirportPosition();
    return fmt::format("centre {:.6f} {:.6f}\nduration {}\nseed {}\n", centre->lat, centre->lon, seconds, seed);
}

// Legs along the runway's centre line from alongM, changing speed by 10 kt every leg at knotsPerSecond; alongM
// ends where the last leg ends.
std::string lf_speedLegs(const Places& places, double& alongM, double fromKt, double toKt, double knotsPerSecond = 3.0)
{
    constexpr double stepKt = 10.0;
    constexpr double metresPerSecondPerKnot = 1852.0 / 3600.0;
    std::string legs;
    const double direction = toKt > fromKt ? 1.0 : -1.0;
    for (double kt = fromKt; direction * (toKt - kt) > 0.0;) {
        const double next = direction > 0.0 ? std::min(toKt, kt + stepKt) : std::max(toKt, kt - stepKt);
        alongM += (kt + next) / 2.0 * metresPerSecondPerKnot * std::abs(next - kt) / knotsPerSecond;
        legs += fmt::format("  taxi {} gs={:.0f}\n", places.text(alongM, 0), next);
        kt = next;
    }
    return legs;
}

// Taxi out from the taxiway at the runway's west end, the take-off roll and the climb-out.
std::string lf_departure(const Places& places)
{
    double along = 540.0;
    const std::string roll = lf_speedLegs(places, along, 10.0, 155.0);
    return fmt::format("  taxi {} gs=15\n  taxi {} gs=10\n  taxi {} gs=10\n{}  fly 90 vs=2500 gs=160 track=90\n",
                       places.text(400, 150), places.text(480, 0), places.text(540, 0), roll);
}

std::string lf_airborne(const std::string& type, const std::string& callsign, int hex, double altitudeFt,
                        double speedKt, const std::string& legs, const std::string& extra = "")
{
    return fmt::format("flight hex={} callsign={} type={} reg=HB-{} from=ZRH to=GVA bearing=270 dist=8 alt={} track=90 "
                       "gs={} interval=2-4 {}\n{}",
                       hex, callsign, type, callsign.substr(3), altitudeFt, speedKt, extra, legs);
}

} // namespace

std::string gf_landingFlight(const StandFixture& airport, double distanceNm, int hex, const std::string& data)
{
    const Places places(airport);
    const LatLon aim = places.at(aimingPointM, 0.0);
    const LatLon start = gf_destinationPoint(aim, 270.0 * radPerDeg, distanceNm * feetPerNm);
    const double altitude = StandFixture::elevationFt + distanceNm * feetPerNm * std::tan(3.0 * radPerDeg);
    double along = aimingPointM;
    const std::string rollOut = lf_speedLegs(places, along, 140.0, 20.0);
    return fmt::format(
        "flight hex={} callsign=SWR{} type=A320 reg=HB-J{} from=GVA to=ZRH elev={} lat={:.7f} lon={:.7f} alt={:.0f} "
        "track=90 gs=140 vs=-743 {}\n"
        "  approach {} gs=140\n{}"
        "  taxi {} gs=15\n  taxi {} gs=15\n  taxi {} gs=15\n  taxi {} gs=10\n  taxi {} gs=4\n  hold 120\n",
        hex, hex % 1000, hex % 100, StandFixture::elevationFt, start.lat, start.lon, altitude, data,
        places.text(aimingPointM, 0), rollOut, places.text(along + 100, 60), places.text(along + 100, 150),
        places.text(1140, 150), places.text(1140, 225), places.text(1140, 244));
}

std::string gf_rollOutFlight(const StandFixture& airport)
{
    const Places places(airport);
    const LatLon aim = places.at(aimingPointM, 0.0);
    const LatLon start = gf_destinationPoint(aim, 270.0 * radPerDeg, 4.0 * feetPerNm);
    const double altitude = StandFixture::elevationFt + 4.0 * feetPerNm * std::tan(3.0 * radPerDeg);
    double along = aimingPointM;
    std::string rollOut = lf_speedLegs(places, along, 140.0, 80.0);
    rollOut += lf_speedLegs(places, along, 80.0, 60.0, 1.0);
    return fmt::format("flight hex=4000550 callsign=SWR550 type=A320 reg=HB-JLA from=GVA to=ZRH elev={} lat={:.7f} "
                       "lon={:.7f} alt={:.0f} track=90 gs=140 vs=-743 interval=2-4\n  approach {} gs=140\n{}",
                       StandFixture::elevationFt, start.lat, start.lon, altitude, places.text(aimingPointM, 0),
                       rollOut);
}

std::string gf_pushBackFlight(const StandFixture& airport, double sideM)
{
    const Places places(airport);
    return fmt::format("flight hex=4000301 callsign=SWR301 type=A320 reg=HB-JPA from=ZRH to=LHR elev={} {} alt={} "
                       "track=0 interval=3-4\n  hold 40\n  push {} gs=3\n  hold 40\n  taxi {} gs=10\n{}",
                       StandFixture::elevationFt, places.stand("A2"), StandFixture::elevationFt,
                       places.offStand("A2", -50.0, sideM), places.text(1070, 150), lf_departure(places));
}

namespace {

std::string lf_corner(const Places& places, double cornerDeg)
{
    const LatLon corner = places.at(700, 150);
    // 300 m on after the corner, slowing to a stop over the last 30 m.
    const double bearing = (90.0 + cornerDeg) * radPerDeg;
    const LatLon after = gf_destinationPoint(corner, bearing, 300.0 * feetPerMetre);
    const LatLon slower = gf_destinationPoint(corner, bearing, 320.0 * feetPerMetre);
    const LatLon stop = gf_destinationPoint(corner, bearing, 330.0 * feetPerMetre);
    return fmt::format("flight hex=4000401 callsign=SWR401 type=A320 reg=HB-JQA from=ZRH to=LHR elev={} {} alt={} "
                       "track=90 gs=15 interval=3-4\n  taxi {} gs=15\n  taxi {:.7f} {:.7f} gs=15\n"
                       "  taxi {:.7f} {:.7f} gs=10\n  taxi {:.7f} {:.7f} gs=5\n  hold 40\n",
                       StandFixture::elevationFt, places.start(400, 150), StandFixture::elevationFt,
                       places.text(700, 150), after.lat, after.lon, slower.lat, slower.lon, stop.lat, stop.lon);
}

} // namespace

std::vector<MotionScenario> gf_motionScenarios(const StandFixture& airport)
{
    const Places places(airport);
    const std::string head = lf_head(airport, 400);
    const std::string turnLegs = "  fly 30\n  fly {} turn=3\n  fly 40\n";
    std::vector<MotionScenario> scenarios;
    const auto add = [&](std::string name, std::string description, std::string text) -> MotionScenario& {
        MotionScenario& scenario = scenarios.emplace_back();
        scenario.name = std::move(name);
        scenario.description = std::move(description);
        scenario.text = std::move(text);
        return scenario;
    };
    {
        MotionScenario& scenario = add("cruise_250", "cruise at 250 kt",
                                       head + lf_airborne("A320", "SWR101", 4000101, 12000, 250, "  fly 120\n"));
        scenario.smoothData = true;
    }
    {
        MotionScenario& scenario = add("cruise_480", "cruise at 480 kt",
                                       head + lf_airborne("B77W", "SWR102", 4000102, 37000, 480, "  fly 120\n"));
        scenario.smoothData = true;
    }
    for (const int turn : {20, 60, 120}) {
        {
            MotionScenario& scenario =
                add(fmt::format("turn_{}", turn), fmt::format("a turn of {} deg at 3 deg/s", turn),
                    head + lf_airborne("A320", "SWR110", 4000110 + turn, 8000, 250,
                                       fmt::format(fmt::runtime(turnLegs), turn / 3.0)));
            scenario.smoothData = true;
        }
    }
    {
        MotionScenario& scenario =
            add("climb_out", "take-off roll, rotation and climb-out from the runway",
                head + fmt::format(
                           "flight hex=4000201 callsign=SWR201 type=A320 reg=HB-JCA from=ZRH to=LHR elev={} {} alt={} "
                           "track=90 gs=15 interval=2-4\n{}",
                           StandFixture::elevationFt, places.start(300, 150), StandFixture::elevationFt,
                           lf_departure(places)));
        scenario.phases = {MovementPhase::take_off, MovementPhase::flying};
    }
    {
        // Reported ground speeds 8 s behind what the positions show: on the take-off roll they are 24 kt short.
        double along = 670.0;
        const std::string roll = lf_speedLegs(places, along, 10.0, 155.0);
        MotionScenario& scenario = add(
            "departure_after_stops",
            "taxi with a stop of 14 s and one of 210 s, take-off roll and climb-out, the ground speeds sent 8 s late",
            lf_head(airport, 450) +
                fmt::format("flight hex=4000211 callsign=SWR211 type=A320 reg=HB-JCB from=ZRH to=LHR elev={} {} "
                            "alt={} track=90 gs=15 interval=2-4 gslag=8\n  taxi {} gs=15\n  hold 14\n"
                            "  taxi {} gs=15\n  hold 210\n  taxi {} gs=10\n  taxi {} gs=10\n{}"
                            "  fly 60 vs=2500 gs=160 track=90\n",
                            StandFixture::elevationFt, places.start(200, 150), StandFixture::elevationFt,
                            places.text(330, 150), places.text(530, 150), places.text(610, 0), places.text(670, 0),
                            roll));
        scenario.phases = {MovementPhase::taxi, MovementPhase::take_off, MovementPhase::flying};
    }
    for (const int qnh : {1000, 1013, 1030}) {
        {
            MotionScenario& scenario =
                add(fmt::format("approach_qnh{}", qnh),
                    fmt::format("3 deg approach at 140 kt, QNH {}: flare, touchdown, roll-out, turn-off, taxi, parking",
                                qnh),
                    head + gf_landingFlight(airport, 6.0, 4000500 + qnh));
            scenario.qnhHpa = qnh;
            scenario.touchdowns = 1;
            scenario.parkings = 1;
            scenario.phases = {MovementPhase::taxi, MovementPhase::parking, MovementPhase::parked};
        }
    }
    {
        const LatLon far = places.at(-40.0 * 1852.0, 0.0);
        {
            add("approach_elsewhere", "a 3 deg approach to a runway 40 nm from the park airport",
                head + fmt::format("flight hex=4000601 callsign=SWR601 type=A320 reg=HB-JFA from=GVA to=BSL lat={:.7f} "
                                   "lon={:.7f} alt=2300 track=90 gs=140 interval=2-4\n  approach {:.7f} {:.7f} gs=140\n"
                                   "  taxi {:.7f} {:.7f} gs=60\n",
                                   far.lat, far.lon - 0.15, far.lat, far.lon, far.lat, far.lon + 0.02));
        }
    }
    {
        // Without a park airport the traffic reader takes a report above 35 kt as airborne, at the ground's height.
        MotionScenario& scenario =
            add("landing_without_park_airport",
                "a landing with no park airport: a roll-out slowing from 140 to 80 kt at 3 kt/s, then to 60 kt at 1 "
                "kt/s, where the data ends on the runway",
                head + gf_rollOutFlight(airport));
        scenario.noParkAirport = true;
    }
    {
        // Without a park airport the traffic reader drops reports on the ground until one is above 35 kt, which it
        // takes as airborne at the ground's height: the aircraft is created halfway through its take-off roll. The
        // seed draws reports at 50, 70, 110 and 150 kt, 4 to 10 s apart, and the first one climbing 6 s later.
        double along = 300.0;
        const std::string roll = lf_speedLegs(places, along, 50.0, 155.0, 4.0);
        MotionScenario& scenario =
            add("created_on_take_off_roll",
                "a departure with no park airport, first seen at 50 kt on its take-off roll, reports 3 to 10 s apart, "
                "then the climb-out",
                lf_head(airport, 400, 2) +
                    fmt::format("flight hex=4000221 callsign=SWR221 type=A320 reg=HB-JCC from=ZRH to=LHR elev={} {} "
                                "alt={} track=90 gs=50 interval=3-10\n{}  fly 90 vs=2500 gs=160 track=90\n",
                                StandFixture::elevationFt, places.start(300, 0), StandFixture::elevationFt, roll));
        scenario.noParkAirport = true;
    }
    {
        // Reports at the times of a recorded departure, each with the ground speed of 5 to 8 s before: on the roll
        // they fall up to 30 kt short of what the positions show, and below the lift-off speed until after the
        // positions climb.
        constexpr double rollFromM = 300.0;
        double along = rollFromM;
        const std::string roll = lf_speedLegs(places, along, 45.0, 145.0, 4.0);
        MotionScenario& scenario = add(
            "take_off_roll_lagging_speeds",
            "a departure with no park airport, first seen at 45 kt on its take-off roll, accelerating at 4 kt/s, "
            "reports 3.5 to 10 s apart with ground speeds 5 to 8 s old, then the climb-out",
            lf_head(airport, 400) +
                fmt::format("flight hex=4000231 callsign=SWR231 type=A320 reg=HB-JCD from=ZRH to=LHR elev={} {} alt={} "
                            "track=90 gs=45 interval=6 times=0,3.45,13.06,18.07,25.89,32 gslag=5-8\n{}"
                            "  fly 60 vs=2000 gs=165 track=90\n",
                            StandFixture::elevationFt, places.start(rollFromM, 0), StandFixture::elevationFt,
                            roll));
        scenario.noParkAirport = true;
        scenario.fastLagLimitSeconds = 0.5;
        scenario.phases = {MovementPhase::take_off, MovementPhase::flying};
    }
    {
        MotionScenario& scenario =
            add("landing_roll_lagging_speeds",
                "3 deg approach, touchdown at 140 kt, roll-out slowing at 3 kt/s to 20 kt and turn-off, reports 4 to 8 s "
                "apart with ground speeds 8 s old",
                lf_head(airport, 400, 6) + gf_landingFlight(airport, 4.0, 4000560, "interval=4-8 gslag=8"));
        scenario.fastLagLimitSeconds = 0.5;
        scenario.touchdowns = 1;
        scenario.phases = {MovementPhase::taxi};
    }
    {
        const LatLon aim = places.at(aimingPointM, 0.0);
        const LatLon start = gf_destinationPoint(aim, 270.0 * radPerDeg, 6.0 * feetPerNm);
        {
            MotionScenario& scenario = add(
                "go_around", "a 3 deg approach down to 300 ft above the runway, then a go-around",
                head + fmt::format("flight hex=4000701 callsign=SWR701 type=A320 reg=HB-JGA from=GVA to=ZRH elev={} "
                                   "lat={:.7f} lon={:.7f} alt=2275 track=90 gs=140 vs=-743 interval=2-4\n  fly 130\n"
                                   "  fly 90 vs=1500 gs=160\n",
                                   StandFixture::elevationFt, start.lat, start.lon));
            scenario.phases = {MovementPhase::flying};
        }
    }
    for (const int corner : {2, 30, 60, 90, 170, 200}) {
        {
            MotionScenario& scenario =
                add(fmt::format("taxi_corner_{}", corner),
                    fmt::format("taxi at 15 kt round a corner of {} deg", corner), head + lf_corner(places, corner));
            scenario.phases = {MovementPhase::taxi};
        }
    }
    {
        MotionScenario& scenario =
            add("slow_down", "taxi slowing from 25 to 5 kt",
                head + fmt::format(
                           "flight hex=4000801 callsign=SWR801 type=A320 reg=HB-JHA from=ZRH to=LHR elev={} {} alt={} "
                           "track=90 gs=25 interval=3-4\n  taxi {} gs=25\n  taxi {} gs=20\n  taxi {} gs=15\n"
                           "  taxi {} gs=10\n  taxi {} gs=5\n  hold 40\n",
                           StandFixture::elevationFt, places.start(300, 150), StandFixture::elevationFt,
                           places.text(500, 150), places.text(620, 150), places.text(710, 150), places.text(770, 150),
                           places.text(800, 150)));
        scenario.phases = {MovementPhase::taxi};
    }
    const std::set<MovementPhase> pushPhases{MovementPhase::pushing_back, MovementPhase::pushed_back,
                                             MovementPhase::take_off, MovementPhase::flying};
    {
        MotionScenario& scenario =
            add("push_back_left", "push-back turning left, taxi and take-off", head + gf_pushBackFlight(airport, -20.0));
        scenario.phases = pushPhases;
    }
    {
        MotionScenario& scenario =
            add("push_back_right", "push-back turning right, taxi and take-off", head + gf_pushBackFlight(airport, 20.0));
        scenario.phases = pushPhases;
    }
    {
        MotionScenario& scenario =
            add("push_back_straight", "straight push-back, taxi and take-off", head + gf_pushBackFlight(airport, 0.0));
        scenario.straightPushBacksOnly = true;
        scenario.phases = pushPhases;
    }
    {
        MotionScenario& scenario =
            add("pull_out", "pull-out from a stand facing the taxiway",
                head + fmt::format(
                           "flight hex=4000901 callsign=SWR901 type=A320 reg=HB-JIA from=ZRH to=LHR elev={} {} alt={} "
                           "track=180 interval=3-4\n  hold 40\n  taxi {} gs=5\n  taxi {} gs=10\n  taxi {} gs=15\n"
                           "  hold 30\n",
                           StandFixture::elevationFt, places.stand("B2"), StandFixture::elevationFt,
                           places.offStand("B2", 40.0, 0.0), places.text(1070, 380), places.text(1400, 380)));
        scenario.phases = {MovementPhase::taxi};
    }
    {

        add("data_gaps", "a gap of 40 s in the data",
            head + lf_airborne("B738", "SWR120", 4000120, 9000, 280, "  fly 60\n  fly 80 turn=1\n", "gaps=50-90"));
    }
    {

        add("noisy", "positions with 25 m of noise",
            head + lf_airborne("A320", "SWR121", 4000121, 12000, 300, "  fly 120\n  fly 30 turn=2\n", "noise=25"));
    }
    {
        add("duplicated_late", "every 4th sample twice, every 7th late",
            head + lf_airborne("B738", "SWR122", 4000122, 18000, 350, "  fly 90\n  fly 30 turn=-2\n", "dup=4 late=7"));
    }
    {
        // A source whose positions jump by up to 40 m every 1 to 2 s at 120 kt (a 20 deg bank turns 3 deg/s), in a
        // smooth turn and then a turn flown as 5 s straight segments joined at 15 deg corners.
        // The smooth turn ends on a track of 210 deg; the corners turn on to 30 deg.
        std::string polygon;
        for (int corner = 1; corner <= 12; ++corner) {
            polygon += fmt::format("  fly 5 track={}\n", (210 + 15 * corner) % 360);
        }
        MotionScenario& scenario =
            add("noisy_turns", "a light aircraft at 120 kt turning with 40 m of noise every 1 to 2 s, then round 12 "
                               "corners of 15 deg 5 s apart",
                head + fmt::format("flight hex=4000140 callsign=SWR140 type=C172 reg=HB-CQA from=ZRH to=GVA bearing=270 "
                                   "dist=6 alt=3000 track=90 gs=120 interval=1-2 noise=40\n  fly 20\n"
                                   "  fly 40 turn=3\n  fly 20 turn=0\n{}  fly 30\n",
                                   polygon));
        scenario.phases = {MovementPhase::flying};
    }
    {
        // As near a hover turn as the traffic reader lets a helicopter fly: it counts a report at 35 kt or less as on
        // the ground. The reports give the true heading and the roll of the turn.
        const LatLon over = places.at(700, 300);
        MotionScenario& scenario =
            add("helicopter_hover_turn", "a helicopter 200 ft above the ground at 36 kt turning 90 deg right in 10 s",
                head + fmt::format("flight hex=4000150 callsign=SWR150 type=EC35 reg=HB-ZQA from=ZRH to=GVA lat={:.7f} "
                                   "lon={:.7f} alt={} track=0 gs=36 interval=2-4\n  fly 30\n  fly 10 turn=9\n"
                                   "  fly 30 turn=0\n",
                                   over.lat, over.lon, StandFixture::elevationFt + 200.0));
        scenario.phases = {MovementPhase::flying};
    }
    struct CategoryFlight {
        const char* category;
        const char* type;
        double altitudeFt;
        double speedKt;
    };
    for (const CategoryFlight c :
         {CategoryFlight{"light", "C172", 3000, 110}, CategoryFlight{"buzjets", "C56X", 15000, 300},
          CategoryFlight{"large", "A320", 12000, 280}, CategoryFlight{"heavy", "B77W", 20000, 320},
          CategoryFlight{"highperf", "F16", 20000, 450}, CategoryFlight{"rotorcraft", "EC35", 1500, 120}}) {
        {
            MotionScenario& scenario = add(fmt::format("category_{}", c.category),
                                           fmt::format("a {} ({}) turning at 3 deg/s", c.category, c.type),
                                           head + lf_airborne(c.type, "SWR130", 4000130, c.altitudeFt, c.speedKt,
                                                              fmt::format(fmt::runtime(turnLegs), 30.0)));
            scenario.smoothData = true;
        }
    }
    return scenarios;
}

ScenarioRun gf_runScenario(const MotionScenario& scenario, const std::filesystem::path& folder)
{
    LiveryWorld world;
    gf_restoreLiveSettings();
    settings::lightAircraft.set(true);
    settings::helicopters.set(true);
    settings::highPerfAircraft.set(true);
    settings::maxHoldingMinutes.set(2);
    settings::straightPbsOnly.set(scenario.straightPushBacksOnly);
    StandFixture airport;
    SimCommandQueues commands;
    SimReplyQueue replies;
    HeadlessDriver driver{commands, replies};
    driver.parkingPort = &airport;
    const ParkAirportFix fixture{*airport.parkAirportPosition(), StandFixture::elevationFt};
    std::optional<ParkAirportFix> park = fixture;
    if (scenario.elsewhere || scenario.noParkAirport) {
        park = scenario.noParkAirport ? std::nullopt : scenario.parkAirport;
        driver.parkingPort = &driver.parking;
        if (park) {
            driver.parking.airport = park->position;
            driver.parking.elevationFt = park->elevationFt;
        }
    }
    driver.qnh.hpa = scenario.qnhHpa;
    driver.state.tick = startTick;
    driver.state.weekday = 1;
    driver.state.halfHour = 20;
    FakeSimulator simulator{commands, replies};
    if (const std::optional<ParkAirportFix> ground = scenario.noParkAirport ? fixture : park) {
        simulator.terrain.add({ground->position.lat, ground->position.lon, 15.0, ground->elevationFt});
    }
    InvariantChecker checker{{.smoothData = scenario.smoothData}};
    QualityMeter meter(airport, simulator);
    QualityTrackWriter track(folder / (scenario.name + ".csv"), simulator);
    ScenarioRun run;
    std::size_t firstNew = 0;
    uint32_t firstHexId = 0;
    driver.beforeTick = [&] {
        checker.before(driver.state);
        firstNew = driver.sent.size();
    };
    driver.afterTick = [&] {
        simulator.frame(driver.state.tick);
        checker.after(driver.state, driver.sent, firstNew);
        meter.after(driver.state);
        track.write(driver.state);
        for (const LiveAircraft& aircraft : driver.state.live) {
            if (aircraft.state == SimObjectState::active) {
                run.phasesSeen.insert(aircraft.phase);
            }
            const auto object = simulator.objects.find(aircraft.objectId);
            if (aircraft.flight.hexId == firstHexId && aircraft.objectId != 0 && object != simulator.objects.end()) {
                const standin::SimObject& o = object->second;
                run.frames.push_back({(driver.state.tick - startTick) / 100.0, o.latDeg, o.lonDeg, o.altFt,
                                      o.headingRad, o.bankRad, simulator.terrain.elevationFt(o.latDeg, o.lonDeg),
                                      aircraft.flight.staticCgHeightFt, aircraft.groundMode == 0,
                                      aircraft.phase == MovementPhase::parking});
            }
        }
    };
    std::istringstream text(scenario.text);
    const feed::Scenario parsed = feed::gf_parseScenario(text, scenario.name);
    IntakeFilter filter;
    const feed::GeoPoint centre =
        parsed.centre.value_or(feed::GeoPoint{park ? park->position.lat : 0.0, park ? park->position.lon : 0.0});
    filter.rangeCentre = {centre.lat, centre.lon};
    filter.rangeNm = 100.0;
    filter.parkAirport = park;
    const Trajectory trajectory = gf_trajectoryOf(parsed, startTick, filter);
    firstHexId = trajectory.records.empty() ? 0 : trajectory.records.front().record.hexId;
    for (const TimedRecord& timed : trajectory.records) {
        if (timed.record.hexId == firstHexId) {
            const double time = (timed.arrivalTick - startTick) / 100.0;
            run.firstReportTime = run.lastReportTime == 0.0 ? time : std::min(run.firstReportTime, time);
            run.lastReportTime = std::max(run.lastReportTime, time);
        }
    }
    {
        std::ofstream data(folder / (scenario.name + "_data.csv"));
        data << "t,hexid,lat,lon,alt_ft,gs_kt,ground\n";
        for (const TimedRecord& timed : trajectory.records) {
            const PositionRecord& p = timed.record.position;
            data << fmt::format("{:.2f},{:06x},{:.7f},{:.7f},{:.1f},{:.1f},{}\n", p.dueTick / 100.0, timed.record.hexId,
                                p.latitude, p.longitude, p.altitudeFt, p.groundSpeedKt, p.airborne == 0 ? 1 : 0);
        }
    }
    driver.schedule(trajectory.records);
    driver.runUntilEmpty(60'000);
    run.figures = meter.figures();
    run.invariantViolation = checker.firstViolation();
    run.speedsChecked = checker.speedsChecked();
    run.created = simulator.created;
    gf_restoreLiveSettings();
    return run;
}

void gf_writeAirport(const StandFixture& airport, const std::filesystem::path& path)
{
    std::ofstream out(path);
    out << "kind,id,lat,lon,heading_deg\n";
    const FixtureRunway& runway = airport.runway();
    out << fmt::format("threshold,09,{:.7f},{:.7f},{:.1f}\n", runway.threshold.lat, runway.threshold.lon,
                       runway.headingRad * degPerRad);
    out << fmt::format("runway_end,27,{:.7f},{:.7f},{:.1f}\n", runway.end.lat, runway.end.lon,
                       runway.headingRad * degPerRad + 180.0);
    for (const StandRecord& stand : airport.stands()) {
        out << fmt::format("stand,{},{:.7f},{:.7f},{:.1f}\n", stand.id, stand.latitude, stand.longitude,
                           stand.heading * degPerRad);
    }
}

} // namespace hlw::test
