#include "support/recording_window.h"

#include "platform/ui/screens.h"
#include "support/log_capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

namespace hlw::ui {
namespace {

using ::testing::ElementsAre;

TEST(Colour, ProgramValuesAreBlueGreenRedFromTheTopByte)
{
    struct Row {
        Colour colour;
        Rgb rgb;
    };
    const Row rows[] = {
        {0x0000FF, {255, 0, 0}},     {0xFFCC99, {0x99, 0xCC, 0xFF}}, {0x32CD32, {0x32, 0xCD, 0x32}},
        {0x00FFFF, {255, 255, 0}},   {0xA0A0A0, {0xA0, 0xA0, 0xA0}}, {0x000000, {0, 0, 0}},
        {0xFF123456, {0x56, 0x34, 0x12}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_rgbOf(row.colour), row.rgb) << std::hex << row.colour;
    }
}

TEST(Screens, TheScreenWithMostOverlapOrElseTheNearestGivesItsWorkArea)
{
    const std::vector<Screen> screens{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                      {{1920, 0, 3200, 1024}, {1920, 30, 3200, 1024}}};
    struct Row {
        const char* name;
        Rect rect;
        Rect workArea;
    };
    const Row rows[] = {
        {"inside the first", {100, 100, 980, 576}, screens[0].workArea},
        {"mostly on the second", {1800, 100, 2680, 576}, screens[1].workArea},
        {"a point on the second", {2000, 500, 2000, 500}, screens[1].workArea},
        {"far left of both", {-5000, 10, -4120, 486}, screens[0].workArea},
        {"far right of both", {9000, 10, 9880, 486}, screens[1].workArea},
        {"below the first", {300, 3000, 1180, 3476}, screens[0].workArea},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_nearestWorkArea(row.rect, screens), row.workArea) << row.name;
    }
    EXPECT_EQ(gf_nearestWorkArea({0, 0, 10, 10}, {}), Rect{});
}

constexpr ControlId checkId = 32771;
constexpr ControlId listId = 32790;
constexpr ControlId editId = 32828;
constexpr ControlId buttonId = 32829;
constexpr ControlId offButtonId = 32830;

// Records what the window thread delivers; read by the test's thread through snapshot().
class Events final : public WindowEvents {
  public:
    void onMessage(uint32_t message) override { add("message " + std::to_string(message)); }
    void onCommand(Command command) override
    {
        add("command " + std::to_string(command.id) + " " + std::to_string(static_cast<int>(command.notification)));
    }
    void onClose() override { add("close"); }
    void onPaint(Painter& painter) override
    {
        painter.fillRect({0, 448, 881, 477}, 0x32CD32);
        painter.line({0, 28}, {880, 28}, 0xFFFFFF);
        painter.text({3, 455}, "Ready", 0x00FFFF);
    }

    std::vector<std::string> snapshot() const
    {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    int count(const std::string& entry) const
    {
        const std::vector<std::string> seen = snapshot();
        return static_cast<int>(std::count(seen.begin(), seen.end(), entry));
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        seen_.clear();
    }

  private:
    void add(std::string entry)
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(entry));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
};

class RecordingWindowTest : public ::testing::Test {
  protected:
    RecordingWindowTest()
    {
        const std::vector<ControlSpec> controls{
            {ControlKind::checkBox, checkId, {748, 149, 760, 161}, "", true, true},
            {ControlKind::comboBox, listId, {323, 142, 498, 442}, "", true, false},
            {ControlKind::editBox, editId, {107, 259, 207, 275}, "", true, false},
            {ControlKind::button, buttonId, {223, 257, 283, 277}, "Unblock", true, false},
            {ControlKind::button, offButtonId, {305, 257, 365, 277}, "cs->oid:", false, false},
        };
        EXPECT_TRUE(window.create({"Hollowmere", {400, 20}, 880, 476, 0xFFCC99}, controls, events));
        window.pump();
        events.clear();
    }

