#include "platform/ui/fltk_window.h"
#include "support/log_capture.h"
#include "support/xvfb_display.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <mutex>
#include <regex>
#include <thread>

// In the sanitizer build: fontconfig keeps its configuration and font caches for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace hlw::ui {
namespace {

using test::Pixel;

constexpr ControlId checkId = 32771;
constexpr ControlId listId = 32790;
constexpr ControlId editId = 32828;
constexpr ControlId buttonId = 32829;
constexpr Point place{200, 150};

// Paints the header black, the panel light blue and the message band green, or red while the error flag is set.
class Events final : public WindowEvents {
  public:
    void onMessage(uint32_t message) override { add(fmt::format("message {:X}", message)); }
    void onCommand(Command command) override
    {
        add(fmt::format("command {} {}", command.id, static_cast<int>(command.notification)));
    }
    void onClose() override { add("close"); }
    void onPaint(Painter& painter) override
    {
        painter.fillRect({0, 0, 880, 112}, 0x000000);
        painter.fillRect({0, 112, 880, 448}, 0xFFCC99);
        painter.fillRect({0, 448, 881, 477}, error.load() ? 0x0000FF : 0x32CD32);
        painter.text({3, 455}, "Ready", 0x00FFFF);
        paints.fetch_add(1);
    }

    int count(const std::string& entry) const
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(seen_.begin(), seen_.end(), entry));
    }

    std::atomic<bool> error{false};
    std::atomic<int> paints{0};

  private:
    void add(std::string entry)
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(entry));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
};

// A real window on Xvfb, run by a window thread of its own; skipped with its reason when no display starts.
// FLTK keeps its display connection for the whole process, so the suite shares one display.
class FltkWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sharedDisplay = new test::XvfbDisplay(); }
    static void TearDownTestSuite()
    {
        delete sharedDisplay;
        sharedDisplay = nullptr;
    }

    void SetUp() override
    {
        if (!display.available()) {
            std::fprintf(stderr, "%s\n", display.problem().c_str());
            GTEST_SKIP() << display.problem();
        }
        setenv("DISPLAY", display.name().c_str(), 1);
        std::promise<FltkWindow*> opened;
        std::future<FltkWindow*> openedWindow = opened.get_future();
        windowThread = std::thread([this, &opened] {
            std::unique_ptr<FltkWindow> owned = FltkWindow::open();
            if (!owned) {
                opened.set_value(nullptr);
                return;
            }
            const std::vector<ControlSpec> controls{
                {ControlKind::checkBox, checkId, {748, 149, 760, 161}, "", true, false},
                {ControlKind::comboBox, listId, {323, 142, 498, 442}, "", true, false},
                {ControlKind::editBox, editId, {107, 259, 207, 275}, "", true, false},
                {ControlKind::button, buttonId, {223, 257, 283, 277}, "Unblock", true, false},
            };
            const bool created = owned->create({"Window test", place, 880, 476, 0xFFCC99}, controls, events);
            opened.set_value(created ? owned.get() : nullptr);
            if (created) {
                code = owned->run(closeSignal);
            }
        });
        window = openedWindow.get();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(test::gf_eventually([this] { return events.paints.load() > 0; }));
    }
    void TearDown() override
    {
        if (window != nullptr) {
            window->quit(5);
        }
        if (windowThread.joinable()) {
            windowThread.join();
        }
        unsetenv("DISPLAY");
    }

    // Clicks at a client point and types keys (xdotool names), as the user would.
    void click(Point at) const
    {
        ASSERT_TRUE(display.run(fmt::format("xdotool mousemove {} {} click 1", place.x + at.x, place.y + at.y)));
    }
    void keys(const std::string& names) const { ASSERT_TRUE(display.run("xdotool " + names)); }
    Pixel pixel(const test::Screenshot& shot, Point at) const { return shot.at(place.x + at.x, place.y + at.y); }

    static inline test::XvfbDisplay* sharedDisplay = nullptr;
    const test::XvfbDisplay& display = *sharedDisplay;
    Events events;
    std::atomic<bool> closeSignal{false};
    std::thread windowThread;
    FltkWindow* window = nullptr;
    int code = -1;
};

TEST_F(FltkWindowTest, OpensAtItsPlaceWithItsClientSizeAndPaintsTheBands)
{
    const std::optional<std::string> geometry =
        display.run("xdotool search --sync --name '^Window test$' getwindowgeometry");
    ASSERT_TRUE(geometry);
    EXPECT_THAT(*geometry, ::testing::HasSubstr(fmt::format("Position: {},{}", place.x, place.y)));
    EXPECT_THAT(*geometry, ::testing::HasSubstr("Geometry: 880x476"));
    EXPECT_EQ(window->windowRect(), (Rect{200, 150, 1080, 626}));

    std::optional<test::Screenshot> shot = test::Screenshot::take(display);
    ASSERT_TRUE(shot);
    EXPECT_EQ(pixel(*shot, {440, 20}), (Pixel{0, 0, 0}));
    EXPECT_EQ(pixel(*shot, {860, 300}), (Pixel{0x99, 0xCC, 0xFF}));
    EXPECT_EQ(pixel(*shot, {600, 470}), (Pixel{0x32, 0xCD, 0x32}));
    // Outside the window the screen stays as it was.
    EXPECT_EQ(shot->at(place.x - 5, place.y + 200), (Pixel{0, 0, 0}));

    const int paints = events.paints.load();
    events.error.store(true);
    window->invalidate({0, 448, 880, 476}, false);
    ASSERT_TRUE(test::gf_eventually([&] { return events.paints.load() > paints; }));
    shot = test::Screenshot::take(display);
    ASSERT_TRUE(shot);
    EXPECT_EQ(pixel(*shot, {600, 470}), (Pixel{0xFF, 0, 0}));
}

