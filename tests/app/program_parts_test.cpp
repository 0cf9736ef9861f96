#include "app/program_parts.h"

#include "support/recording_control_port.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace hlw {
namespace {

// Built on the heap, as the program does, so that the address sanitizer sees every member's lifetime.
TEST(ProgramParts, EveryPartIsWiredToTheConstructedEngineAndTornDownCleanly)
{
    ui::RecordingControlPort window;
    ui::gf_installControlPort(&window);
    auto parts = std::make_unique<ProgramParts>();

    // The parking service and the live-traffic link reach the engine the parts hold.
    EXPECT_EQ(&parts->parkingTraffic.liveAircraft(), &parts->tick.state().live);
    EXPECT_EQ(&parts->parkingTraffic.staticAircraft(), &parts->tick.state().statics);
    EXPECT_EQ(&parts->tick.links().parking, &parts->parking);
    EXPECT_EQ(&parts->tick.links().liveLink, &parts->liveLink);
    parts->lifecycle.refreshCounts(parts->status);
    parts->lifecycle.removeForLostLink();
    parts->resets.runAll();

    parts.reset();
    ui::gf_installControlPort(nullptr);
}

TEST(ProgramParts, EngineSidePartsUsedBeforeTheEngineIsAttachedThrow)
{
    TrafficQueue traffic;
    TrafficReaders readers;
    LiveSafety safety;
    EngineLifecycle lifecycle{safety};
    EngineParkingTraffic parkingTraffic{readers, traffic};
    StatusBoard status;
    EXPECT_THROW(lifecycle.refreshCounts(status), std::logic_error);
    EXPECT_THROW(parkingTraffic.liveAircraft(), std::logic_error);
}

} // namespace
} // namespace hlw
