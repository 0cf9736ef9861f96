// Speed of the simulator link: the frame send (recording back end and over the socket to the stand-in), the
// by-type replies against the creation memory, and the idle pump's processor time.
#include "engine/sim/sim_client.h"
#include "engine/sim/sim_dispatch.h"
#include "engine/sim/sim_vocabulary.h"
#include "platform/sim/sim_program_ids.h"
#include "platform/sim/sim_records.h"
#include "standin_process.h"
#include "support/sim_recording.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace hlw;
using namespace hlw::sim_ids;
using Clock = std::chrono::steady_clock;

class NoEvents final : public SimLinkEvents {
public:
    void requestStop(SimLinkStop) override {}
    void simDisconnected(bool) override {}
    void showSimConnected(bool) override {}
    void showFlightRunning(bool) override {}
    void showSimText(const std::string&) override {}
    void showAircraftText(const std::string&) override {}
    void showWingSpanKnown(bool) override {}
    void showStandText(const std::string&) override {}
};

ModelFacts noFacts() {
    return {[](std::string_view) { return 0.0; }, 0.0, [](std::string_view) { return std::string("Large"); }};
}

void queueFrame(SimCommandQueues& commands, const std::vector<uint32_t>& ids, size_t positions, size_t events) {
    for (size_t i = 0; i < positions; ++i) {
        AiPositionUpdate update;
        update.objectId = ids[i % ids.size()];
        update.data = {47.4 + static_cast<double>(i) * 1e-4, 8.5, 0.0, 0.0, 1.0, 3000.0, 0.0, 180.0};
        commands.fillBuffer().push_back(update);
    }
    commands.publishPositions();
    for (size_t i = 0; i < events; ++i) {
        commands.queueEvent({ids[i % ids.size()], kClientNavLightsSet, static_cast<uint32_t>(i % 2)});
    }
}

void setPercentiles(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) {
        return;
    }
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

// 500 positions and 50 client events into the recording back end.
void BM_FrameSendRecording(benchmark::State& state) {
    SimRecordingScope recording;
    NoEvents events;
    SimLinkShared shared(events, [] { return Clock::now(); });
    HANDLE handle = nullptr;
    SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0);
    shared.handle.store(handle);
    SimDispatcher dispatcher(shared, noFacts());
    std::vector<uint32_t> ids(500);
    for (size_t i = 0; i < ids.size(); ++i) {
        ids[i] = static_cast<uint32_t>(10 + i);
    }
    for (auto _ : state) {
        state.PauseTiming();
        recording.clearCalls(handle);
        queueFrame(shared.commands, ids, 500, 50);
        state.ResumeTiming();
        dispatcher.sendFrame(handle);
    }
}
BENCHMARK(BM_FrameSendRecording)->Unit(benchmark::kMicrosecond);

void keepRecord(SIMCONNECT_RECV* record, DWORD bytes, void* context) {
    auto* added = static_cast<std::vector<uint32_t>*>(context);
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE event{};
    std::memcpy(&event, record, std::min<size_t>(bytes, sizeof event));
    if (event.dwID == SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE && event.uEventID == kEventObjectAdded) {
        added->push_back(event.dwData);
    }
}

