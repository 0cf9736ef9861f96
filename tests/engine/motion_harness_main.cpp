// The motion quality harness: flies every scenario of motion_scenarios.h in simulated time and writes into the
// folder given with --out the tracks ("<scenario>.csv"), the received positions ("<scenario>_data.csv"), the
// fixture airport ("airport.csv") and "motion_quality_summary.md" with every figure against its goal. It ends
// with 1 when a scenario misses a goal that no rule of the motion explains, or does not show what it must (a
// touchdown, a parking, a phase), else 0.
//
//   hlmr-motion-harness --out DIR [--only NAME]
#include "motion_scenarios.h"

#include "engine/angles.h"

#include <fmt/format.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using namespace hlw;
using namespace hlw::test;

// Goals that a rule of the motion cannot meet in a scenario: the figure is reported with the rule that decides it.
struct RuleMiss {
    const char* scenario;
    const char* figure;
    const char* rule;
};

constexpr const char* stepSpeedRule =
    "a leg is flown at one speed, the mean of its two reported ground speeds, and a point between two speeds is "
    "inserted only when they differ by more than 5 kt over at least 100 m: an accelerating take-off roll changes "
    "speed in steps at the leg ends";
constexpr RuleMiss ruleMisses[] = {
    {"climb_out", "ground speed change", stepSpeedRule},
    {"push_back_left", "ground speed change", stepSpeedRule},
    {"push_back_right", "ground speed change", stepSpeedRule},
    {"push_back_straight", "ground speed change", stepSpeedRule},
    {"taxi_corner_200", "ground speed change",
     "a curve is flown at an even pace of its parameter, not of its length: a sharp curve is fast at its ends and "
     "slow in its middle"},
    {"data_gaps", "air speed change",
     "made-up positions slow by 5 % each, and when real data resumes the front position is due at the next tick: "
     "the aircraft takes the real data's pace at once"},
};

const char* lf_ruleFor(const std::string& scenario, const std::string& figure)
{
    for (const RuleMiss& miss : ruleMisses) {
        if (scenario == miss.scenario && figure == miss.figure) {
            return miss.rule;
        }
    }
    return nullptr;
}

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
        summary << fmt::format("\n## {}\n\n{} (QNH {}); {} ticks of active aircraft, {} air legs speed-checked.\n\n",
                               scenario.name, scenario.description, scenario.qnhHpa, run.figures.ticks,
                               run.speedsChecked);
        summary << "| figure | value | goal | met |\n|---|---|---|---|\n";
        int scenarioMisses = 0;
        std::vector<std::string> rules;
        for (const GoalResult& result : gf_goalResults(run.figures)) {
            const char* rule = result.met ? nullptr : lf_ruleFor(scenario.name, result.figure);
            summary << fmt::format("| {} | {} | {} | {} |\n", result.figure, result.value, result.goal,
                                   result.met ? "yes" : rule != nullptr ? "no, by rule" : "NO");
            if (rule != nullptr) {
                rules.push_back(fmt::format("{}: {}", result.figure, rule));
            }
            scenarioMisses += result.met || rule != nullptr ? 0 : 1;
        }
        for (const std::string& rule : rules) {
            summary << fmt::format("\nMissed by rule, {}.\n", rule);
        }
        for (const std::string& shortfall : lf_shortfalls(scenario, run)) {
            summary << fmt::format("\nNOT SHOWN: {}\n", shortfall);
            ++scenarioMisses;
        }
        std::cout << fmt::format("{:22} {}\n", scenario.name, scenarioMisses == 0 ? "ok" : fmt::format("{} missed", scenarioMisses));
        misses += scenarioMisses;
    }
    std::cout << fmt::format("summary: {}\n", (folder / "motion_quality_summary.md").string());
    return misses == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path folder;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--out") == 0) {
            folder = std::filesystem::absolute(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--only") == 0) {
            only = argv[i + 1];
        } else {
            std::cerr << "unknown option " << argv[i] << "\n";
            return 2;
        }
    }
    if (folder.empty()) {
        std::cerr << "usage: hlmr-motion-harness --out DIR [--only NAME]\n";
        return 2;
    }
    try {
        return lf_run(folder, only);
    } catch (const std::exception& e) {
        std::cerr << "motion harness: " << e.what() << "\n";
        return 2;
    }
}
