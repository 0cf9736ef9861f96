#include "app/control_table.h"
#include "app/sim_controls.h"
#include "settings/catalogue.h"
#include "support/recording_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace hlw {
namespace {

using ui::ControlKind;
constexpr ControlKind check = ControlKind::checkBox;
constexpr ControlKind list = ControlKind::comboBox;
constexpr ControlKind edit = ControlKind::editBox;
constexpr ControlKind button = ControlKind::button;

// The main window's controls on the recording back end, with the settings that decide the start-up state
// restored afterwards.
class SimControlsTest : public ::testing::Test {
  protected:
    SimControlsTest()
    {
        ui::gf_installControlPort(&window);
        window.create({"Hollowmere", {400, 20}, 880, 476, 0xFFCC99}, gf_controlsAtCreation(), events);
        settings::autoRange.set(false);
        settings::ligAutomatic.set(true);
        settings::scanLiveries.set(false);
        settings::initialLoadOnly.set(false);
        settings::blockCallsign.set("");
    }
    ~SimControlsTest() override
    {
        ui::gf_installControlPort(nullptr);
        for (BoolParameter* flag : std::initializer_list<BoolParameter*>{
                 &settings::autoRange, &settings::ligAutomatic, &settings::scanLiveries, &settings::initialLoadOnly}) {
            flag->set(flag->defaultValue());
        }
        settings::blockCallsign.set("");
        settings::destination.set(settings::destination.defaultValue());
        settings::maxParkSel.set(settings::maxParkSel.defaultValue());
        settings::simChoice.set(settings::simChoice.defaultValue());
    }

