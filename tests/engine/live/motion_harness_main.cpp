// The motion quality harness: flies every scenario of motion_scenarios.h in simulated time and writes into the
// folder given with --out the tracks ("<scenario>.csv"), the received positions ("<scenario>_data.csv"), the
// fixture airport ("airport.csv") and "motion_quality_summary.md" with every figure against its goal, the replay of
// the scenario's first flight held to its dense track among them (motion_scoring.h; its air error reported, since a
// gap longer than the delay is flown on made-up positions).
// It ends with 1 when a scenario misses a goal or does not show what it must (a touchdown, a parking, a phase),
// else 0.
// Then it holds replays to dense reference tracks: reference cases made from the scenarios (the dense track
// written first, the samples drawn from it 0.5 to 5 s apart with 3 m of jitter, one case with gaps) are scored
// into "reference_scores.md" (reported, not failing the run).
//
//   hlmr-motion-harness --out DIR [--only NAME]
// A recorded flight of the feed's scenario format against its dense reference, with the park airport there (or
// none):
//   hlmr-motion-harness --out DIR --scenario FILE --reference CSV [--park LAT,LON,ELEVATION_FT]
#include "motion_scenarios.h"

#include "engine/live/angles.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using namespace hlw;
using namespace hlw::test;

// What the run must show beyond the figures, as lines of the summary; empty when all is there.
std::vector<std::string> lf_shortfalls(const MotionScenario& scenario, const ScenarioRun& run)
{
    std::vector<std::string> missing;
    if (run.created == 0) {
        missing.push_back("no aircraft was created");
    }
    if (run.invariantViolation) {
        missing.push_back("stream invariant: " + *run.invariantViolation);
    }
    if (run.figures.touchdowns < scenario.touchdowns) {
        missing.push_back(fmt::format("{} touchdowns, {} wanted", run.figures.touchdowns, scenario.touchdowns));
    }
    if (run.figures.parkings < scenario.parkings) {
        missing.push_back(fmt::format("{} parkings, {} wanted", run.figures.parkings, scenario.parkings));
    }
    for (const MovementPhase phase : scenario.phases) {
        if (!run.phasesSeen.contains(phase)) {
            missing.push_back(fmt::format("never in phase {}", gf_phaseName(phase)));
        }
    }
    return missing;
}

// The reference cases: scenarios whose samples come 0.5 to 5 s apart with 3 m of jitter.
std::vector<MotionScenario> lf_referenceCases(const std::vector<MotionScenario>& scenarios)
{
    const std::vector<std::pair<std::string, std::string>> picks = {
        {"cruise_250", ""},       {"turn_60", ""},
        {"turn_120", ""},         {"climb_out", ""},
        {"approach_qnh1013", ""}, {"go_around", ""},
        {"taxi_corner_90", ""},   {"push_back_right", ""},
        {"category_heavy", ""},   {"category_light", " gaps=40-50"},
    };
    std::vector<MotionScenario> cases;
    for (const auto& [name, extra] : picks) {
        for (const MotionScenario& scenario : scenarios) {
            if (scenario.name != name) {
                continue;
            }
            MotionScenario reference = scenario;
            reference.name = "reference_" + name;
            for (const char* interval : {"interval=2-4", "interval=3-4"}) {
                if (const auto at = reference.text.find(interval); at != std::string::npos) {
                    reference.text.replace(at, std::strlen(interval), "interval=0.5-5 noise=3" + extra);
                }
            }
            cases.push_back(std::move(reference));
        }
    }
    return cases;
}

void lf_score(const MotionScenario& scenario, const std::vector<ReferencePoint>& reference,
              const std::filesystem::path& folder, std::ofstream& table)
{
    gf_writeReference(folder / (scenario.name + "_reference.csv"), reference);
    const ScenarioRun run = gf_runScenario(scenario, folder);
    const FlightScore score =
        gf_scoreFlight(run.frames, gf_whileReported(reference, run.firstReportTime, run.lastReportTime), 30.0);
    table << gf_scoreRow(scenario.name, score);
    std::cout << fmt::format("{:22} air p95 {:.1f} m, ground p95 {:.1f} m, lag {:+.2f} .. {:+.2f} s\n", scenario.name,
                             score.airP95, score.groundP95, score.lagMin, score.lagMax);
}

