#include "app/window_livery_view.h"

#include "liveries/livery_tables.h"
#include "support/recording_control_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hlw {
namespace {

TEST(WindowLiveryView, EachAnnouncementReachesTheBandThatShowsIt)
{
    ui::RecordingControlPort window;
    ui::gf_installControlPort(&window);
    StatusBoard status;
    int repaints = 0;
    status.setRepaintHook([&repaints] { ++repaints; });
    WindowLiveryView view(status);
    gf_installLiveryViewPort(&view);

    liveryCount.store(1234);
    gf_liveryView().liveryStatusChanged();
    EXPECT_EQ(status.snapshot().liveryCount, 1234);
    EXPECT_EQ(repaints, 1);
    // The same count again changes nothing on the window.
    gf_liveryView().liveryStatusChanged();
    EXPECT_EQ(repaints, 1);
    // A run reset keeps the count: the tables outlive the run.
    status.reset();
    EXPECT_EQ(status.snapshot().liveryCount, 1234);

    gf_liveryView().scanSwitchShown();
    EXPECT_EQ(window.takeOperations(), std::vector<std::string>{"invalidate 0,112,880,392 erase"});

    gf_installLiveryViewPort(nullptr);
    liveryCount.store(0);
    gf_liveryView().liveryStatusChanged();
    EXPECT_EQ(status.snapshot().liveryCount, 1234);
    EXPECT_TRUE(window.takeOperations().empty());
    ui::gf_installControlPort(nullptr);
}

} // namespace
} // namespace hlw
