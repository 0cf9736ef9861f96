#include "app/window_livery_view.h"

#include "platform/ui/recording_control_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hlw {
namespace {

TEST(WindowLiveryView, EachAnnouncementRepaintsTheBandThatShowsIt)
{
    ui::RecordingControlPort window;
    ui::gf_installControlPort(&window);
    WindowLiveryView view;
    gf_installLiveryViewPort(&view);

    gf_liveryView().liveryStatusChanged();
    EXPECT_EQ(window.takeOperations(), std::vector<std::string>{"invalidate 0,28,880,112 erase"});
    gf_liveryView().scanSwitchShown();
    EXPECT_EQ(window.takeOperations(), std::vector<std::string>{"invalidate 0,112,880,392 erase"});

    gf_installLiveryViewPort(nullptr);
    gf_liveryView().liveryStatusChanged();
    EXPECT_TRUE(window.takeOperations().empty());
    ui::gf_installControlPort(nullptr);
}

} // namespace
} // namespace hlw
