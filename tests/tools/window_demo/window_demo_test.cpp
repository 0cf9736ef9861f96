// The window demo on a virtual display: each scenario's screenshot shows the lamps and bands in their colours.
#include "support/child_process.h"
#include "support/xvfb_display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace hlw {
namespace {

using test::Pixel;

constexpr int originX = 100;
constexpr int originY = 60;

constexpr Pixel black{0, 0, 0};
constexpr Pixel green{0x32, 0xCD, 0x32};
constexpr Pixel yellow{0xFF, 0xFF, 0};
constexpr Pixel red{0xFF, 0, 0};
constexpr Pixel lightBlue{0x99, 0xCC, 0xFF};

struct Shot {
    const char* scenario;
    Pixel simLamp;
    Pixel rtLamp;
    Pixel messageBand;
};

class WindowDemo : public testing::TestWithParam<Shot> {};

TEST_P(WindowDemo, TheScreenshotShowsTheLampsAndBands)
{
    const test::XvfbDisplay display;
    if (!display.available()) {
        GTEST_SKIP() << display.problem();
    }
    const Shot& shot = GetParam();
    test::ChildProcess demo({"env", "DISPLAY=" + display.name(), "LSAN_OPTIONS=suppressions=" HLMR_FONTCONFIG_LEAKS,
                             HLMR_WINDOW_DEMO, shot.scenario, std::to_string(originX), std::to_string(originY)});
    ASSERT_EQ(demo.readLine(std::chrono::seconds(30)), "ready");
    std::optional<test::Screenshot> screen;
    const auto at = [&](int x, int y) { return screen->at(originX + x, originY + y); };
    // The first paint may reach the screen a moment after it was drawn.
    const auto shown = [&] {
        screen = test::Screenshot::take(display, std::string(::testing::TempDir()) + shot.scenario + ".png");
        return screen && at(870, 462) == shot.messageBand && at(410, 105) == shot.simLamp;
    };
    bool ok = false;
    for (int attempt = 0; attempt < 50 && !ok; ++attempt) {
        ok = shown();
    }
    ASSERT_TRUE(ok) << shot.scenario;
    EXPECT_EQ(at(440, 105), shot.rtLamp);
    EXPECT_EQ(at(850, 14), black);
    EXPECT_EQ(at(870, 250), lightBlue);
    EXPECT_EQ(at(870, 420), black);
    EXPECT_EQ(at(1, 472), shot.messageBand);
    // The white line between the header and the status band.
    EXPECT_EQ(at(600, 28), (Pixel{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(demo.stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, WindowDemo,
                         testing::Values(Shot{"not-connected", red, black, green},
                                         Shot{"connected-no-flight", yellow, black, green},
                                         Shot{"running", green, green, green},
                                         Shot{"readers-stalled", green, yellow, green},
                                         Shot{"source-not-ready", green, red, green},
                                         Shot{"error", green, green, red}),
                         [](const testing::TestParamInfo<Shot>& param) {
                             std::string name = param.param.scenario;
                             for (char& c : name) {
                                 c = c == '-' ? '_' : c;
                             }
                             return name;
                         });

} // namespace
} // namespace hlw
