#include "app/window_placement.h"
#include "settings/catalogue.h"
#include "settings/parameters_file.h"
#include "support/log_capture.h"
#include "support/recording_window.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(WindowPlacement, AtLeast48PixelsStayOnTheWorkAreaOnEverySide)
{
    const ui::Rect work{0, 0, 1920, 1040};
    struct Row {
        const char* name;
        ui::Rect window;
        ui::Rect workArea;
        ui::Point corner;
    };
    const Row rows[] = {
        {"no size, near the top", {400, 20, 400, 20}, work, {400, 48}},
        {"no size, far right", {5000, 300, 5000, 300}, work, {1872, 300}},
        {"no size, far left and below", {-5000, 5000, -5000, 5000}, work, {48, 992}},
        {"whole window at the top", {400, 20, 1280, 496}, work, {400, 20}},
        {"right edge just inside", {-832, 100, 48, 576}, work, {-832, 100}},
        {"right edge left of the margin", {-900, 100, -20, 576}, work, {-832, 100}},
        {"left edge beyond the margin", {1900, 100, 2780, 576}, work, {1872, 100}},
        {"above the top", {100, -600, 980, -124}, work, {100, -428}},
        {"wider and higher than the work area", {300, 200, 1180, 676}, {0, 0, 800, 400}, {0, 0}},
        {"second screen below a panel", {1920, 0, 1920, 0}, {1920, 30, 3200, 1024}, {1968, 78}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_cornerOnWorkArea(row.window, row.workArea), row.corner) << row.name;
    }
}

// "parameters.xml" in a temporary data folder, the log captured, the corner back at its defaults afterwards.
class StoredPosition : public ::testing::Test {
  protected:
    StoredPosition()
    {
        gf_overrideDataFolderPath(log.folder() / "user");
        fs::create_directories(dataFolderPath());
    }
    ~StoredPosition() override
    {
        gf_overrideDataFolderPath(std::nullopt);
        settings::mainWindowX.set(settings::mainWindowX.defaultValue());
        settings::mainWindowY.set(settings::mainWindowY.defaultValue());
    }

    void store(const std::string& parameters) const
    {
        test::writeWholeFile(parametersFilePath(),
                             fmt::format("<?xml version=\"1.0\"?>\n<root><parameters>{}</parameters></root>\n",
                                         parameters));
    }
    static std::string stored(int32_t x, int32_t y)
    {
        return fmt::format("<parameter name=\"MAIN_WINDOW_X\" value=\"{}\"/>"
                           "<parameter name=\"MAIN_WINDOW_Y\" value=\"{}\"/>",
                           x, y);
    }
    ui::Point corner() const { return {settings::mainWindowX.get(), settings::mainWindowY.get()}; }
    std::optional<ui::Point> saved() const
    {
        const auto x = gf_readStoredIntParameter("MAIN_WINDOW_X");
        const auto y = gf_readStoredIntParameter("MAIN_WINDOW_Y");
        return x && y ? std::optional<ui::Point>(ui::Point{*x, *y}) : std::nullopt;
    }

    test::LogCapture log;
    ui::RecordingWindow window;
};

TEST_F(StoredPosition, TheStoredCornerIsKeptOnTheScreenAndSavedWhenItMoves)
{
    struct Row {
        const char* name;
        std::string parameters;
        ui::Point corner;
        bool saved;
    };
    const Row rows[] = {
        {"both stored on the screen", stored(300, 200), {300, 200}, false},
        {"the default near the top", stored(400, 20), {400, 48}, true},
        {"x stuck at its minimum", stored(-30000, 200), {400, 200}, true},
        {"y stuck at its maximum", stored(300, 30000), {300, 48}, true},
        {"far right of the only screen", stored(9000, 300), {1872, 300}, true},
        {"beyond the range: clamped, so stuck", stored(40000, 300), {400, 300}, true},
        {"absent: the defaults", "", {400, 48}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store(row.parameters);
        gf_readWindowPosition(window);
        EXPECT_EQ(corner(), row.corner);
        if (row.saved) {
            EXPECT_EQ(saved(), row.corner);
        }
    }
}

TEST_F(StoredPosition, WithoutTheFileTheCornerIsLeftUnchecked)
{
    settings::mainWindowY.set(5);
    gf_readWindowPosition(window);
    EXPECT_EQ(corner(), (ui::Point{400, 5}));
    EXPECT_FALSE(fs::exists(parametersFilePath()));
}

TEST_F(StoredPosition, ABrokenFileIsKeptAsAnOlderGenerationAndRemoved)
{
    test::writeWholeFile(parametersFilePath(), "<root><parameters><parameter name=");
    settings::mainWindowX.set(700);
    gf_readWindowPosition(window);
    EXPECT_EQ(corner(), (ui::Point{700, 20}));
    EXPECT_FALSE(fs::exists(parametersFilePath()));
    EXPECT_EQ(test::readWholeFile(parametersFilePath().parent_path() / "parameters0.xml"),
              "<root><parameters><parameter name=");
    EXPECT_THAT(log.text(), HasSubstr(fmt::format("==> {} failed to load (", parametersFilePath().string())));
    EXPECT_THAT(log.text(), HasSubstr("). Saved as 0.xml and removed.\n"));
}

// Quitting stores the window's normal place, not where a minimised window is reported.
TEST_F(StoredPosition, TheQuitSavesTheNormalPlaceAlsoWhileMinimised)
{
    struct NoEvents final : ui::WindowEvents {
        void onMessage(uint32_t) override {}
        void onCommand(ui::Command) override {}
        void onClose() override {}
        void onPaint(ui::Painter&) override {}
    } events;
    ASSERT_TRUE(window.create({"Hollowmere", {400, 48}, 880, 476, 0}, {}, events));
    for (const bool minimised : {false, true}) {
        window.moveByUser({120, 240});
        window.setMinimisedByUser(minimised);
        gf_saveWindowPosition(window);
        EXPECT_EQ(corner(), (ui::Point{120, 240})) << minimised;
        EXPECT_EQ(saved(), (ui::Point{120, 240})) << minimised;
    }
    // Minimised, the window's size is still its normal size: 400 of its 880 pixels stay on the screen.
    window.moveByUser({-480, 240});
    window.setMinimisedByUser(true);
    gf_saveWindowPosition(window);
    EXPECT_EQ(saved(), (ui::Point{-480, 240}));
    EXPECT_TRUE(window.programMoves().empty());
    // Dragged mostly off the screen: pulled back, moved and saved.
    window.setMinimisedByUser(false);
    window.moveByUser({1900, 300});
    gf_saveWindowPosition(window);
    EXPECT_EQ(saved(), (ui::Point{1872, 300}));
    EXPECT_EQ(window.windowRect().topLeft(), (ui::Point{1872, 300}));
}

} // namespace
} // namespace hlw