int lf_run(const std::filesystem::path& folder, const std::string& only)
{
    std::filesystem::create_directories(folder);
    const StandFixture airport;
    gf_writeAirport(airport, folder / "airport.csv");
    std::ofstream summary(folder / "motion_quality_summary.md");
    summary << "# Motion quality\n\nEvery tick of every scenario, creation and placement on a stand aside. "
               "Tracks: `<scenario>.csv`; received positions: `<scenario>_data.csv`.\n";
    int misses = 0;
    for (const MotionScenario& scenario : gf_motionScenarios(airport)) {
        if (!only.empty() && scenario.name != only) {
            continue;
        }
        const ScenarioRun run = gf_runScenario(scenario, folder);
        std::istringstream text(scenario.text);
        const std::vector<ReferencePoint> reference = gf_denseReference(feed::gf_parseScenario(text, scenario.name));
        gf_writeReference(folder / (scenario.name + "_reference.csv"), reference);
        const FlightScore score =
            gf_scoreFlight(run.frames, gf_whileReported(reference, run.firstReportTime, run.lastReportTime), 30.0);
        summary << fmt::format("\n## {}\n\n{} (QNH {}); {} ticks of active aircraft, {} air legs speed-checked.\n\n",
                               scenario.name, scenario.description, scenario.qnhHpa, run.figures.ticks,
                               run.speedsChecked);
        summary << "| figure | value | goal | met |\n|---|---|---|---|\n";
        int scenarioMisses = 0;
        for (const GoalResult& result : gf_goalResults(run.figures)) {
            summary << fmt::format("| {} | {} | {} | {} |\n", result.figure, result.value, result.goal,
                                   result.met ? "yes" : "NO");
            scenarioMisses += result.met ? 0 : 1;
        }
        summary << "\nThe replay held to the dense track:\n\n| figure | value | goal | met |\n|---|---|---|---|\n";
        for (const GoalResult& result : gf_scoreGoalResults(score, scenario.fastLagLimitSeconds)) {
            summary << fmt::format("| {} | {} | {} | {} |\n", result.figure, result.value, result.goal,
                                   result.met ? "yes" : result.fails ? "NO" : "no (reported)");
            scenarioMisses += result.met || !result.fails ? 0 : 1;
        }
        for (const std::string& shortfall : lf_shortfalls(scenario, run)) {
            summary << fmt::format("\nNOT SHOWN: {}\n", shortfall);
            ++scenarioMisses;
        }
        std::cout << fmt::format("{:22} {} (air p95 {:.1f} m, ground p95 {:.1f} m, lag {:+.2f} .. {:+.2f} s{})\n",
                                 scenario.name,
                                 scenarioMisses == 0 ? "ok" : fmt::format("{} missed", scenarioMisses), score.airP95,
                                 score.groundP95, score.lagMin, score.lagMax,
                                 std::isnan(score.liftOffOffsetS)
                                     ? ""
                                     : fmt::format(", lift-off {:+.2f} s", score.liftOffOffsetS));
        misses += scenarioMisses;
    }
    std::cout << fmt::format("summary: {}\n", (folder / "motion_quality_summary.md").string());
    if (only.empty()) {
        std::ofstream table(folder / "reference_scores.md");
        table << "# Replays held to their dense reference tracks\n\n" << gf_scoreTableHeader();
        for (const MotionScenario& reference : lf_referenceCases(gf_motionScenarios(airport))) {
            std::istringstream text(reference.text);
            lf_score(reference, gf_denseReference(feed::gf_parseScenario(text, reference.name)), folder, table);
        }
    }
    return misses == 0 ? 0 : 1;
}

int lf_replay(const std::filesystem::path& folder, const std::filesystem::path& scenarioFile,
              const std::filesystem::path& referenceFile, const std::optional<ParkAirportFix>& park)
{
    std::filesystem::create_directories(folder);
    std::ifstream in(scenarioFile);
    MotionScenario scenario;
    scenario.name = scenarioFile.stem().string();
    scenario.description = "a recorded flight";
    scenario.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    scenario.elsewhere = true;
    scenario.parkAirport = park;
    std::ofstream table(folder / (scenario.name + "_score.md"));
    table << gf_scoreTableHeader();
    lf_score(scenario, gf_readReference(referenceFile), folder, table);
    return 0;
}

std::optional<ParkAirportFix> lf_park(const std::string& text)
{
    ParkAirportFix park;
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf", &park.position.lat, &park.position.lon, &park.elevationFt) != 3) {
        throw std::runtime_error("--park wants LAT,LON,ELEVATION_FT");
    }
    return park;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path folder;
    std::filesystem::path scenarioFile;
    std::filesystem::path referenceFile;
    std::string only;
    std::string park;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string value = argv[i + 1];
        if (std::strcmp(argv[i], "--out") == 0) {
            folder = std::filesystem::absolute(value);
        } else if (std::strcmp(argv[i], "--only") == 0) {
            only = value;
        } else if (std::strcmp(argv[i], "--scenario") == 0) {
            scenarioFile = std::filesystem::absolute(value);
        } else if (std::strcmp(argv[i], "--reference") == 0) {
            referenceFile = std::filesystem::absolute(value);
        } else if (std::strcmp(argv[i], "--park") == 0) {
            park = value;
        } else {
            std::cerr << "unknown option " << argv[i] << "\n";
            return 2;
        }
    }
    if (folder.empty() || scenarioFile.empty() != referenceFile.empty()) {
        std::cerr << "usage: hlmr-motion-harness --out DIR [--only NAME]\n"
                     "       hlmr-motion-harness --out DIR --scenario FILE --reference CSV [--park LAT,LON,ELEV_FT]\n";
        return 2;
    }
    try {
        if (!scenarioFile.empty()) {
            return lf_replay(folder, scenarioFile, referenceFile, park.empty() ? std::nullopt : lf_park(park));
        }
        return lf_run(folder, only);
    } catch (const std::exception& e) {
        std::cerr << "motion harness: " << e.what() << "\n";
        return 2;
    }
}
