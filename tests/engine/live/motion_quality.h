#pragma once
// The motion quality of a headless run, measured every tick on what each active aircraft sends, against the goals
// of smooth replay:
//   position step           <= 3.5 m in the air, <= 1.0 m on the ground
//   ground speed change     <= 30 kt per tick in the air, <= 15 kt on the ground
//   heading change          <= 0.1 deg per tick in the air; on the ground <= the turn step and <= 1.0 deg, no swing
//                              (a turn reversed and reversed back within 50 ticks)
//   bank, pitch             within the category's limits and rates (pitch rate in air legs outside take-off and
//                              flare); flare pitch >= -4 deg; on the ground the static pitch
//   vertical                climbs above 1000 ft above ground <= the climb limit; sent vertical speed within
//                              +-6000 ft/min; altitude change <= 1 ft per tick
//   terrain                 height above the stand-in's terrain never below the static CG height once the first
//                              on-ground report is in
//   touchdown               on the runway; flare stages 1 to 4 in order; flare to touchdown <= 10 s
//   parking                 within 2 m of the stand with the parked configuration sent
// The first frame of an object and a placement on a stand are left out. Reported only: the touchdown distance past
// the threshold and the heading error when parked.
#include "engine/live/live_engine_state.h"
#include "fake_simulator.h"
#include "stand_fixture.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hlw::test {

// The worst value of each figure over a run; NaN where nothing was measured.
struct MotionFigures {
    double airStepM = 0.0;
    double groundStepM = 0.0;
    double airSpeedChangeKt = 0.0;
    double groundSpeedChangeKt = 0.0;
    double airHeadingChangeDeg = 0.0;
    double groundHeadingChangeDeg = 0.0;
    double groundHeadingOverTurnStep = 0.0; // the largest change divided by the turn step of that tick
    int32_t headingSwings = 0;
    double bankOverLimit = 0.0;       // the largest |bank| / the category's maximum bank
    double bankRateOverLimit = 0.0;   // the largest bank change / the category's maximum per tick
    double pitchRateOverLimit = 0.0;  // in air legs outside take-off and flare
    double flarePitchDeg = 0.0;       // the lowest (most nose-up) pitch of a flare
    double groundPitchErrorDeg = 0.0; // the largest difference from the static pitch on the ground
    double climbOverLimit = 0.0;      // the largest climb per tick above 1000 ft / the climb limit
    double verticalSpeedFpm = 0.0;    // the largest |sent vertical speed|
    double altitudeChangeFt = 0.0;    // the largest altitude change per tick
    double lowestClearanceFt = 1e9;   // the lowest height above terrain less the static CG height
    int32_t touchdowns = 0;
    int32_t touchdownsOffRunway = 0;
    int32_t flareStageFaults = 0; // touchdowns without stages 1, 2, 3, 4 in order
    double flareSeconds = 0.0;    // the longest flare to touchdown
    double touchdownPastThresholdM = 0.0;
    double touchdownOffCentreM = 0.0;
    int32_t parkings = 0;
    double parkingDistanceM = 0.0;
    double parkingHeadingErrorDeg = 0.0;
    int32_t parkedWithoutConfig = 0;
    int64_t ticks = 0;
};

struct GoalResult {
    std::string figure;
    std::string value;
    std::string goal;
    bool met = true;
    // A missed goal fails the run; one that does not is reported beside its figure.
    bool fails = true;
};

// The figures against their goals, in the order of the summary.
std::vector<GoalResult> gf_goalResults(const MotionFigures& figures);

class QualityMeter {
  public:
    QualityMeter(const StandFixture& airport, const FakeSimulator& simulator) : airport_(airport), simulator_(simulator)
    {
    }
    // After every tick.
    void after(const LiveEngineState& state);
    const MotionFigures& figures() const { return figures_; }

  private:
    struct Previous {
        bool seen = false;
        LatLon at;
        double altitudeFt = 0.0;
        double heading = 0.0;
        double bank = 0.0;
        double pitch = 0.0;
        double speedKt = 0.0;
        bool speedKnown = false;
        double lastTurn = 0.0;    // the latest heading change above the noise
        int32_t lastTurnTick = 0; // and its tick
        int32_t reversalTick = -1000;
        MovementPhase phase = MovementPhase::birth;
        uint32_t flareStage = 0;
        std::vector<uint32_t> stages;
        int32_t flareStartTick = -1;
        bool grounded = false;
        bool touchdown = false;
    };

    void touchdown(const LiveAircraft& aircraft, Previous& previous, int32_t tick);
    void parked(const LiveAircraft& aircraft);

    const StandFixture& airport_;
    const FakeSimulator& simulator_;
    MotionFigures figures_;
    std::map<uint32_t, Previous> previous_;
};

// One CSV row per active aircraft and tick: what is sent, with phase, flare stage, ground mode, height above the
// terrain and ground speed.
class QualityTrackWriter {
  public:
    QualityTrackWriter(const std::filesystem::path& path, const FakeSimulator& simulator);
    void write(const LiveEngineState& state);

  private:
    std::ofstream out_;
    const FakeSimulator& simulator_;
    std::map<uint32_t, LatLon> last_;
};

} // namespace hlw::test