    Events events;
    RecordingWindow window;
};

// The user's actions reach the commands; a check box keeps its mark, which only the program sets.
TEST_F(RecordingWindowTest, UserActionsBecomeCommandsAndTheProgramsChangesDoNot)
{
    window.comboFill(listId, {"AIG", "FSLTL"}, 0);
    window.setChecked(checkId, false);
    window.setText(editId, "DLH1");
    EXPECT_TRUE(window.click(checkId));
    EXPECT_TRUE(window.choose(listId, 1));
    EXPECT_TRUE(window.typeWithEnter(editId, "BAW22"));
    EXPECT_TRUE(window.click(buttonId));
    EXPECT_FALSE(window.click(offButtonId));
    EXPECT_FALSE(window.choose(listId, 2));
    EXPECT_FALSE(window.typeWithEnter(listId, "x"));
    EXPECT_FALSE(window.click(editId));
    EXPECT_EQ(window.pump(), 4);
    EXPECT_THAT(events.snapshot(),
                ElementsAre("command 32771 0", "command 32790 1", "command 32828 2", "command 32829 0"));
    EXPECT_FALSE(window.controls().control(checkId)->checked);
    EXPECT_EQ(window.comboSelection(listId), 1);
    EXPECT_EQ(window.controlText(listId), "FSLTL");
    EXPECT_EQ(window.controlText(editId), "BAW22");
    // The user's changes are not the program's calls.
    EXPECT_THAT(window.controls().operations(),
                ElementsAre("fill 32790 AIG|FSLTL select 0", "check 32771 off", "text 32828 DLH1"));
}

// Messages keep their order; the repaint they ask for runs once, after them.
TEST_F(RecordingWindowTest, PostedMessagesComeInOrderAndRepaintsAreUnitedAfterThem)
{
    window.postMessage(0x8001);
    window.invalidate({0, 448, 880, 476}, false);
    window.postMessage(0x8060);
    window.invalidate({0, 28, 880, 112}, false);
    window.close();
    const int32_t paintsBefore = window.paintCount();
    EXPECT_EQ(window.pump(), 4);
    EXPECT_THAT(events.snapshot(), ElementsAre("message 32769", "message 32864", "close"));
    EXPECT_EQ(window.paintCount(), paintsBefore + 1);
    EXPECT_THAT(window.lastPaint(), ElementsAre("fill 0,448,881,477 0x32CD32", "line 0,28 880,28 0xFFFFFF",
                                                "text 3,455 0x00FFFF Ready"));
}

TEST_F(RecordingWindowTest, ListEntriesOfAnyLengthAreReadWhole)
{
    const std::string longEntry(1000, 'A');
    window.comboFill(listId, {"short", longEntry}, 1);
    EXPECT_EQ(window.comboItemText(listId, 1), longEntry);
    EXPECT_EQ(window.comboItemText(listId, 2), std::nullopt);
    EXPECT_EQ(window.comboItemText(listId, -1), std::nullopt);
    EXPECT_EQ(window.comboItemText(editId, 0), std::nullopt);
}

// A minimised window reports its place off the screens; its normal rectangle stays where it was.
TEST_F(RecordingWindowTest, MinimisedWindowKeepsItsNormalRectangle)
{
    EXPECT_EQ(window.windowRect(), (Rect{400, 20, 1280, 496}));
    window.moveByUser({100, 200});
    window.setMinimisedByUser(true);
    EXPECT_TRUE(window.minimised());
    EXPECT_EQ(window.windowRect().left, -32000);
    EXPECT_EQ(window.normalRect(), (Rect{100, 200, 980, 676}));
    window.move({50, 60});
    EXPECT_EQ(window.normalRect().topLeft(), (Point{50, 60}));
    EXPECT_THAT(window.programMoves(), ElementsAre(Point{50, 60}));
}

// The loop runs on its own thread; the close signal counts once as the close button, quit() ends it.
TEST_F(RecordingWindowTest, RunDeliversFromOtherThreadsAndTheCloseSignalOnce)
{
    std::atomic<bool> closeSignal{false};
    int code = -1;
    std::thread windowThread([&] { code = window.run(closeSignal); });
    window.postMessage(0x8001);
    closeSignal.store(true);
    window.click(buttonId);
    EXPECT_TRUE(
        test::gf_eventually([&] { return events.count("close") == 1 && events.count("command 32829 0") == 1; }));
    window.postMessage(0x8002);
    EXPECT_TRUE(test::gf_eventually([&] { return events.count("message 32770") == 1; }));
    window.quit(7);
    windowThread.join();
    EXPECT_EQ(code, 7);
    EXPECT_FALSE(window.shown());
    EXPECT_EQ(events.count("close"), 1);
}

TEST(RecordingWindowCreation, ARefusedWindowHasNoControls)
{
    Events events;
    RecordingWindow window;
    window.refuseCreation();
    EXPECT_FALSE(window.create({"Hollowmere", {400, 20}, 880, 476, 0xFFCC99},
                               {{ControlKind::checkBox, checkId, {}, "", true, false}}, events));
    EXPECT_FALSE(window.hasControl(checkId));
    EXPECT_FALSE(window.createdSpec());
}

} // namespace
} // namespace hlw::ui
