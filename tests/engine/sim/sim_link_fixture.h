#pragma once
// What the simulator link tests share: a log in a temporary folder, the run flags put back to a new run,
// a recording connection, a hand-moved clock and a record of everything the link reported.
#include "engine/sim/sim_link_events.h"
#include "engine/sim/sim_link_shared.h"
#include "engine/sim/user_model_rules.h"
#include "platform/sim/sim_records.h"
#include "platform/sim/sim_wire.h"
#include "support/sim_recording.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace hlw::test {

// Records what the link reports. A stop request also sets the run's stop flag, as the run's stop rule does.
class RecordingLinkEvents final : public SimLinkEvents {
public:
    void requestStop(SimLinkStop stop) override;
    void simDisconnected(bool otherVersion) override;
    void showSimConnected(bool connected) override;
    void showFlightRunning(bool running) override;
    void showSimText(const std::string& text) override;
    void showAircraftText(const std::string& text) override;
    void showWingSpanKnown(bool known) override;
    void showStandText(const std::string& text) override;

    // Everything reported, one line each ("stop NewFlight", "disconnected false", "sim text MSFS 2020 (...)").
    std::vector<std::string> lines() const;
    bool has(const std::string& line) const;
    void clear();

private:
    void add(std::string line);
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A steady clock that moves only when told.
class ManualClock {
public:
    SteadyTime now() const { return SteadyTime(std::chrono::nanoseconds(nanos_.load())); }
    void advance(std::chrono::nanoseconds by) { nanos_ += by.count(); }
    void setTo(SteadyTime when) { nanos_ = when.time_since_epoch().count(); }
    SteadyClock clock() {
        return [this] { return now(); };
    }

private:
    std::atomic<int64_t> nanos_{int64_t{1'000'000'000'000}};
};

void gf_resetLinkFlags();

class SimLinkTest : public ::testing::Test {
protected:
    SimLinkTest();
    ~SimLinkTest() override;

    // Opens a recording connection and makes it the shared one.
    HANDLE openConnection();
    std::vector<SimCall> calls() const;
    std::string logText() const;
    // The number of log lines that contain the text.
    size_t logCount(const std::string& text) const;

    TempDir dir;
    SimRecordingScope recording;
    RecordingLinkEvents events;
    ManualClock clock;
    SimLinkShared shared{events, clock.clock()};
};

template <class Data>
std::span<const uint8_t> gf_bytesOf(const Data& data) {
    return {reinterpret_cast<const uint8_t*>(&data), sizeof data};
}

std::vector<uint8_t> gf_eventRecordBytes(DWORD recvId, DWORD eventId, DWORD data);
std::vector<uint8_t> gf_addRemoveRecordBytes(DWORD eventId, DWORD objectId, SIMCONNECT_SIMOBJECT_TYPE type);
std::vector<uint8_t> gf_exceptionRecordBytes(DWORD exception, DWORD sendId, DWORD index = 0);
std::vector<uint8_t> gf_openRecordBytes(const char* name, DWORD major = 11, DWORD minor = 0, DWORD buildMajor = 282174,
                                        DWORD buildMinor = 999);
std::vector<uint8_t> gf_inRangeRecordBytes(DWORD objectId, double altAboveGroundFt, double groundAltitudeFt,
                                           int64_t onGround, const std::string& atcId);

} // namespace hlw::test

namespace hlw::test {

// Spans of a few models (nautical miles), the largest 0.0425; every other model has none.
ModelFacts gf_testModelFacts();

} // namespace hlw::test
