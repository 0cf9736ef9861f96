// The window's answers to the parking code: the learned updates count reaches the parking band, a learned
// "AUTO_RANGE" the range lists and the worker's range request, a learned "INITIAL_LOAD_ONLY" the "Now" button once
// the start-up allowed it, and the parking controls follow a static-parking calculation.
#include "app/control_table.h"
#include "app/parking_window_hooks.h"
#include "settings/catalogue.h"
#include "support/recording_window.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

class ParkingWindowHooksTest : public ::testing::Test {
  protected:
    ParkingWindowHooksTest()
    {
        ui::gf_installControlPort(&window);
        window.create({"Hollowmere", {400, 20}, 880, 476, 0xFFCC99}, gf_controlsAtCreation(), events);
        gf_installParkingWindowPort(&hooks);
    }
    ~ParkingWindowHooksTest() override
    {
        gf_installParkingWindowPort(nullptr);
        ui::gf_installControlPort(nullptr);
        settings::autoRange.set(settings::autoRange.defaultValue());
        settings::initialLoadOnly.set(settings::initialLoadOnly.defaultValue());
    }

    bool enabled(const ControlBinding& binding) const
    {
        return window.controls().control(binding.controlId())->enabled;
    }

    struct NoEvents final : ui::WindowEvents {
        void onMessage(uint32_t) override {}
        void onCommand(ui::Command) override {}
        void onClose() override {}
        void onPaint(ui::Painter&) override {}
    } events;
    ui::RecordingWindow window;
    StatusBoard status;
    SimControls controls{status};
    WorkerRequests requests;
    ParkingWindowHooks hooks{status, controls, requests};
};

TEST_F(ParkingWindowHooksTest, ALearnedAutomaticRangeSwitchesTheListsAndAsksTheWorkerForTheRange)
{
    for (const bool automatic : {true, false, true}) {
        SCOPED_TRACE(automatic);
        requests.autoRange.store(false);
        settings::autoRange.set(automatic);
        gf_parkingWindow().applyAutoRange();
        EXPECT_EQ(enabled(settings::range), !automatic);
        EXPECT_EQ(enabled(settings::arAboveHeight), automatic);
        EXPECT_EQ(requests.autoRange.load(), automatic) << "the range is computed at the worker's next second";
    }
}

TEST_F(ParkingWindowHooksTest, NowFollowsALearnedInitialLoadOnlyOnceTheStartUpAllowedIt)
{
    gf_parkingWindow().initialLoadOnlyChanged(false);
    EXPECT_FALSE(enabled(settings::nowButton)) << "not before the start-up";
    controls.enableForStartUp();
    for (const bool initialLoadOnly : {false, true, false}) {
        gf_parkingWindow().initialLoadOnlyChanged(initialLoadOnly);
        EXPECT_EQ(enabled(settings::nowButton), !initialLoadOnly) << initialLoadOnly;
    }
}

TEST_F(ParkingWindowHooksTest, TheUpdatesCountAndTheParkingControlsReachTheWindow)
{
    gf_parkingWindow().learnedUpdatesChanged(7);
    EXPECT_EQ(status.snapshot().updateCount, 7);
    controls.enableForStartUp();
    gf_parkingWindow().parkingControls(false);
    EXPECT_TRUE(status.snapshot().staticParkingBusy);
    EXPECT_FALSE(enabled(settings::week));
    EXPECT_FALSE(enabled(settings::flushStaticButton));
    gf_parkingWindow().parkingControls(true);
    EXPECT_FALSE(status.snapshot().staticParkingBusy);
    EXPECT_TRUE(enabled(settings::week));
    EXPECT_TRUE(enabled(settings::flushStaticButton));
}

} // namespace
} // namespace hlw
