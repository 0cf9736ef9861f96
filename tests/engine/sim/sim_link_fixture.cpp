#include "sim_link_fixture.h"

#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_data_records.h"
#include "platform/sim/sim_program_ids.h"

#include <fmt/format.h>

#include <algorithm>
#include <sstream>

namespace hlw::test {
namespace {

const char* stopName(SimLinkStop stop) {
    switch (stop) {
    case SimLinkStop::NewFlight: return "NewFlight";
    case SimLinkStop::SimConnectError: return "SimConnectError";
    case SimLinkStop::SystemError: return "SystemError";
    }
    return "?";
}

} // namespace

void RecordingLinkEvents::add(std::string line) {
    const std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

void RecordingLinkEvents::clear() {
    const std::lock_guard lock(mutex_);
    lines_.clear();
}

void RecordingLinkEvents::requestStop(SimLinkStop stop) {
    add(fmt::format("stop {}", stopName(stop)));
    stopRequested.store(true);
}

void RecordingLinkEvents::simDisconnected(bool otherVersion) {
    add(fmt::format("disconnected {}", otherVersion));
    stopRequested.store(true);
}

void RecordingLinkEvents::showSimConnected(bool connected) { add(fmt::format("connected {}", connected)); }
void RecordingLinkEvents::showFlightRunning(bool running) { add(fmt::format("flight {}", running)); }
void RecordingLinkEvents::showSimText(const std::string& text) { add("sim text " + text); }
void RecordingLinkEvents::showAircraftText(const std::string& text) { add("aircraft text " + text); }
void RecordingLinkEvents::showWingSpanKnown(bool known) { add(fmt::format("wing span known {}", known)); }
void RecordingLinkEvents::showStandText(const std::string& text) { add("stand text " + text); }

std::vector<std::string> RecordingLinkEvents::lines() const {
    const std::lock_guard lock(mutex_);
    return lines_;
}

bool RecordingLinkEvents::has(const std::string& line) const {
    const std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

void gf_resetLinkFlags() {
    stopRequested.store(false);
    userClosing.store(false);
    flightRunning.store(false);
    simConnectError.store(false);
    userDataArrived.store(false);
    simIsMsfs2020.store(true);
    simTimeInUse.store(false);
    simUtcSeconds.store(0);
    gf_clearError();
    gf_clearMessage();
}

SimLinkTest::SimLinkTest() {
    gf_resetLinkFlags();
    gf_startLog(dir / "Log.txt");
}

SimLinkTest::~SimLinkTest() {
    gf_stopLog();
    gf_resetLinkFlags();
}

HANDLE SimLinkTest::openConnection() {
    HANDLE handle = nullptr;
    EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
    shared.handle.store(handle);
    return handle;
}

std::vector<SimCall> SimLinkTest::calls() const { return recording.calls(shared.handle.load()); }

std::string SimLinkTest::logText() const {
    gf_logFlushNow();
    return readWholeFile(dir / "Log.txt");
}

size_t SimLinkTest::logCount(const std::string& text) const {
    std::istringstream lines(logText());
    size_t count = 0;
    for (std::string line; std::getline(lines, line);) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

std::vector<uint8_t> gf_eventRecordBytes(DWORD recvId, DWORD eventId, DWORD data) {
    SIMCONNECT_RECV_EVENT event{};
    event.dwID = recvId;
    event.uEventID = eventId;
    event.dwData = data;
    return gf_simRecordBytes(event);
}

std::vector<uint8_t> gf_addRemoveRecordBytes(DWORD eventId, DWORD objectId, SIMCONNECT_SIMOBJECT_TYPE type) {
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE event{};
    event.dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
    event.uEventID = eventId;
    event.dwData = objectId;
    event.eObjType = type;
    return gf_simRecordBytes(event);
}

std::vector<uint8_t> gf_exceptionRecordBytes(DWORD exception, DWORD sendId, DWORD index) {
    SIMCONNECT_RECV_EXCEPTION record{};
    record.dwID = SIMCONNECT_RECV_ID_EXCEPTION;
    record.dwException = exception;
    record.dwSendID = sendId;
    record.dwIndex = index;
    return gf_simRecordBytes(record);
}

std::vector<uint8_t> gf_openRecordBytes(const char* name, DWORD major, DWORD minor, DWORD buildMajor,
                                        DWORD buildMinor) {
    SIMCONNECT_RECV_OPEN record{};
    record.dwID = SIMCONNECT_RECV_ID_OPEN;
    std::memcpy(record.szApplicationName, name, std::min(std::strlen(name), sizeof record.szApplicationName));
    record.dwApplicationVersionMajor = major;
    record.dwApplicationVersionMinor = minor;
    record.dwApplicationBuildMajor = buildMajor;
    record.dwApplicationBuildMinor = buildMinor;
    return gf_simRecordBytes(record);
}

std::vector<uint8_t> gf_inRangeRecordBytes(DWORD objectId, double altAboveGroundFt, double groundAltitudeFt,
                                           int64_t onGround, const std::string& atcId) {
    InRangeData data;
    data.altAboveGroundFt = altAboveGroundFt;
    data.groundAltitudeFt = groundAltitudeFt;
    data.onGround = onGround;
    std::memcpy(data.atcId, atcId.data(), std::min(atcId.size(), sizeof data.atcId));
    return gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, sim_ids::kReqInRange, objectId,
                                  sim_ids::kDefInRange, gf_bytesOf(data));
}

} // namespace hlw::test

namespace hlw::test {

ModelFacts gf_testModelFacts() {
    ModelFacts facts;
    facts.halfSpanNm = [](std::string_view model) {
        static const std::vector<std::pair<std::string_view, double>> spans = {
            {"A320", 0.0097}, {"A319", 0.0096}, {"A321", 0.0098}, {"A332", 0.0163}, {"A359", 0.0175},
            {"B38M", 0.0097}, {"B736", 0.0092}, {"B737", 0.0093}, {"B738", 0.0096}, {"B739", 0.0097},
            {"772", 0.0164},  {"CRJ7", 0.0063}, {"E190", 0.0078}, {"C172", 0.0030}, {"B748", 0.0185},
            {"DH8", 0.0075},  {"BE", 0.0040},   {"B77W", 0.0174}, {"A388", 0.0425}};
        for (const auto& [name, span] : spans) {
            if (name == model) {
                return span;
            }
        }
        return 0.0;
    };
    facts.maxHalfSpanNm = 0.0425;
    facts.categoryName = [](std::string_view model) { return model == "C172" ? "Light" : "Large"; };
    return facts;
}

} // namespace hlw::test
