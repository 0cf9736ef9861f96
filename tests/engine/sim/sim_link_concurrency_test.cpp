// The simulator client thread with a worker making requests and queuing commands at the same time, and the
// simulator sending frames, object data and user blocks; the end of the thread races the worker's requests.
#include "engine/base/run_state.h"
#include "engine/sim/sim_ai_commands.h"
#include "engine/sim/sim_client_link.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace hlw::test {
namespace {

using namespace sim_ids;
using namespace std::chrono_literals;

TEST_F(SimLinkTest, AWorkerAndTheSimulatorKeepTheClientThreadBusyAndItsEndWaitsForTheirRequests) {
    SimClientLink link(events, SimClientLinkOptions{gf_realSimClientTiming(), gf_testModelFacts});
    link.resetQueues();
    link.start();
    while (recording.openedHandles().empty()) {
        std::this_thread::yield();
    }
    const HANDLE handle = recording.openedHandles().front();

    std::atomic<bool> done{false};
    std::thread simulator([&] {
        UserBlock block;
        block.latDeg = 47.46;
        block.lonDeg = 8.55;
        recording.inject(handle, gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventSim, 1));
        for (uint32_t i = 0; !done.load(); ++i) {
            recording.inject(handle, gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserBlock, 1,
                                                            kDefUserBlock, gf_bytesOf(block)));
            recording.inject(handle, gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT_FRAME, kEventFrame, 0));
            recording.inject(handle, gf_addRemoveRecordBytes(kEventObjectAdded, 100 + i % 50,
                                                             SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
            recording.inject(handle, gf_inRangeRecordBytes(100 + i % 50, 10.0, 400.0, 1, "TEST" + std::to_string(i % 7)));
            std::this_thread::sleep_for(1ms);
        }
    });
    std::thread worker([&] {
        for (uint32_t tick = 0; !done.load(); ++tick) {
            AiPositionUpdate update;
            update.objectId = 100 + tick % 50;
            link.commands().fillBuffer().push_back(update);
            link.commands().publishPositions();
            AiControls controls{100 + tick % 50, AircraftCategory::Large, 4, 5};
            gf_setThrottle(link.commands(), controls, static_cast<int32_t>(tick % 5));
            if (tick % 20 == 0) {
                link.requestAircraftInRange(18520);
                AiCreateRequest request;
                request.hexId = 0x400000 + tick;
                request.callsign = "TEST" + std::to_string(tick % 7);
                request.title = "Title";
                link.commands().queueCreate(request);
            }
            if (tick % 100 == 0) {
                link.requestUserAcPosition();
                const auto held = link.replies().lock();
                link.replies().entries(held).clear();
            }
            std::this_thread::sleep_for(100us);
        }
    });
    std::this_thread::sleep_for(300ms);
    // The run ends while both keep going: the thread closes under the worker's requests.
    link.stop();
    link.join();
    std::this_thread::sleep_for(20ms);
    done.store(true);
    simulator.join();
    worker.join();

    EXPECT_FALSE(simConnectError.load());
    EXPECT_EQ(link.connection(), nullptr);
    const std::vector<SimCall> sent = recording.calls(handle);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().kind, SimCallKind::Close);
    EXPECT_TRUE(link.user().positionKnown());
}

} // namespace
} // namespace hlw::test
