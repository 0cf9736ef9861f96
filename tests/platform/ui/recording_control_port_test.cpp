#include "platform/ui/recording_control_port.h"

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

TEST(DefaultControlPortTest, DiscardsEveryCallUntilAPortIsInstalled)
{
    gf_installControlPort(nullptr);
    ControlPort& port = gf_controlPort();
    port.comboFill(listId, {"a", "b"}, 1);
    port.postMessage(repaintMessage);
    EXPECT_FALSE(port.hasControl(listId));
    EXPECT_EQ(port.comboSelection(listId), std::nullopt);
}

TEST(DefaultControlPortTest, InstalledPortReceivesCallsAndNullRestoresTheDefault)
{
    RecordingControlPort recording;
    gf_installControlPort(&recording);
    gf_controlPort().postMessage(repaintMessage);
    gf_installControlPort(nullptr);
    gf_controlPort().postMessage(repaintMessage);
    EXPECT_THAT(recording.operations(), ElementsAre("post 0x8060"));
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

TEST_F(RecordingControlPortTest, ModelsEnableCheckAndEditText)
{
    port.enable(editId, true);
    port.setChecked(checkId, true);
    port.setText(editId, "DLH123");
    port.enable(checkId, false);

    EXPECT_TRUE(port.control(editId)->enabled);
    EXPECT_EQ(port.control(editId)->text, "DLH123");
    EXPECT_TRUE(port.control(checkId)->checked);
    EXPECT_FALSE(port.control(checkId)->enabled);
    EXPECT_THAT(port.operations(),
                ElementsAre("enable 32828 on", "check 32771 on", "text 32828 DLH123", "enable 32771 off"));
}

TEST_F(RecordingControlPortTest, ListBuiltStepByStepSelectsByIndexOrNone)
{
    port.comboAddItem(listId, "stale");
    port.comboReset(listId);
    port.comboAddItem(listId, "MSFS 2020");
    port.comboAddItem(listId, "MSFS 2024");
    port.comboSelect(listId, 1);
    EXPECT_THAT(port.control(listId)->items, ElementsAre("MSFS 2020", "MSFS 2024"));
    EXPECT_EQ(port.comboSelection(listId), 1);
    EXPECT_EQ(port.control(listId)->text, "MSFS 2024");

    port.comboSelect(listId, std::nullopt);
    EXPECT_EQ(port.comboSelection(listId), std::nullopt);
    EXPECT_EQ(port.control(listId)->text, "");
}

TEST_F(RecordingControlPortTest, IndexOutsideTheEntriesLeavesNoSelection)
{
    port.comboFill(listId, {"1", "2"}, 0);
    for (const int32_t index : {2, -1, 1000}) {
        port.comboSelect(listId, 0);
        port.comboSelect(listId, index);
        EXPECT_EQ(port.comboSelection(listId), std::nullopt) << index;
    }
}

TEST_F(RecordingControlPortTest, FillReplacesEntriesAndSelectionInOneStep)
{
    port.comboFill(listId, {"a", "b", "c"}, 2);
    port.comboFill(listId, {"x", "y"}, std::nullopt);
    EXPECT_THAT(port.control(listId)->items, ElementsAre("x", "y"));
    EXPECT_EQ(port.comboSelection(listId), std::nullopt);
    EXPECT_THAT(port.operations(), ElementsAre("fill 32790 a|b|c select 2", "fill 32790 x|y select none"));
}

// A list given a text selects the entry equal to it, never one that merely begins with it.
TEST_F(RecordingControlPortTest, TextOnAListSelectsTheExactEntryOrNone)
{
    port.comboFill(listId, {"AIG, FSLTL, JF, MTL", "AIG, FSLTL", "AIG"}, 0);
    port.setText(listId, "AIG");
    EXPECT_EQ(port.comboSelection(listId), 2);
    port.setText(listId, "aig");
    EXPECT_EQ(port.comboSelection(listId), std::nullopt);
    port.setText(listId, "AIG, FSLTL");
    EXPECT_EQ(port.comboSelection(listId), 1);
    port.setText(listId, "AIG, F");
    EXPECT_EQ(port.comboSelection(listId), std::nullopt);
    EXPECT_THAT(port.control(listId)->items, ::testing::SizeIs(3));
}

TEST_F(RecordingControlPortTest, CallsForMissingControlsAreLoggedButChangeNothing)
{
    EXPECT_FALSE(port.hasControl(missingId));
    port.enable(missingId, false);
    port.setText(missingId, "x");
    port.comboFill(missingId, {"a"}, 0);
    EXPECT_EQ(port.control(missingId), std::nullopt);
    EXPECT_EQ(port.comboSelection(missingId), std::nullopt);
    EXPECT_THAT(port.takeOperations(), ElementsAre("enable 32999 off", "text 32999 x", "fill 32999 a select 0"));
    EXPECT_TRUE(port.operations().empty());
}

TEST_F(RecordingControlPortTest, RecordsInvalidatedRectanglesAndPostedMessages)
{
    port.invalidate(Rect{0, 112, 880, 392}, true);
    port.invalidate(Rect{0, 28, 880, 112}, false);
    port.postMessage(0x8060);
    EXPECT_THAT(port.operations(),
                ElementsAre("invalidate 0,112,880,392 erase", "invalidate 0,28,880,112", "post 0x8060"));
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
                (void)port.comboSelection(listId);
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
