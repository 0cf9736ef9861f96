#include "settings/parameter.h"

#include "core/log.h"
#include "recorded_window.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

namespace hlw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(NumberParameterTest, ClampKeepsValuesWithinTheBounds)
{
    IntParameter threshold{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
    const std::pair<int32_t, int32_t> cases[]{{99999, 4000}, {4001, 4000}, {4000, 4000},  {300, 300},     {10, 10},
                                              {9, 10},       {-5, 10},     {INT_MIN, 10}, {INT_MAX, 4000}};
    for (const auto& [input, expected] : cases) {
        threshold.setClamped(input);
        EXPECT_EQ(threshold.get(), expected) << input;
        EXPECT_EQ(threshold.clamp(input), expected) << input;
    }
    EXPECT_EQ(threshold.defaultValue(), 250);
}

TEST(NumberParameterTest, DefaultIsNotComparedWithTheBounds)
{
    const IntParameter odd{"ODD", 500, 0, 100};
    EXPECT_EQ(odd.get(), 500);
    EXPECT_EQ(odd.clamp(odd.get()), 100);
}

TEST(NumberParameterTest, NumberListsTakeTheirBoundsFromFirstAndLastChoice)
{
    IntComboParameter depth{"MATCHING_DEPTH", 4, {1, 2, 3, 4}, 32808, 203};
    EXPECT_EQ(depth.minimum(), 1);
    EXPECT_EQ(depth.maximum(), 4);
    depth.setClamped(9);
    EXPECT_EQ(depth.get(), 4);

    const FloatComboParameter weeks{"MAX_FIT_FL", 24.0F, {0.5F, 1.0F, 24.0F}, 32854, 371};
    EXPECT_EQ(weeks.minimum(), 0.5F);
    EXPECT_EQ(weeks.maximum(), 24.0F);
}

class ParameterLogTest : public ::testing::Test {
  protected:
    ParameterLogTest() { gf_startLog(dir / "Log.txt"); }
    ~ParameterLogTest() override { gf_stopLog(); }

    std::string log()
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }

    test::TempDir dir;
    test::FakeRunState runState;
};

TEST_F(ParameterLogTest, ValueLinesOfEachKind)
{
    BoolParameter flag{"RANDOM", true};
    IntParameter number{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
    StringParameter text{"PORT_NUMBER", "10747"};
    StringParameter empty{"AIG_VERSION", ""};
    flag.set(false);
    flag.log();
    number.log();
    text.log();
    empty.log();
    const std::string written = log();
    EXPECT_THAT(written, HasSubstr("RANDOM=false\n"));
    EXPECT_THAT(written, HasSubstr("CUSTOM_PARKING_PERCENTAGE=-1\n"));
    EXPECT_THAT(written, HasSubstr("PORT_NUMBER=\"10747\"\n"));
    EXPECT_THAT(written, HasSubstr("AIG_VERSION=\"\"\n"));
}

TEST_F(ParameterLogTest, LongValueIsLoggedCut)
{
    const StringParameter pasted{"lfolder1", std::string(50000, 'x')};
    pasted.log();
    EXPECT_THAT(log(), HasSubstr("lfolder1=\"" + std::string(maxLoggedValueBytes, 'x') + "... (50000 bytes)\"\n"));
}

TEST_F(ParameterLogTest, NoValueLinesWhileStoppingOrClosing)
{
    const BoolParameter flag{"WHILE_STOPPING", true};
    const IntParameter number{"WHILE_CLOSING", 1, 0, 2};
    runState.stop = true;
    flag.log();
    runState.stop = false;
    runState.closing = true;
    number.log();
    const std::string written = log();
    EXPECT_THAT(written, Not(HasSubstr("WHILE_STOPPING")));
    EXPECT_THAT(written, Not(HasSubstr("WHILE_CLOSING")));
}

TEST(StringParameterTest, GetSetEqualsAndDefault)
{
    StringParameter version{"PROGRAM_VERSION", ""};
    EXPECT_TRUE(version.empty());
    version.set("12.5.1");
    EXPECT_EQ(version.get(), "12.5.1");
    EXPECT_TRUE(version.equals("12.5.1"));
    EXPECT_FALSE(version.equals("12.5"));
    EXPECT_EQ(version.defaultValue(), "");
    version.setDefaultValue("12.5.1");
    EXPECT_EQ(version.defaultValue(), "12.5.1");
}

StringComboParameter lf_packageList(std::string value)
{
    return StringComboParameter{"AI_PACKAGE_SELECTOR",
                                std::move(value),
                                {"AIG, FSLTL, JF, MTL", "AIG, FSLTL", "FSLTL, AIG", "AIG", ""},
                                32790,
                                147};
}

// A list asked to select by text would take the first entry that begins with it; the selection is exact.
TEST(StringComboTest, FindCurrentMatchesWholeTextsOnly)
{
    const std::pair<std::string, std::optional<int32_t>> cases[]{{"AIG", 3},
                                                                 {"AIG, FSLTL", 1},
                                                                 {"AIG, FSLTL, JF, MTL", 0},
                                                                 {"aig", std::nullopt},
                                                                 {"AIG, F", std::nullopt},
                                                                 {"AIG ", std::nullopt},
                                                                 {"", 4}};
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(lf_packageList(value).findCurrent(), expected) << '"' << value << '"';
    }
}

