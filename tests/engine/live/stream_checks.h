#pragma once
// Checks of a headless run, every tick, and a track of it:
// - InvariantChecker: what an aircraft sends and how its stream is flown. Sent values finite and in range; no
//   step above 50 m between two positions of one object; legs set up for at least 25 ticks with due ticks that
//   only grow, never before now and, while data is real, within the windows around the received due tick (a leg
//   to a stop may end any time sooner); at
//   most 200 queued positions; extrapolation counts 8, 7, ... 1, -1 (or 10 ... on the ground); state and phase
//   changes only along the lifecycle's edges; on smooth data the speed flown per leg within 20 % of the data's
//   once settled. The first violation is kept with tick, hex id, phase and values.
// - TrackWriter: one CSV row per aircraft and tick.
#include "engine/live/live_engine_state.h"
#include "headless_driver.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unordered_map>

namespace hlw::test {

struct CheckOptions {
    // The data is smooth: the speed flown per leg is checked.
    bool smoothData = false;
    // Legs of an aircraft flown before its speed counts.
    int32_t settleLegs = 3;
    double speedTolerance = 0.2;
};

class InvariantChecker {
public:
    explicit InvariantChecker(CheckOptions options = {}) : options_(options) {}

    // Before a tick: what the next leg switch is checked against.
    void before(const LiveEngineState& state);
    // After a tick: the aircraft and the positions sent in it (from index firstNew on).
    void after(const LiveEngineState& state, const std::vector<SentPosition>& sent, std::size_t firstNew);

    const std::optional<std::string>& firstViolation() const { return violation_; }
    int64_t legsChecked() const { return legsChecked_; }
    int64_t speedsChecked() const { return speedsChecked_; }

private:
    struct Track {
        SimObjectState state = SimObjectState::buffer;
        MovementPhase phase = MovementPhase::birth;
        int32_t count = 0;
        // The leg being flown: its target's due tick, where it started, its data speed.
        int32_t legDue = 0;
        LatLon legTarget;
        LatLon legFrom;
        int32_t legStartTick = 0;
        double legSpeedKt = 0.0;
        bool legMeasured = false;
        int32_t legs = 0;
        // Before the tick: the next position as received.
        bool hadNext = false;
        LatLon next;
        int32_t nextDue = 0;
        int32_t early = 0;
        int32_t late = 0;
        int32_t countBefore = 0;
    };

    void fail(int32_t tick, const LiveAircraft& aircraft, const std::string& what);
    void checkLeg(int32_t tick, const LiveAircraft& aircraft, Track& track);

    CheckOptions options_;
    std::unordered_map<uint32_t, Track> tracks_;
    std::unordered_map<uint32_t, LatLon> lastSent_;
    std::optional<std::string> violation_;
    int64_t legsChecked_ = 0;
    int64_t speedsChecked_ = 0;
};

class TrackWriter {
public:
    explicit TrackWriter(const std::filesystem::path& path);
    void write(const LiveEngineState& state);
    int64_t rows() const { return rows_; }

private:
    std::ofstream out_;
    int64_t rows_ = 0;
};

} // namespace hlw::test