// A click on the check box is reported and leaves its mark alone; a list choice and Enter in the edit box are
// reported with their notifications; the program's own changes report nothing.
TEST_F(FltkWindowTest, TheUsersClicksChoicesAndEnterReachTheCommands)
{
    window->comboFill(listId, {"AIG", "FSLTL", "JF"}, 0);
    window->setChecked(checkId, false);
    window->setText(editId, "old");
    ASSERT_EQ(window->shownControl(listId)->selection, 0);

    click({754, 155});
    ASSERT_TRUE(test::gf_eventually([&] { return events.count("command 32771 0") == 1; }));
    EXPECT_FALSE(window->shownControl(checkId)->checked);

    click({400, 147});
    keys("key --delay 100 Down Return");
    ASSERT_TRUE(test::gf_eventually([&] { return events.count("command 32790 1") == 1; }));
    EXPECT_EQ(window->comboSelection(listId), 1);
    EXPECT_EQ(window->controlText(listId), "FSLTL");

    click({150, 267});
    keys("key --delay 20 ctrl+a BackSpace");
    keys("type --delay 20 BAW22");
    keys("key Return");
    ASSERT_TRUE(test::gf_eventually([&] { return events.count("command 32828 2") == 1; }));
    EXPECT_EQ(window->controlText(editId), "BAW22");
    // With the focus in the edit box the unchecked check box is plain white inside its border: no focus dots.
    const auto plainCheckBox = [&] {
        const std::optional<test::Screenshot> shot = test::Screenshot::take(display);
        if (!shot) {
            return false;
        }
        for (int x = 749; x <= 758; ++x) {
            if (pixel(*shot, {x, 150}) != Pixel{0xFF, 0xFF, 0xFF}) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(test::gf_eventually(plainCheckBox, std::chrono::seconds(2)));

    click({250, 267});
    ASSERT_TRUE(test::gf_eventually([&] { return events.count("command 32829 0") == 1; }));
    window->enable(buttonId, false);
    ASSERT_FALSE(window->shownControl(buttonId)->enabled);
    click({250, 267});
    keys("key Escape");
    closeSignal.store(true);
    ASSERT_TRUE(test::gf_eventually([&] { return events.count("close") == 1; }));
    EXPECT_EQ(events.count("command 32829 0"), 1);
    EXPECT_EQ(events.count("command 32771 0"), 1);
}

// 10,000 calls from four threads, a fifth of them repaints, while the window thread paints: nothing hangs, the
// wake-ups are fewer than the calls, the widgets end in the last state given and the last repaint is shown.
TEST_F(FltkWindowTest, CallsFromFourThreadsEndInTheLastStateGiven)
{
    constexpr int perThread = 2500;
    const uint64_t wakeUpsBefore = window->wakeUps();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i) {
                switch (i % 5) {
                case 0:
                    window->invalidate({0, 448, 880, 476}, false);
                    break;
                case 1:
                    window->setChecked(checkId, (i + t) % 2 == 0);
                    break;
                case 2:
                    window->comboFill(listId, {std::to_string(t), std::to_string(i)}, i % 2);
                    break;
                case 3:
                    window->setText(editId, fmt::format("{}-{}", t, i));
                    break;
                default:
                    window->enable(buttonId, i % 2 == 0);
                    break;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    window->setChecked(checkId, true);
    window->comboFill(listId, {"one", "two", "three"}, 2);
    window->setText(editId, "FINAL");
    window->enable(buttonId, false);

    const std::optional<ControlState> check = window->shownControl(checkId);
    const std::optional<ControlState> list = window->shownControl(listId);
    const std::optional<ControlState> edit = window->shownControl(editId);
    const std::optional<ControlState> button = window->shownControl(buttonId);
    ASSERT_TRUE(check && list && edit && button);
    EXPECT_TRUE(check->checked);
    EXPECT_THAT(list->items, ::testing::ElementsAre("one", "two", "three"));
    EXPECT_EQ(list->selection, 2);
    EXPECT_EQ(edit->text, "FINAL");
    EXPECT_FALSE(button->enabled);
    EXPECT_LT(window->wakeUps() - wakeUpsBefore, 4U * perThread);

    // The last repaint asked for reaches the screen.
    events.error.store(true);
    window->invalidate({0, 448, 880, 476}, false);
    std::optional<test::Screenshot> shot;
    EXPECT_TRUE(test::gf_eventually([&] {
        shot = test::Screenshot::take(display);
        return shot && pixel(*shot, {600, 470}) == Pixel{0xFF, 0, 0};
    }));
}

} // namespace
} // namespace hlw::ui