TEST(StringComboTest, FindCurrentOnAnEmptyListGivesNone)
{
    const StringComboParameter none{"K", "", {}, 1, 1};
    EXPECT_EQ(none.findCurrent(), std::nullopt);
}

TEST(StringComboTest, FillBeforeTheWindowExistsDoesNothing)
{
    test::RecordedWindow window(false);
    settings::aiPackageSelector.fillCombo();
    settings::matchingDepth.fillCombo();
    settings::maxFitFl.fillCombo();
    settings::callsign2ObjectId.fillCombo();
    EXPECT_TRUE(window.port.operations().empty());
}

TEST(StringComboTest, EveryPackageOrderIsShownAsItselfAfterAFill)
{
    test::RecordedWindow window;
    StringComboParameter& selector = settings::aiPackageSelector;
    for (const std::string& row : selector.choices()) {
        selector.set(row);
        selector.fillCombo();
        EXPECT_EQ(window.port.control(selector.controlId())->text, row);
    }
    selector.set("AIG");
    selector.fillCombo();
    EXPECT_EQ(window.port.comboSelection(selector.controlId()), 60);
    selector.set("NONE");
    selector.showSelection();
    EXPECT_EQ(window.port.comboSelection(selector.controlId()), std::nullopt);
    selector.set(selector.defaultValue());
}

TEST(NumberComboTest, FillShowsChoicesAsTextAndSelectsTheValueOrNone)
{
    test::RecordedWindow window;
    IntComboParameter depth{"MATCHING_DEPTH", 3, {1, 2, 3, 4}, 32808, 203};
    depth.fillCombo();
    depth.set(5);
    depth.fillCombo();
    FloatComboParameter weeks{"MAX_FIT_FL", 24.0F, {0.5F, 1.0F, 12.0F, 24.0F}, 32854, 371};
    weeks.fillCombo();
    weeks.set(11.0F);
    weeks.showSelection();
    EXPECT_THAT(window.port.operations(), ElementsAre("fill 32808 1|2|3|4 select 2", "fill 32808 1|2|3|4 select none",
                                                      "fill 32854 0.5|1.0|12.0|24.0 select 3", "select 32854 none"));
}

TEST(SharedComboTest, FillsFromTheListAsItIsNow)
{
    test::RecordedWindow window;
    auto list = std::make_shared<SharedTextList>(std::vector<std::string>{""});
    SharedStringComboParameter callsigns{"CALLSIGN_2_OBJECTID", "", list, 32831, 259};
    callsigns.fillCombo();
    list->assign({"DLH4AB", "BAW12", "DLH4"});
    callsigns.set("DLH4");
    EXPECT_EQ(callsigns.findCurrent(), 2);
    callsigns.fillCombo();
    EXPECT_EQ(list->size(), 3U);
    EXPECT_THAT(window.port.operations(), ElementsAre("fill 32831  select 0", "fill 32831 DLH4AB|BAW12|DLH4 select 2"));
}

TEST(CheckBoxTest, ShowCheckSetsTheMarkFromTheValue)
{
    test::RecordedWindow window;
    BoolCheckBoxParameter& box = settings::week;
    box.set(true);
    box.showCheck();
    EXPECT_TRUE(window.port.control(box.controlId())->checked);
    box.set(false);
    box.showCheck();
    EXPECT_FALSE(window.port.control(box.controlId())->checked);
}

// The window keeps its controls' settings by binding; destroying one that way destroys the whole setting.
TEST(ParameterTest, WindowBoundSettingsCanBeReachedAndDestroyedThroughTheirBinding)
{
    std::unique_ptr<ControlBinding> binding = std::make_unique<StringComboParameter>(
        "SIM_CHOICE", "MSFS 2020", std::vector<std::string>{"MSFS 2020"}, 32789, 119);
    EXPECT_EQ(dynamic_cast<Parameter&>(*binding).key(), "SIM_CHOICE");
    binding.reset();
}

} // namespace
} // namespace hlw