// The same frame over the socket to the stand-in, against 500 objects the stand-in created: from the frame to
// the last write of its commands.
void BM_FrameSendSocket(benchmark::State& state) {
    test::StandinProcess standin;
    ::setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
    NoEvents events;
    SimLinkShared shared(events, [] { return Clock::now(); });
    HANDLE handle = nullptr;
    if (SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0) < 0) {
        state.SkipWithError("no stand-in");
        return;
    }
    shared.handle.store(handle);
    gf_registerSimVocabulary(handle);
    std::vector<uint32_t> added;
    for (uint32_t i = 0; i < 500; ++i) {
        const SIMCONNECT_DATA_INITPOSITION position{47.4 + i * 1e-4, 8.5, 3000.0, 0.0, 0.0, 90.0, 0, 180};
        SimConnect_AICreateNonATCAircraft(handle, "Bench Title", ("B" + std::to_string(i)).c_str(), position,
                                          kReqCreate);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (added.size() < 500 && Clock::now() < deadline) {
        SimConnect_CallDispatch(handle, keepRecord, &added);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (added.size() < 500) {
        state.SkipWithError("the stand-in did not create the objects");
        return;
    }
    SimDispatcher dispatcher(shared, noFacts());
    std::vector<double> micros;
    for (auto _ : state) {
        state.PauseTiming();
        SimConnect_CallDispatch(handle, keepRecord, &added);
        queueFrame(shared.commands, added, 500, 50);
        state.ResumeTiming();
        const auto start = Clock::now();
        dispatcher.sendFrame(handle);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    setPercentiles(state, micros);
    SimConnect_Close(handle);
}
BENCHMARK(BM_FrameSendSocket)->Unit(benchmark::kMicrosecond)->Iterations(2000);

std::vector<uint8_t> inRangeRecord(uint32_t objectId, const std::string& atcId) {
    InRangeData data;
    data.altAboveGroundFt = 10.0;
    data.groundAltitudeFt = 400.0;
    data.onGround = 1;
    std::memcpy(data.atcId, atcId.data(), std::min(atcId.size(), sizeof data.atcId));
    return gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, kReqInRange, objectId, kDefInRange,
                                  {reinterpret_cast<const uint8_t*>(&data), sizeof data});
}

std::vector<uint8_t> addedRecord(uint32_t objectId) {
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE event{};
    event.dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
    event.uEventID = kEventObjectAdded;
    event.dwData = objectId;
    event.eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
    return gf_simRecordBytes(event);
}

void dispatchBytes(SimDispatcher& dispatcher, const std::vector<uint8_t>& record) {
    dispatcher.dispatch(reinterpret_cast<const SIMCONNECT_RECV*>(record.data()), static_cast<DWORD>(record.size()));
}

// 1000 by-type records while 1000 announced ids and 50 creations wait: 50 of the records bind a creation, the
// others are aircraft seen before.
void BM_ByTypeRecords(benchmark::State& state) {
    SimRecordingScope recording;
    NoEvents events;
    SimLinkShared shared(events, [] { return Clock::now(); });
    HANDLE handle = nullptr;
    SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0);
    shared.handle.store(handle);
    std::vector<std::vector<uint8_t>> byType;
    for (uint32_t i = 0; i < 1000; ++i) {
        byType.push_back(i < 50 ? inRangeRecord(5000 + i, "NEW" + std::to_string(i))
                                : inRangeRecord(9000 + i, "SEEN" + std::to_string(i)));
    }
    for (auto _ : state) {
        state.PauseTiming();
        SimDispatcher dispatcher(shared, noFacts());
        for (uint32_t i = 0; i < 50; ++i) {
            AiCreateRequest request;
            request.hexId = 0x400000 + i;
            request.callsign = "NEW" + std::to_string(i);
            request.title = "Bench Title";
            shared.commands.queueCreate(request);
        }
        dispatcher.sendFrame(handle);
        for (uint32_t i = 0; i < 1000; ++i) {
            dispatchBytes(dispatcher, addedRecord(i < 50 ? 5000 + i : 20000 + i));
        }
        shared.replies.clear();
        {
            const auto held = shared.commands.lock();
            shared.commands.queued(held).clear();
        }
        recording.clearCalls(handle);
        state.ResumeTiming();
        for (const std::vector<uint8_t>& record : byType) {
            dispatchBytes(dispatcher, record);
        }
    }
}
BENCHMARK(BM_ByTypeRecords)->Unit(benchmark::kMicrosecond);

// The client thread pumping an idle connection for one second: its share of one core.
void BM_IdlePumpCpu(benchmark::State& state) {
    SimRecordingScope recording;
    NoEvents events;
    SimLinkShared shared(events, [] { return Clock::now(); });
    for (auto _ : state) {
        SimClientThread thread(shared, gf_realSimClientTiming(), noFacts);
        thread.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // connected and registered
        timespec cpuBefore{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuBefore);
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        timespec cpuAfter{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuAfter);
        const double cpu = static_cast<double>(cpuAfter.tv_sec - cpuBefore.tv_sec) +
                           static_cast<double>(cpuAfter.tv_nsec - cpuBefore.tv_nsec) * 1e-9;
        const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        thread.join();
    }
}
BENCHMARK(BM_IdlePumpCpu)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
