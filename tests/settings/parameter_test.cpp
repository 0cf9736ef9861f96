// The catalogue, the values derived from settings, the setting objects and how they reach the window.
#include "settings/catalogue.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/random_choice.h"
#include "settings/control_services.h"
#include "settings/settings_hooks.h"
#include "support/recorded_window.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>

#include <climits>
#include <cmath>

namespace hlw::settings {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

// "KEY=default", then "[min..max]" of a plain number or "{choices}" of a number list.
std::string lf_entry(const Parameter& setting)
{
    std::string text = setting.key() + "=";
    if (const auto* flag = dynamic_cast<const BoolParameter*>(&setting)) {
        return text + (flag->defaultValue() ? "true" : "false");
    }
    if (const auto* list = dynamic_cast<const IntComboParameter*>(&setting)) {
        return text + fmt::format("{}{{{}}}", list->defaultValue(), fmt::join(list->choices(), ","));
    }
    if (const auto* weeks = dynamic_cast<const FloatComboParameter*>(&setting)) {
        return text + fmt::format("{}{{{}}}", weeks->defaultValue(), fmt::join(weeks->choices(), ","));
    }
    if (const auto* number = dynamic_cast<const IntParameter*>(&setting)) {
        return text + fmt::format("{}[{}..{}]", number->defaultValue(), number->minimum(), number->maximum());
    }
    return text + '"' + dynamic_cast<const StringParameter&>(setting).defaultValue() + '"';
}

template <typename List> std::string lf_entries(const List& list)
{
    std::string text;
    for (const auto* setting : list) {
        text += (text.empty() ? "" : " ") + lf_entry(*setting);
    }
    return text;
}

TEST(Catalogue, EverySettingHasItsDefaultBoundsAndStorageList)
{
    EXPECT_EQ(lf_entries(boolParameterList), "RANDOM=true");
    EXPECT_EQ(lf_entries(checkBoxParameterList),
              "ALWAYS_ON_TOP=false OBJECTID_LIST=false NAV_LIGHTS_WHILE_PARKED=true AEROWINX=false GUID_CHANGES=true "
              "SCAN_LIVERIES=true LIG_AUTOMATIC=true LIG_PRIORITIZE=true SCAN_AIRPORTS=true LIGHT_AIRCRAFT=true "
              "HELICOPTERS=true HIGH_PERF_AIRCRAFT=true AUTO_RANGE=true AIRBORNE_ONLY=false COLLISION_USER_GND=true "
              "COLLISION_USER_AIR=true COLLISION_LIVE_PARKED_GND=false STRAIGHT_PBS_ONLY=false INITIAL_LOAD_ONLY=false "
              "WEEK=false PARK_SOFT=false");
    EXPECT_EQ(lf_entries(intParameterList),
              "MAIN_WINDOW_X=400[-30000..30000] MAIN_WINDOW_Y=20[-30000..30000] LAST_EPOCH_TIME:=0[0..2147483647] "
              "CUSTOM_PARKING_PERCENTAGE=-1[-1..100] HOLDING_THRESHOLD_METERS=250[10..4000] "
              "MAX_HOLDING_MINUTES=20[1..60] MAX_FIT=47[0..47]");
    EXPECT_EQ(lf_entries(intComboParameterList),
              "MATCHING_DEPTH=4{1,2,3,4} RANGE=40{2,3,4,5,6,8,10,12,14,16,18,20,25,30,35,40,50,65,80,100} "
              "AR_ABOVE_HEIGHT=48000{18000,21000,24000,27000,30000,33000,36000,39000,42000,45000,48000} "
              "MAX_PARK_SEL=500{0,10,25,50,75,100,500} MAX_LIVE_SEL=500{0,10,25,50,75,100,500} "
              "AIRP_RANGE=20{5,10,15,20,25,30} "
              "AIRP_HEIGHT=18000{2000,4000,6000,8000,10000,12000,14000,16000,18000,36000,48000}");
    EXPECT_EQ(lf_entries(stringParameterList),
              "PROGRAM_VERSION=\"\" MSFS_INSTALL_PATH=\"\" PORT_NUMBER=\"10747\" lfolder0=\"\" lfolder1=\"\" "
              "lfolder2=\"\" lfolder3=\"\" lfolder4=\"\" lfolder5=\"\" lfolder6=\"\" lfolder7=\"\" lfolder8=\"\" "
              "lfolder9=\"\" AIG_VERSION=\"\" DBASE_VERSION=\"\" AIRPORTS_VERSION=\"\" LIV_SCAN_VERSION=\"\" "
              "ADDONS_SCAN_VERSION=\"\" DUDIDUZAVU24_VERSION=\"\" MSFS_2024_INSTALL_PATH=\"\" "
              "AI_PACKAGE_SELECTOR=\"AIG, FSLTL, JF, MTL\" DESTINATION=\"\"");
    EXPECT_EQ(lf_entries(controlStringParameterList), "BLOCK_CALLSIGN=\"\" SIM_CHOICE=\"MSFS 2020\"");
    // Every listed setting in storage order, then the ones no save of all writes.
    const std::string listed = lf_entries(allSettings).substr(0, lf_entries(allSettings).find(" parking_percentage="));
    EXPECT_EQ(listed, fmt::format("{} {} {} {} {} {}", lf_entries(boolParameterList), lf_entries(checkBoxParameterList),
                                  lf_entries(intParameterList), lf_entries(intComboParameterList),
                                  lf_entries(stringParameterList), lf_entries(controlStringParameterList)));
    EXPECT_EQ(lf_entries(allSettings).substr(listed.size()),
              " parking_percentage=30{0,5,10,15,20,25,30,35,40,45,50,55,60,65,70,75,80,85,90,95,100} "
              "MAX_FIT_FL=24{0.5,1,1.5,2,2.5,3,3.5,4,4.5,5,6,7,8,9,10,12,15,18,21,24} ALL_INSTALL_PATH=\"\" "
              "CALLSIGN_2_OBJECTID=\"\"");
}

TEST(Catalogue, TextListsAndOverrideKeys)
{
    std::string orders = fmt::format("{}", fmt::join(aiPackageSelector.choices(), "|"));
    std::erase(orders, ' ');
    EXPECT_EQ(orders,
              "AIG,FSLTL,JF,MTL|AIG,FSLTL,MTL,JF|AIG,JF,FSLTL,MTL|AIG,JF,MTL,FSLTL|AIG,MTL,FSLTL,JF|"
              "AIG,MTL,JF,FSLTL|FSLTL,AIG,JF,MTL|FSLTL,AIG,MTL,JF|FSLTL,JF,AIG,MTL|FSLTL,JF,MTL,AIG|"
              "FSLTL,MTL,AIG,JF|FSLTL,MTL,JF,AIG|JF,AIG,FSLTL,MTL|JF,AIG,MTL,FSLTL|JF,FSLTL,AIG,MTL|"
              "JF,FSLTL,MTL,AIG|JF,MTL,AIG,FSLTL|JF,MTL,FSLTL,AIG|MTL,AIG,FSLTL,JF|MTL,AIG,JF,FSLTL|"
              "MTL,FSLTL,AIG,JF|MTL,FSLTL,JF,AIG|MTL,JF,AIG,FSLTL|MTL,JF,FSLTL,AIG|AIG,FSLTL,JF|AIG,JF,FSLTL|"
              "FSLTL,AIG,JF|FSLTL,JF,AIG|JF,AIG,FSLTL|JF,FSLTL,AIG|AIG,FSLTL,MTL|AIG,MTL,FSLTL|FSLTL,AIG,MTL|"
              "FSLTL,MTL,AIG|MTL,AIG,FSLTL|MTL,FSLTL,AIG|AIG,JF,MTL|AIG,MTL,JF|JF,AIG,MTL|JF,MTL,AIG|MTL,AIG,JF|"
              "MTL,JF,AIG|FSLTL,JF,MTL|FSLTL,MTL,JF|JF,FSLTL,MTL|JF,MTL,FSLTL|MTL,FSLTL,JF|MTL,JF,FSLTL|AIG,FSLTL|"
              "FSLTL,AIG|AIG,JF|JF,AIG|AIG,MTL|MTL,AIG|FSLTL,JF|JF,FSLTL|FSLTL,MTL|MTL,FSLTL|JF,MTL|MTL,JF|AIG|"
              "FSLTL|JF|MTL");
    EXPECT_EQ(aiPackageSelector.choices().front(), aiPackageSelector.defaultValue());
    EXPECT_EQ(simChoice.choices(), (std::vector<std::string>{"MSFS 2020", "MSFS 2024"}));
    EXPECT_EQ(callsign2ObjectId.choices()->snapshot(), std::vector<std::string>{""});

    const Parameter* const overridden[]{&range,  &autoRange, &initialLoadOnly, &parkSoft, &parkingPercentage,
                                        &maxFit, &week,      &maxLiveSel};
    for (std::size_t i = 0; i < airportOverrideKeys.size(); ++i) {
        EXPECT_EQ(airportOverrideKeys[i], overridden[i]->key().c_str());
    }
}

TEST(DerivedValues, RangeIsClampedSelectedAndMirroredInNauticalMilesAndMetres)
{
    EXPECT_EQ(rangeNm.load(), 40.0);
    EXPECT_EQ(rangeMetres.load(), 74080);
    test::RecordedWindow window;
    range.fillCombo();
    const std::tuple<int32_t, int32_t, std::optional<int32_t>> cases[]{
        {150, 100, 19}, {2, 2, 0}, {-40, 2, 0}, {65, 65, 17}, {7, 7, std::nullopt}, {40, 40, 15}};
    for (const auto& [nm, value, selection] : cases) {
        gf_setRange(nm);
        EXPECT_EQ(range.get(), value) << nm;
        EXPECT_EQ(rangeNm.load(), static_cast<double>(value)) << nm;
        EXPECT_EQ(rangeMetres.load(), value * 1852) << nm;
        EXPECT_EQ(window.port.comboSelection(range.controlId()), selection) << nm;
    }
}

TEST(DerivedValues, MaxFitWeeksFollowTheCountAndSelectTheirListEntry)
{
    std::string weeks;
    for (int32_t count = 0; count <= 47; ++count) {
        weeks += fmt::format("{} ", gf_maxFitForWeeks(count));
    }
    EXPECT_EQ(weeks,
              "0.5 1 1.5 2 2.5 3 3.5 4 4.5 5 6 6 7 7 8 8 9 9 10 10 11 11 12 12 12 12 15 15 15 15 15 15 18 18 18 18 "
              "18 18 21 21 21 21 21 21 24 24 24 24 ");
    EXPECT_EQ(gf_maxFitForWeeks(INT_MIN), 0.5F);
    EXPECT_EQ(gf_maxFitForWeeks(INT_MAX), 24.0F);
    // The list's choice v is stored as the count round(2v) - 1, which must give v back.
    for (const float choice : maxFitFl.choices()) {
        EXPECT_EQ(gf_maxFitForWeeks(static_cast<int32_t>(std::lround(2.0 * choice)) - 1), choice) << choice;
    }
    // 11 weeks is no choice of the list: its selection is cleared.
    test::RecordedWindow window;
    maxFitFl.fillCombo();
    maxFit.set(20);
    gf_syncMaxFit();
    EXPECT_EQ(maxFitFl.get(), 11.0F);
    EXPECT_EQ(window.port.comboSelection(maxFitFl.controlId()), std::nullopt);
}

TEST(Parameter, ValueLinesOfEachKindExceptWhileStoppingOrClosing)
{
    test::TempDir dir;
    test::FakeRunState runState;
    gf_startLog(dir / "Log.txt");
    BoolParameter flag{"RANDOM", true};
    const IntParameter number{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
    StringParameter text{"PORT_NUMBER", "10747"};
    flag.set(false);
    flag.log();
    number.log();
    text.log();
    text.set("");
    text.log();
    EXPECT_TRUE(text.empty() && text.equals("") && !text.equals("10747") && text.defaultValue() == "10747");
    text.set(std::string(50000, 'x'));
    text.log();
    runState.stop = true;
    flag.log();
    runState.stop = false;
    runState.closing = true;
    number.log();
    text.log();
    gf_stopLog();
    EXPECT_THAT(
        test::readWholeFile(dir / "Log.txt"),
        EndsWith(
            "\nRANDOM=false\nCUSTOM_PARKING_PERCENTAGE=-1\nPORT_NUMBER=\"10747\"\nPORT_NUMBER=\"\"\nPORT_NUMBER=\"" +
            std::string(maxLoggedValueBytes, 'x') + "... (50000 bytes)\"\n"));
}

// A list asked to select by text would take the first entry that begins with it; the selection is exact.
TEST(Parameter, ListsSelectTheEntryEqualToTheValueOrNone)
{
    const std::pair<std::string, std::optional<int32_t>> cases[]{
        {"AIG", 3}, {"AIG, FSLTL", 1}, {"AIG, FSLTL, JF, MTL", 0}, {"aig", std::nullopt}, {"AIG ", std::nullopt},
        {"", 4}};
    for (const auto& [value, expected] : cases) {
        const StringComboParameter packages{
            "AI_PACKAGE_SELECTOR", value, {"AIG, FSLTL, JF, MTL", "AIG, FSLTL", "FSLTL, AIG", "AIG", ""}, 32790, 147};
        EXPECT_EQ(packages.findCurrent(), expected) << '"' << value << '"';
    }
    EXPECT_EQ((StringComboParameter{"K", "", {}, 1, 1}.findCurrent()), std::nullopt);

    test::RecordedWindow window;
    StringComboParameter sim{"SIM_CHOICE", "MSFS 2024", {"MSFS 2020", "MSFS 2024"}, 32789, 119};
    sim.fillCombo();
    sim.set("other");
    sim.showSelection();
    auto callsignList = std::make_shared<SharedTextList>(std::vector<std::string>{""});
    SharedStringComboParameter callsigns{"CALLSIGN_2_OBJECTID", "DLH4", callsignList, 32831, 259};
    callsigns.fillCombo();
    callsignList->assign({"DLH4AB", "BAW12", "DLH4"});
    EXPECT_EQ(callsigns.findCurrent(), 2);
    callsigns.fillCombo();
    EXPECT_THAT(window.port.operations(),
                ElementsAre("fill 32789 MSFS 2020|MSFS 2024 select 1", "select 32789 none", "fill 32831  select none",
                            "fill 32831 DLH4AB|BAW12|DLH4 select 2"));
}

TEST(Parameter, ControlsShowValuesChecksAndEnabledStateOnceTheWindowHasThemAndHooksRepaintIt)
{
    test::TempDir dir;
    gf_startLog(dir / "Log.txt");
    {
        test::RecordedWindow bare(false);
        aiPackageSelector.fillCombo();
        callsign2ObjectId.fillCombo();
        gf_setIntControlText(airpRange);
        gf_setStringControlText(destination);
        EXPECT_TRUE(bare.port.operations().empty());
        // The hooks make random choices follow "RANDOM" and message lines repaint the window.
        gf_installSettingsHooks();
        random.set(false);
        EXPECT_FALSE(gf_randomChoicesOn());
        random.set(true);
        EXPECT_TRUE(gf_randomChoicesOn());
        gf_setMessage("Reading parameters.xml", false);
        gf_showError("no install path");
        EXPECT_THAT(bare.port.operations(), ElementsAre("post 0x8060", "post 0x8060"));
        gf_setMessageRepaintHook(nullptr);
    }
    gf_stopLog();
    EXPECT_THAT(test::readWholeFile(dir / "Log.txt"),
                HasSubstr("\nGetDlgItem failed for ID 32840\nGetDlgItem failed for ID 32839\n"));

    test::RecordedWindow window;
    range.set(65);
    gf_setIntControlText(range);
    blockCallsign.set("DLH4AB");
    gf_setStringControlText(blockCallsign);
    week.set(true);
    week.showCheck();
    gf_enableControl(nowButton, false);
    gf_enableControl(scanAirports);
    EXPECT_THAT(window.port.operations(),
                ElementsAre("text 32818 65", "invalidate 0,112,880,392 erase", "text 32828 DLH4AB",
                            "invalidate 0,112,880,392 erase", "check 32853 on", "enable 32847 off", "enable 32802 on"));
}

} // namespace
} // namespace hlw::settings
