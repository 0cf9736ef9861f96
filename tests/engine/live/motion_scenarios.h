#pragma once
// The scenarios of the motion quality harness, flown at the fixture airport (stand_fixture.h): traffic of the
// feed's scenario format made from the airport's geometry, run through the headless driver with the in-process
// simulator (terrain at 364 ft around the airport), measured every tick (motion_quality.h) and written as tracks.
#include "motion_quality.h"
#include "motion_scoring.h"

#include "engine/intake/intake_filter.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hlw::test {

struct MotionScenario {
    std::string name;
    std::string description;
    std::string text; // the scenario file's directives
    int32_t qnhHpa = 1013;
    // Smooth data: the speed flown per air leg is held to the data's.
    bool smoothData = false;
    bool straightPushBacksOnly = false;
    // What the run must show.
    int32_t touchdowns = 0;
    int32_t parkings = 0;
    std::set<MovementPhase> phases;
    // Flown elsewhere than at the fixture airport: the park airport there (none: no park airport at all).
    bool elsewhere = false;
    std::optional<ParkAirportFix> parkAirport;
    // Flown at the fixture airport, its ground in place, but with no park airport at all.
    bool noParkAirport = false;
    // In the air and at 40 kt or more on the ground the replay keeps within this many seconds of its delay.
    double fastLagLimitSeconds = 1.0;
};

struct ScenarioRun {
    MotionFigures figures;
    std::optional<std::string> invariantViolation;
    int64_t speedsChecked = 0;
    std::set<MovementPhase> phasesSeen;
    uint32_t created = 0;
    // The simulator's object of the scenario's first aircraft, every frame.
    std::vector<ObjectFrame> frames;
    // Feed seconds of the first and the last report of that aircraft that the traffic reader took.
    double firstReportTime = 0.0;
    double lastReportTime = 0.0;
};

// The flight of a 3 deg approach from distanceNm out to the fixture airport's runway at 140 kt through touchdown,
// roll-out, turn-off and taxi to a stop 6 m short of stand A3, as the feed's flight directives; data holds the
// flight's keys of its sampling.
std::string gf_landingFlight(const StandFixture& airport, double distanceNm, int hex,
                             const std::string& data = "interval=2-4");
// A 3 deg approach from 4 nm out to the fixture airport's runway at 140 kt, touchdown and a roll-out slowing by 3 kt/s
// to 80 kt and then by 1 kt/s to 60 kt, where the flight's data ends.
std::string gf_rollOutFlight(const StandFixture& airport);
// An aircraft on stand A2 that pushes back 50 m, ending sideM to its right (0: straight), starts its engines, taxis
// out to the runway and takes off.
std::string gf_pushBackFlight(const StandFixture& airport, double sideM);

// Every scenario of the harness.
std::vector<MotionScenario> gf_motionScenarios(const StandFixture& airport);

// Runs the scenario; writes "<name>.csv" (the track) and "<name>_data.csv" (the received positions) into the folder.
ScenarioRun gf_runScenario(const MotionScenario& scenario, const std::filesystem::path& folder);

// The runway and the stands for the plots: "kind,id,lat,lon,heading_deg".
void gf_writeAirport(const StandFixture& airport, const std::filesystem::path& path);

} // namespace hlw::test