    bool enabled(const ControlBinding& binding) const
    {
        return window.controls().control(binding.controlId())->enabled;
    }
    ui::ControlState state(const ControlBinding& binding) const
    {
        return *window.controls().control(binding.controlId());
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
};

// Every control of the window: kind, id, place and size as created, and the state the start-up leaves with
// AUTO_RANGE off, LIG_AUTOMATIC on, SCAN_LIVERIES off, INITIAL_LOAD_ONLY off and no blocked callsign. The
// install path box and "Re-read" are enabled later by the start-up's own steps.
TEST_F(SimControlsTest, EveryControlIsCreatedAndLeftByTheStartUpAsTheTableSays)
{
    struct Row {
        const char* key;
        ControlKind kind;
        ui::ControlId id;
        int32_t y, x, w, h;
        bool enabledAfterStartUp;
        // A list filled and showing its value.
        bool selected;
    };
    const Row rows[] = {
        {"SIM_CHOICE", list, 32789, 119, 5, 105, 80, true, true},
        {"ALL_INSTALL_PATH", edit, 32788, 119, 111, 1200, 16, false, false},
        {"SCAN_LIVERIES", check, 32798, 147, 5, 12, 12, true, false},
        {"LIG_AUTOMATIC", check, 32799, 147, 217, 12, 12, true, false},
        {"AI_PACKAGE_SELECTOR", list, 32790, 147, 323, 175, 300, true, true},
        {"LIG_PRIORITIZE", check, 32800, 147, 536, 12, 12, true, false},
        {"ALWAYS_ON_TOP", check, 32771, 147, 748, 12, 12, true, false},
        {"SCAN_AIRPORTS", check, 32802, 175, 5, 12, 12, false, false},
        {"tblo.zip", button, 32804, 175, 217, 80, 20, false, false},
        {"OBJECTID_LIST", check, 32775, 175, 652, 12, 12, true, false},
        {"NAV_LIGHTS_WHILE_PARKED", check, 32774, 175, 748, 12, 12, true, false},
        {"MATCHING_DEPTH", list, 32808, 203, 217, 40, 120, true, true},
        {"LIGHT_AIRCRAFT", check, 32809, 203, 323, 12, 12, true, false},
        {"HELICOPTERS", check, 32810, 203, 430, 12, 12, true, false},
        {"HIGH_PERF_AIRCRAFT", check, 32811, 203, 536, 12, 12, true, false},
        {"AEROWINX", check, 32776, 203, 652, 12, 12, true, false},
        {"GUID_CHANGES", check, 32773, 203, 748, 12, 12, true, false},
        {"RANGE", list, 32818, 231, 217, 50, 200, true, true},
        {"AUTO_RANGE", check, 32819, 231, 323, 12, 12, true, false},
        {"AR_ABOVE_HEIGHT", list, 32820, 231, 455, 70, 230, false, true},
        {"AIRBORNE_ONLY", check, 32821, 231, 572, 12, 12, true, false},
        {"COLLISION_USER_GND", check, 32834, 287, 217, 12, 12, true, false},
        {"COLLISION_USER_AIR", check, 32833, 287, 323, 12, 12, true, false},
        {"COLLISION_LIVE_PARKED_GND", check, 32835, 287, 430, 12, 12, true, false},
        {"BLOCK_CALLSIGN", edit, 32828, 259, 107, 100, 16, true, false},
        {"Unblock", button, 32829, 257, 223, 60, 20, false, false},
        {"cs->oid:", button, 32830, 257, 305, 60, 20, false, false},
        {"CALLSIGN_2_OBJECTID", list, 32831, 259, 375, 100, 300, false, false},
        {"Block", button, 32832, 257, 576, 60, 20, false, false},
        {"Now", button, 32847, 313, 111, 45, 20, false, false},
        {"MAX_PARK_SEL", list, 32848, 315, 323, 55, 144, true, true},
        {"MAX_LIVE_SEL", list, 32849, 315, 536, 55, 144, true, true},
        {"DESTINATION", edit, 32839, 343, 217, 50, 16, false, false},
        {"AIRP_RANGE", list, 32840, 343, 353, 45, 144, true, true},
        {"AIRP_HEIGHT", list, 32841, 343, 566, 70, 230, true, true},
        {"STRAIGHT_PBS_ONLY", check, 32855, 315, 652, 12, 12, true, false},
        {"INITIAL_LOAD_ONLY", check, 32851, 371, 5, 12, 12, true, false},
        {"WEEK", check, 32853, 371, 71, 12, 12, true, false},
        {"PARK_SOFT", check, 32852, 371, 151, 12, 12, true, false},
        {"parking_percentage", list, 32850, 371, 323, 50, 200, false, true},
        {"MAX_FIT_FL", list, 32854, 371, 566, 60, 300, false, true},
        {"Re-read", button, 32838, 341, 758, 90, 20, false, false},
        {"Flush static", button, 32857, 369, 758, 90, 20, false, false},
    };
    const std::vector<ControlRow>& table = gf_controlTable();
    const std::vector<ui::ControlSpec> created = window.createdControls();
    ASSERT_EQ(table.size(), std::size(rows));
    ASSERT_EQ(created.size(), std::size(rows));
    controls.enableForStartUp();
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(dynamic_cast<const Parameter*>(table[i].binding)->key(), row.key);
        const ui::ControlSpec& spec = created[i];
        EXPECT_EQ(spec.kind, row.kind);
        EXPECT_EQ(spec.id, row.id);
        const int32_t top = row.kind == check ? row.y + 2 : row.kind == list ? row.y - 5 : row.y;
        EXPECT_EQ(spec.rect, (ui::Rect{row.x, top, row.x + row.w, top + row.h}));
        EXPECT_EQ(spec.enabled, row.kind == check || row.kind == list);
        if (row.kind == button) {
            EXPECT_EQ(spec.caption, row.key);
        }
        // The window opens before the settings are read: each check box shows its built-in default.
        if (const auto* box = dynamic_cast<const BoolCheckBoxParameter*>(table[i].binding)) {
            EXPECT_EQ(spec.checked, box->defaultValue());
        }
        const ui::ControlState after = *window.controls().control(row.id);
        EXPECT_EQ(after.enabled, row.enabledAfterStartUp);
        if (row.selected) {
            EXPECT_FALSE(after.items.empty());
            EXPECT_TRUE(after.selection.has_value());
        }
    }
    EXPECT_EQ(state(settings::parkingPercentage).text, "30");
    EXPECT_EQ(state(settings::maxFitFl).text, "24.0");
    EXPECT_EQ(state(settings::simChoice).text, "MSFS 2020");
    EXPECT_TRUE(controls.nowAllowed());
}

// RANGE is chosen by hand only without AUTO_RANGE; the package list only while automatic groups come from
// scanned liveries.
TEST_F(SimControlsTest, RangeAndPackageListsFollowTheirSwitches)
{
    struct Row {
        bool autoRange, ligAutomatic, scanLiveries;
        bool rangeOn, aboveHeightOn, packagesOn;
    };
    const Row rows[] = {
        {false, true, false, true, false, true},  {true, true, false, false, true, true},
        {false, false, false, true, false, false}, {true, true, true, false, true, false},
        {false, false, true, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.autoRange << row.ligAutomatic << row.scanLiveries);
        settings::autoRange.set(row.autoRange);
        settings::ligAutomatic.set(row.ligAutomatic);
        settings::scanLiveries.set(row.scanLiveries);
        controls.enableForStartUp();
        EXPECT_EQ(enabled(settings::range), row.rangeOn);
        EXPECT_EQ(enabled(settings::arAboveHeight), row.aboveHeightOn);
        EXPECT_EQ(enabled(settings::aiPackageSelector), row.packagesOn);
    }
}

TEST_F(SimControlsTest, AStoredValueThatIsNoChoiceShowsNoSelection)
{
    settings::maxParkSel.set(7);
    settings::simChoice.set("MSFS 2020 ");
    controls.enableForStartUp();
    EXPECT_EQ(state(settings::maxParkSel).selection, std::nullopt);
    EXPECT_EQ(state(settings::maxParkSel).items.size(), 7U);
    EXPECT_EQ(state(settings::simChoice).selection, std::nullopt);
    EXPECT_EQ(state(settings::simChoice).text, "");
}

TEST_F(SimControlsTest, UnblockIsEnabledExactlyWhileACallsignIsBlocked)
{
    for (const char* callsign : {"DLH123", ""}) {
        settings::blockCallsign.set(callsign);
        controls.enableForStartUp();
        EXPECT_EQ(enabled(settings::unblockButton), *callsign != '\0') << callsign;
    }
}

// The close of a run empties DESTINATION; the box shows what the next start has, not the run before's airport.
TEST_F(SimControlsTest, TheDestinationBoxShowsTheSettingAtEveryStartUp)
{
    struct Row {
        const char* shownBefore;
        const char* setting;
    };
    const Row rows[] = {{"EHRD", ""}, {"", "EHAM"}, {"EHRD", "EHAM"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.shownBefore << " -> " << row.setting);
        window.setText(settings::destination.controlId(), row.shownBefore);
        settings::destination.set(row.setting);
        controls.enableForStartUp();
        EXPECT_EQ(state(settings::destination).text, row.setting);
        EXPECT_FALSE(enabled(settings::destination));
    }
}

// With INITIAL_LOAD_ONLY on, "Now" keeps whatever state it had through both operations.
TEST_F(SimControlsTest, ParkingControlsGoOffAndOnAroundStaticParking)
{
    const ControlBinding* parkingControls[] = {&settings::parkingPercentage, &settings::week,
                                               &settings::parkSoft,          &settings::maxFitFl,
                                               &settings::maxParkSel,        &settings::maxLiveSel,
                                               &settings::flushStaticButton, &settings::reReadButton};
    struct Row {
        bool initialLoadOnly;
        bool nowBefore;
        bool nowWhileBusy;
        bool nowAfter;
    };
    const Row rows[] = {{false, true, false, true}, {true, true, true, true}, {true, false, false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.initialLoadOnly << row.nowBefore);
        settings::initialLoadOnly.set(row.initialLoadOnly);
        window.enable(settings::nowButton.controlId(), row.nowBefore);
        status.update([](StatusValues& values) { values.minutesToStaticUpdate = 3; });
        window.controls().takeOperations();

        controls.disableParking();
        for (const ControlBinding* binding : parkingControls) {
            EXPECT_FALSE(enabled(*binding)) << binding->controlId();
        }
        EXPECT_EQ(enabled(settings::nowButton), row.nowWhileBusy);
        EXPECT_TRUE(status.snapshot().staticParkingBusy);
        EXPECT_EQ(window.controls().operations().back(), "invalidate 0,112,880,392 erase");

        controls.enableParking();
        for (const ControlBinding* binding : parkingControls) {
            EXPECT_TRUE(enabled(*binding)) << binding->controlId();
        }
        EXPECT_EQ(enabled(settings::nowButton), row.nowAfter);
        EXPECT_FALSE(status.snapshot().staticParkingBusy);
        EXPECT_EQ(status.snapshot().minutesToStaticUpdate, 20);
    }
}

// A restart creates no controls: the start-up alone brings every control back to its start-up state.
TEST_F(SimControlsTest, ASecondStartUpAfterARestartRestoresEveryControl)
{
    controls.enableForStartUp();
    std::map<ui::ControlId, ui::ControlState> first;
    for (const ControlRow& row : gf_controlTable()) {
        first[row.binding->controlId()] = state(*row.binding);
    }
    controls.disableParking();
    for (const ControlRow& row : gf_controlTable()) {
        window.enable(row.binding->controlId(), row.kind == button);
        window.comboFill(row.binding->controlId(), {"stale"}, 0);
    }
    controls.enableForStartUp();
    for (const ControlRow& row : gf_controlTable()) {
        const ui::ControlState again = state(*row.binding);
        const ui::ControlState& before = first[row.binding->controlId()];
        SCOPED_TRACE(row.binding->controlId());
        EXPECT_EQ(again.enabled, before.enabled);
        if (row.kind == list && row.binding != &settings::callsign2ObjectId) {
            EXPECT_EQ(again.items, before.items);
            EXPECT_EQ(again.selection, before.selection);
        }
    }
}

TEST_F(SimControlsTest, TheChosenEntryIsReadOnlyForItsOwnSelectionChange)
{
    const ui::ControlId id = settings::aiPackageSelector.controlId();
    const std::string longEntry(600, 'x');
    window.comboFill(id, {"AIG", longEntry}, std::nullopt);
    const ui::Command change{id, ui::Notification::selectionChanged};
    EXPECT_EQ(gf_comboText(id, change), std::nullopt);
    window.comboSelect(id, 1);
    EXPECT_EQ(gf_comboText(id, change), (ListChoice{1, longEntry}));
    EXPECT_EQ(gf_comboText(id, {id, ui::Notification::clicked}), std::nullopt);
    EXPECT_EQ(gf_comboText(settings::range.controlId(), change), std::nullopt);
}

} // namespace
} // namespace hlw
