#include "platform/sim/sim_records.h"
#include "platform/sim/sim_recording.h"
#include "platform/sim/simconnect_shim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace hlw {
namespace {

constexpr int kCallsPerThread = 2000;

// Each thread sends calls tagged with its own object id and checks after each one that the "last
// sent packet id" is the id its own call got, while the other thread sends in between.
void lf_sendAndCheck(HANDLE handle, DWORD objectId, std::vector<DWORD>& myIds, std::atomic<int>& mismatches) {
    for (int i = 0; i < kCallsPerThread; ++i) {
        if (SimConnect_AIRemoveObject(handle, objectId, 105) != S_OK) {
            ++mismatches;
            continue;
        }
        DWORD packetId = 0;
        if (SimConnect_GetLastSentPacketID(handle, &packetId) != S_OK) {
            ++mismatches;
            continue;
        }
        myIds.push_back(packetId);
    }
}

TEST(SimPacketIds, LastSentPacketIdBelongsToTheCallingThread) {
    SimRecordingScope scope;
    HANDLE handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);

    std::vector<DWORD> idsA;
    std::vector<DWORD> idsB;
    std::atomic<int> mismatches{0};
    std::thread a(lf_sendAndCheck, handle, 1001, std::ref(idsA), std::ref(mismatches));
    std::thread b(lf_sendAndCheck, handle, 2002, std::ref(idsB), std::ref(mismatches));
    a.join();
    b.join();
    EXPECT_EQ(mismatches.load(), 0);

    // The recording says which object each packet id carried; each thread's ids must be its own calls.
    std::vector<DWORD> objectOfPacket(2 * kCallsPerThread + 1, 0);
    for (const SimCall& call : scope.calls(handle)) {
        ASSERT_LT(call.packetId, objectOfPacket.size());
        objectOfPacket[call.packetId] = call.numbers[0];
    }
    for (const DWORD id : idsA) {
        EXPECT_EQ(objectOfPacket[id], 1001u) << id;
    }
    for (const DWORD id : idsB) {
        EXPECT_EQ(objectOfPacket[id], 2002u) << id;
    }
    std::set<DWORD> all(idsA.begin(), idsA.end());
    all.insert(idsB.begin(), idsB.end());
    EXPECT_EQ(all.size(), 2u * kCallsPerThread) << "packet ids are unique";
    EXPECT_EQ(*all.rbegin(), 2u * kCallsPerThread) << "and consecutive from 1";
    EXPECT_TRUE(std::is_sorted(idsA.begin(), idsA.end()));
}

// One thread dispatches (and calls from inside the procedure) while another sends requests, as the
// SimClient thread and the worker do.
TEST(SimPacketIds, DispatchAndRequestsFromTwoThreads) {
    SimRecordingScope scope;
    HANDLE handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop.load()) {
            SimConnect_RequestDataOnSimObjectType(handle, 101, 404, 1852, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        }
    });
    struct Context {
        HANDLE handle;
        int frames = 0;
    } context{handle};
    const auto proc = [](SIMCONNECT_RECV*, DWORD, void* raw) {
        auto* c = static_cast<Context*>(raw);
        ++c->frames;
        SimConnect_TransmitClientEvent(c->handle, 77, 219, 1, 301, 0);
    };
    SIMCONNECT_RECV_EVENT_FRAME frame{};
    frame.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
    for (int i = 0; i < 500; ++i) {
        scope.inject(handle, gf_simRecordBytes(frame));
        ASSERT_EQ(SimConnect_CallDispatch(handle, proc, &context), S_OK);
    }
    stop.store(true);
    worker.join();
    EXPECT_EQ(context.frames, 500);
    const std::vector<SimCall> calls = scope.calls(handle);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const SimCall& c) { return c.kind == SimCallKind::TransmitClientEvent; }),
              500);
    for (size_t i = 0; i < calls.size(); ++i) {
        ASSERT_EQ(calls[i].packetId, i + 1);
    }
    EXPECT_EQ(SimConnect_Close(handle), S_OK);
}

}  // namespace
}  // namespace hlw
