#include "support/recording_control_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace hlw::ui {
namespace {

using ::testing::ElementsAre;

constexpr ControlId listId = 32790;
constexpr ControlId checkId = 32771;
constexpr ControlId editId = 32828;
constexpr ControlId missingId = 32999;

TEST(ControlPort, DiscardsEveryCallUntilAPortIsInstalled)
{
    RecordingControlPort recording;
    recording.createControl(listId, ControlKind::comboBox);
    for (ControlPort* installed : {static_cast<ControlPort*>(&recording), static_cast<ControlPort*>(nullptr)}) {
        gf_installControlPort(installed);
        gf_controlPort().comboFill(listId, {"a", "b"}, 1);
        gf_controlPort().postMessage(repaintMessage);
        EXPECT_EQ(gf_controlPort().hasControl(listId), installed != nullptr);
        EXPECT_EQ(gf_controlPort().comboSelection(listId), installed ? std::optional<int32_t>(1) : std::nullopt);
    }
    EXPECT_THAT(recording.operations(), ElementsAre("fill 32790 a|b select 1", "post 0x8060"));
}

class RecordingControlPortTest : public ::testing::Test {
  protected:
    RecordingControlPortTest()
    {
        port.createControl(listId, ControlKind::comboBox);
        port.createControl(checkId, ControlKind::checkBox);
        port.createControl(editId, ControlKind::editBox, false);
    }

    RecordingControlPort port;
};

TEST_F(RecordingControlPortTest, ModelsAndLogsEveryCall)
{
    port.enable(editId, true);
    port.setChecked(checkId, true);
    port.setText(editId, "DLH123");
    port.enable(checkId, false);
    port.invalidate(Rect{0, 112, 880, 392}, true);
    port.invalidate(Rect{0, 28, 880, 112}, false);
    EXPECT_TRUE(port.control(editId)->enabled && port.control(checkId)->checked && !port.control(checkId)->enabled);
    EXPECT_EQ(port.control(editId)->text, "DLH123");
    EXPECT_THAT(port.takeOperations(),
                ElementsAre("enable 32828 on", "check 32771 on", "text 32828 DLH123", "enable 32771 off",
                            "invalidate 0,112,880,392 erase", "invalidate 0,28,880,112"));
    // Calls for ids without a control are logged too but change nothing.
    port.setText(missingId, "x");
    port.comboFill(missingId, {"a"}, 0);
    EXPECT_FALSE(port.hasControl(missingId) || port.control(missingId) || port.comboSelection(missingId));
    EXPECT_THAT(port.operations(), ElementsAre("text 32999 x", "fill 32999 a select 0"));
}

// A list selects by index (one outside the entries selects none) or by a text equal to an entry, never by one
// that merely begins like it; a fill replaces entries and selection in one step.
TEST_F(RecordingControlPortTest, ListsSelectByIndexOrExactText)
{
    port.comboAddItem(listId, "stale");
    port.comboReset(listId);
    for (const char* item : {"AIG, FSLTL, JF", "AIG, FSLTL", "AIG"}) {
        port.comboAddItem(listId, item);
    }
    // -1: no entry selected.
    const std::pair<std::optional<int32_t>, int> indexes[] = {{0, 0},   {2, 2},     {3, -1},           {1, 1},
                                                              {-1, -1}, {1000, -1}, {std::nullopt, -1}};
    for (const auto& [index, selected] : indexes) {
        port.comboSelect(listId, index);
        EXPECT_EQ(port.comboSelection(listId).value_or(-1), selected) << index.value_or(-9);
        EXPECT_EQ(port.control(listId)->text, selected < 0 ? "" : port.control(listId)->items[selected]);
    }
    for (const auto& [text, selected] : {std::pair{"AIG", 2}, {"aig", -1}, {"AIG, FSLTL", 1}, {"AIG, F", -1}}) {
        port.setText(listId, text);
        EXPECT_EQ(port.comboSelection(listId).value_or(-1), selected) << text;
    }
    port.comboFill(listId, {"x", "y"}, std::nullopt);
    EXPECT_THAT(port.control(listId)->items, ElementsAre("x", "y"));
    EXPECT_EQ(port.comboSelection(listId), std::nullopt);
    EXPECT_EQ(port.operations().back(), "fill 32790 x|y select none");
}

TEST_F(RecordingControlPortTest, CallsFromSeveralThreadsAreAllRecorded)
{
    constexpr int perThread = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i) {
                port.comboFill(listId, {std::to_string(t), std::to_string(i)}, i % 2);
                port.setChecked(checkId, i % 2 == 0);
                (void)port.control(listId);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(port.operations().size(), 4U * perThread * 2);
    EXPECT_THAT(port.control(listId)->items, ::testing::SizeIs(2));
}

} // namespace
} // namespace hlw::ui
