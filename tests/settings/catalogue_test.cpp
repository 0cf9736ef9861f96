// Checks every setting of the catalogue against the table of settings the program is built to: key, kind,
// default, bounds or choices, control, row and storage list.
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <typeinfo>

namespace hlw::settings {
namespace {

enum class Kind {
    plainBool,
    checkBox,
    plainInt,
    intCombo,
    plainString,
    stringEdit,
    stringCombo,
    floatCombo,
    sharedCombo
};
enum class List { none, boolList, checkBoxList, intList, intComboList, stringList, controlStringList };

struct ExpectedSetting {
    std::string key;
    Kind kind;
    std::string defaultText;
    // "min..max" for plain numbers, "{a, b, ...}" for number lists, "-" otherwise.
    std::string bounds;
    int controlId; // 0: no control
    int rowY;
    List list;
    int position; // 1-based within the list; 0 for no list
};

const std::vector<ExpectedSetting>& lf_expectedSettings()
{
    static const std::vector<ExpectedSetting> table{
        {"RANDOM", Kind::plainBool, "true", "-", 0, 0, List::boolList, 1},
        {"ALWAYS_ON_TOP", Kind::checkBox, "false", "-", 32771, 147, List::checkBoxList, 1},
        {"OBJECTID_LIST", Kind::checkBox, "false", "-", 32775, 175, List::checkBoxList, 2},
        {"NAV_LIGHTS_WHILE_PARKED", Kind::checkBox, "true", "-", 32774, 175, List::checkBoxList, 3},
        {"AEROWINX", Kind::checkBox, "false", "-", 32776, 203, List::checkBoxList, 4},
        {"GUID_CHANGES", Kind::checkBox, "true", "-", 32773, 203, List::checkBoxList, 5},
        {"SCAN_LIVERIES", Kind::checkBox, "true", "-", 32798, 147, List::checkBoxList, 6},
        {"LIG_AUTOMATIC", Kind::checkBox, "true", "-", 32799, 147, List::checkBoxList, 7},
        {"LIG_PRIORITIZE", Kind::checkBox, "true", "-", 32800, 147, List::checkBoxList, 8},
        {"SCAN_AIRPORTS", Kind::checkBox, "true", "-", 32802, 175, List::checkBoxList, 9},
        {"LIGHT_AIRCRAFT", Kind::checkBox, "true", "-", 32809, 203, List::checkBoxList, 10},
        {"HELICOPTERS", Kind::checkBox, "true", "-", 32810, 203, List::checkBoxList, 11},
        {"HIGH_PERF_AIRCRAFT", Kind::checkBox, "true", "-", 32811, 203, List::checkBoxList, 12},
        {"AUTO_RANGE", Kind::checkBox, "true", "-", 32819, 231, List::checkBoxList, 13},
        {"AIRBORNE_ONLY", Kind::checkBox, "false", "-", 32821, 231, List::checkBoxList, 14},
        {"COLLISION_USER_GND", Kind::checkBox, "true", "-", 32834, 287, List::checkBoxList, 15},
        {"COLLISION_USER_AIR", Kind::checkBox, "true", "-", 32833, 287, List::checkBoxList, 16},
        {"COLLISION_LIVE_PARKED_GND", Kind::checkBox, "false", "-", 32835, 287, List::checkBoxList, 17},
        {"STRAIGHT_PBS_ONLY", Kind::checkBox, "false", "-", 32855, 315, List::checkBoxList, 18},
        {"INITIAL_LOAD_ONLY", Kind::checkBox, "false", "-", 32851, 371, List::checkBoxList, 19},
        {"WEEK", Kind::checkBox, "false", "-", 32853, 371, List::checkBoxList, 20},
        {"PARK_SOFT", Kind::checkBox, "false", "-", 32852, 371, List::checkBoxList, 21},
        {"MAIN_WINDOW_X", Kind::plainInt, "400", "-30000..30000", 0, 0, List::intList, 1},
        {"MAIN_WINDOW_Y", Kind::plainInt, "20", "-30000..30000", 0, 0, List::intList, 2},
        {"LAST_EPOCH_TIME:", Kind::plainInt, "0", "0..2147483647", 0, 0, List::intList, 3},
        {"CUSTOM_PARKING_PERCENTAGE", Kind::plainInt, "-1", "-1..100", 0, 0, List::intList, 4},
        {"HOLDING_THRESHOLD_METERS", Kind::plainInt, "250", "10..4000", 0, 0, List::intList, 5},
        {"MAX_HOLDING_MINUTES", Kind::plainInt, "20", "1..60", 0, 0, List::intList, 6},
        {"MAX_FIT", Kind::plainInt, "47", "0..47", 0, 0, List::intList, 7},
        {"MATCHING_DEPTH", Kind::intCombo, "4", "{1, 2, 3, 4}", 32808, 203, List::intComboList, 1},
        {"RANGE", Kind::intCombo, "40", "{2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100}",
         32818, 231, List::intComboList, 2},
        {"AR_ABOVE_HEIGHT", Kind::intCombo, "48000",
         "{18000, 21000, 24000, 27000, 30000, 33000, 36000, 39000, 42000, 45000, 48000}", 32820, 231,
         List::intComboList, 3},
        {"MAX_PARK_SEL", Kind::intCombo, "500", "{0, 10, 25, 50, 75, 100, 500}", 32848, 315, List::intComboList, 4},
        {"MAX_LIVE_SEL", Kind::intCombo, "500", "{0, 10, 25, 50, 75, 100, 500}", 32849, 315, List::intComboList, 5},
        {"AIRP_RANGE", Kind::intCombo, "20", "{5, 10, 15, 20, 25, 30}", 32840, 343, List::intComboList, 6},
        {"AIRP_HEIGHT", Kind::intCombo, "18000",
         "{2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}", 32841, 343, List::intComboList,
         7},
        {"PROGRAM_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 1},
        {"MSFS_INSTALL_PATH", Kind::plainString, "", "-", 0, 0, List::stringList, 2},
        {"PORT_NUMBER", Kind::plainString, "10747", "-", 0, 0, List::stringList, 3},
        {"lfolder0", Kind::plainString, "", "-", 0, 0, List::stringList, 4},
        {"lfolder1", Kind::plainString, "", "-", 0, 0, List::stringList, 5},
        {"lfolder2", Kind::plainString, "", "-", 0, 0, List::stringList, 6},
        {"lfolder3", Kind::plainString, "", "-", 0, 0, List::stringList, 7},
        {"lfolder4", Kind::plainString, "", "-", 0, 0, List::stringList, 8},
        {"lfolder5", Kind::plainString, "", "-", 0, 0, List::stringList, 9},
        {"lfolder6", Kind::plainString, "", "-", 0, 0, List::stringList, 10},
        {"lfolder7", Kind::plainString, "", "-", 0, 0, List::stringList, 11},
        {"lfolder8", Kind::plainString, "", "-", 0, 0, List::stringList, 12},
        {"lfolder9", Kind::plainString, "", "-", 0, 0, List::stringList, 13},
        {"AIG_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 14},
        {"DBASE_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 15},
        {"AIRPORTS_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 16},
        {"LIV_SCAN_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 17},
        {"ADDONS_SCAN_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 18},
        {"DUDIDUZAVU24_VERSION", Kind::plainString, "", "-", 0, 0, List::stringList, 19},
        {"MSFS_2024_INSTALL_PATH", Kind::plainString, "", "-", 0, 0, List::stringList, 20},
        {"AI_PACKAGE_SELECTOR", Kind::stringCombo, "AIG, FSLTL, JF, MTL", "-", 32790, 147, List::stringList, 21},
        {"DESTINATION", Kind::stringEdit, "", "-", 32839, 343, List::stringList, 22},
        {"BLOCK_CALLSIGN", Kind::stringEdit, "", "-", 32828, 259, List::controlStringList, 1},
        {"SIM_CHOICE", Kind::stringCombo, "MSFS 2020", "-", 32789, 119, List::controlStringList, 2},
        {"parking_percentage", Kind::intCombo, "30",
         "{0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95, 100}", 32850, 371, List::none,
         0},
        {"MAX_FIT_FL", Kind::floatCombo, "24.0",
         "{0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5, 6, 7, 8, 9, 10, 12, 15, 18, 21, 24}", 32854, 371, List::none, 0},
        {"ALL_INSTALL_PATH", Kind::stringEdit, "", "-", 32788, 119, List::none, 0},
        {"CALLSIGN_2_OBJECTID", Kind::sharedCombo, "", "-", 32831, 259, List::none, 0},
    };
    return table;
}

std::vector<std::string> lf_split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t found = text.find(separator); found != std::string_view::npos; found = text.find(separator, start)) {
        parts.emplace_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    parts.emplace_back(text.substr(start));
    return parts;
}

// The 64 package orders, as listed.
const std::vector<std::string> expectedPackageOrders = lf_split(
    "AIG, FSLTL, JF, MTL · AIG, FSLTL, MTL, JF · AIG, JF, FSLTL, MTL · AIG, JF, MTL, FSLTL · AIG, MTL, FSLTL, JF · "
    "AIG, MTL, JF, FSLTL · FSLTL, AIG, JF, MTL · FSLTL, AIG, MTL, JF · FSLTL, JF, AIG, MTL · FSLTL, JF, MTL, AIG · "
    "FSLTL, MTL, AIG, JF · FSLTL, MTL, JF, AIG · JF, AIG, FSLTL, MTL · JF, AIG, MTL, FSLTL · JF, FSLTL, AIG, MTL · "
    "JF, FSLTL, MTL, AIG · JF, MTL, AIG, FSLTL · JF, MTL, FSLTL, AIG · MTL, AIG, FSLTL, JF · MTL, AIG, JF, FSLTL · "
    "MTL, FSLTL, AIG, JF · MTL, FSLTL, JF, AIG · MTL, JF, AIG, FSLTL · MTL, JF, FSLTL, AIG · AIG, FSLTL, JF · "
    "AIG, JF, FSLTL · FSLTL, AIG, JF · FSLTL, JF, AIG · JF, AIG, FSLTL · JF, FSLTL, AIG · AIG, FSLTL, MTL · "
    "AIG, MTL, FSLTL · FSLTL, AIG, MTL · FSLTL, MTL, AIG · MTL, AIG, FSLTL · MTL, FSLTL, AIG · AIG, JF, MTL · "
    "AIG, MTL, JF · JF, AIG, MTL · JF, MTL, AIG · MTL, AIG, JF · MTL, JF, AIG · FSLTL, JF, MTL · FSLTL, MTL, JF · "
    "JF, FSLTL, MTL · JF, MTL, FSLTL · MTL, FSLTL, JF · MTL, JF, FSLTL · AIG, FSLTL · FSLTL, AIG · AIG, JF · "
    "JF, AIG · AIG, MTL · MTL, AIG · FSLTL, JF · JF, FSLTL · FSLTL, MTL · MTL, FSLTL · JF, MTL · MTL, JF · AIG · "
    "FSLTL · JF · MTL",
    " · ");

Kind lf_kindOf(const Parameter& parameter)
{
    const std::type_info& type = typeid(parameter);
    if (type == typeid(BoolParameter))
        return Kind::plainBool;
    if (type == typeid(BoolCheckBoxParameter))
        return Kind::checkBox;
    if (type == typeid(IntParameter))
        return Kind::plainInt;
    if (type == typeid(IntComboParameter))
        return Kind::intCombo;
    if (type == typeid(StringParameter))
        return Kind::plainString;
    if (type == typeid(StringEditParameter))
        return Kind::stringEdit;
    if (type == typeid(StringComboParameter))
        return Kind::stringCombo;
    if (type == typeid(FloatComboParameter))
        return Kind::floatCombo;
    if (type == typeid(SharedStringComboParameter))
        return Kind::sharedCombo;
    ADD_FAILURE() << "unexpected class " << type.name();
    return Kind::plainBool;
}

std::string lf_defaultText(const Parameter& parameter)
{
    if (const auto* flag = dynamic_cast<const BoolParameter*>(&parameter))
        return fmt::format("{}", flag->defaultValue());
    if (const auto* number = dynamic_cast<const IntParameter*>(&parameter))
        return fmt::format("{}", number->defaultValue());
    if (const auto* real = dynamic_cast<const FloatParameter*>(&parameter))
        return fmt::format("{:.1f}", real->defaultValue());
    return dynamic_cast<const StringParameter&>(parameter).defaultValue();
}

template <typename Combo> std::string lf_choicesText(const Combo& combo)
{
    EXPECT_EQ(combo.minimum(), combo.choices().front()) << combo.key();
    EXPECT_EQ(combo.maximum(), combo.choices().back()) << combo.key();
    return fmt::format("{{{}}}", fmt::join(combo.choices(), ", "));
}

std::string lf_boundsText(const Parameter& parameter)
{
    if (const auto* combo = dynamic_cast<const IntComboParameter*>(&parameter))
        return lf_choicesText(*combo);
    if (const auto* combo = dynamic_cast<const FloatComboParameter*>(&parameter))
        return lf_choicesText(*combo);
    if (const auto* number = dynamic_cast<const IntParameter*>(&parameter)) {
        return fmt::format("{}..{}", number->minimum(), number->maximum());
    }
    return "-";
}

template <typename T> int lf_positionIn(const std::vector<T*>& list, const Parameter* parameter)
{
    int position = 0;
    int found = 0;
    for (T* member : list) {
        ++position;
        if (static_cast<const Parameter*>(member) == parameter) {
            EXPECT_EQ(found, 0) << parameter->key() << " stands twice in one list";
            found = position;
        }
    }
    return found;
}

// The one list that holds the setting, with its position; a setting in several lists is a failure.
std::pair<List, int> lf_listOf(const Parameter* parameter)
{
    const std::pair<List, int> places[]{
        {List::boolList, lf_positionIn(boolParameterList, parameter)},
        {List::checkBoxList, lf_positionIn(checkBoxParameterList, parameter)},
        {List::intList, lf_positionIn(intParameterList, parameter)},
        {List::intComboList, lf_positionIn(intComboParameterList, parameter)},
        {List::stringList, lf_positionIn(stringParameterList, parameter)},
        {List::controlStringList, lf_positionIn(controlStringParameterList, parameter)},
    };
    std::pair<List, int> result{List::none, 0};
    for (const auto& place : places) {
        if (place.second != 0) {
            EXPECT_EQ(result.first, List::none) << parameter->key() << " stands in more than one list";
            result = place;
        }
    }
    return result;
}

const Parameter* lf_settingWithKey(const std::string& key)
{
    const Parameter* found = nullptr;
    for (const Parameter* setting : allSettings) {
        if (setting->key() == key) {
            EXPECT_EQ(found, nullptr) << "two settings with the key " << key;
            found = setting;
        }
    }
    return found;
}

TEST(CatalogueTest, EverySettingHasItsKeyKindDefaultBoundsControlAndList)
{
    for (const ExpectedSetting& expected : lf_expectedSettings()) {
        SCOPED_TRACE(expected.key);
        const Parameter* setting = lf_settingWithKey(expected.key);
        ASSERT_NE(setting, nullptr);
        EXPECT_EQ(lf_kindOf(*setting), expected.kind);
        EXPECT_EQ(lf_defaultText(*setting), expected.defaultText);
        EXPECT_EQ(lf_boundsText(*setting), expected.bounds);

        const auto* binding = dynamic_cast<const ControlBinding*>(setting);
        if (expected.controlId == 0) {
            EXPECT_EQ(binding, nullptr);
        } else {
            ASSERT_NE(binding, nullptr);
            EXPECT_EQ(binding->controlId(), expected.controlId);
            EXPECT_EQ(binding->rowY(), expected.rowY);
        }
        EXPECT_EQ(lf_listOf(setting), std::make_pair(expected.list, expected.position));
    }
}

TEST(CatalogueTest, CatalogueHoldsNoSettingBeyondTheTable)
{
    EXPECT_EQ(allSettings.size(), lf_expectedSettings().size());
    EXPECT_EQ(boolParameterList.size() + checkBoxParameterList.size() + intParameterList.size() +
                  intComboParameterList.size() + stringParameterList.size() + controlStringParameterList.size(),
              allSettings.size() - 4);
}

TEST(CatalogueTest, TextListsHoldTheirChoicesInDisplayOrder)
{
    EXPECT_EQ(aiPackageSelector.choices(), expectedPackageOrders);
    EXPECT_EQ(expectedPackageOrders.size(), 64U);
    EXPECT_THAT(simChoice.choices(), ::testing::ElementsAre("MSFS 2020", "MSFS 2024"));
    EXPECT_THAT(callsign2ObjectId.choices()->snapshot(), ::testing::ElementsAre(""));
}

TEST(CatalogueTest, PushButtonsCarryCaptionControlAndRow)
{
    struct ExpectedButton {
        std::string caption;
        int controlId;
        int rowY;
    };
    const std::vector<ExpectedButton> expected{
        {"tblo.zip", 32804, 175}, {"Unblock", 32829, 257}, {"cs->oid:", 32830, 257},    {"Block", 32832, 257},
        {"Now", 32847, 313},      {"Re-read", 32838, 341}, {"Flush static", 32857, 369}};
    ASSERT_EQ(allButtons.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(allButtons[i]->caption(), expected[i].caption);
        EXPECT_EQ(allButtons[i]->controlId(), expected[i].controlId);
        EXPECT_EQ(allButtons[i]->rowY(), expected[i].rowY);
    }
}

// 21 check boxes, 12 lists, 3 edit boxes and 7 buttons, each with an id of its own.
TEST(CatalogueTest, TheWindowsFortyThreeControlsHaveDistinctIds)
{
    std::set<ui::ControlId> ids;
    size_t bindings = 0;
    for (const Parameter* setting : allSettings) {
        if (const auto* binding = dynamic_cast<const ControlBinding*>(setting)) {
            ids.insert(binding->controlId());
            ++bindings;
        }
    }
    for (const ButtonControl* button : allButtons) {
        ids.insert(button->controlId());
        ++bindings;
    }
    EXPECT_EQ(bindings, 43U);
    EXPECT_EQ(ids.size(), 43U);
    EXPECT_GE(*ids.begin(), 32771);
    EXPECT_LE(*ids.rbegin(), 32857);
}

TEST(CatalogueTest, AirportOverrideKeysPointAtTheEightSettingsKeys)
{
    const std::vector<const Parameter*> expected{&range,  &autoRange, &initialLoadOnly, &parkSoft, &parkingPercentage,
                                                 &maxFit, &week,      &maxLiveSel};
    ASSERT_EQ(airportOverrideKeys.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(airportOverrideKeys[i], expected[i]->key().c_str());
    }
    EXPECT_STREQ(airportOverrideKeys[4], "parking_percentage");
}

TEST(CatalogueTest, FixedPathsAreJoinedFromTheirFolders)
{
    const std::vector<std::pair<const std::filesystem::path*, std::string>> expected{
        {&paths::inputFolder, "input"},
        {&paths::dbaseEncName, "dbase.enc"},
        {&paths::aigRegcodesEncName, "AIG-regcodes.enc"},
        {&paths::airportsEncName, "airports.enc"},
        {&paths::dbaseEncPath, "input/dbase.enc"},
        {&paths::aigRegcodesEncPath, "input/AIG-regcodes.enc"},
        {&paths::airportsEncPath, "input/airports.enc"},
        {&paths::icaoAirportsTxtName, "ICAO_airports.txt"},
        {&paths::icaoAirportsTxtPath, "input/ICAO_airports.txt"},
        {&paths::aigRegcodesXmlName, "AIG-regcodes.xml"},
        {&paths::aigRegcodesXmlPath, "input/AIG-regcodes.xml"},
        {&paths::myRegcodesFolder, "input/my_regcodes"},
        {&paths::outputFolder, "output"},
        {&paths::liveriesScannedPath, "output/LiveriesScanned.xml"},
        {&paths::infoFolder, "output/info"},
        {&paths::errorsFolder, "output/errors"},
        {&paths::objectIdListPath, "output/info/ObjectIdList.txt"},
        {&paths::airportsFolder, "airports"},
        {&paths::learnedName, "learned"},
        {&paths::learnedFolder, "airports/learned"},
        {&paths::learnedStockFolder, "airports/learned/stock"},
        {&paths::learnedSimaddonFolder, "airports/learned/simaddon"},
        {&paths::learnedThirdpartyFolder, "airports/learned/thirdparty"},
        {&paths::mySimaddonFolder, "airports/my_simaddon"},
        {&paths::myThirdpartyFolder, "airports/my_thirdparty"},
        {&paths::myParkAirportsPath, "airports/my_park_airports.txt"},
        {&paths::docsFolder, "docs"},
        {&paths::newVersionFolder, "new_version"},
        {&paths::installNewVersionName, "install_new_version.exe"},
        {&paths::releaseNotesName, "ReleaseNotes.pdf"},
        {&paths::communityName, "Community"},
        {&paths::officialName, "Official"},
        {&paths::official2024Name, "Official2024"},
        {&paths::vidiveZovadazName, "VidiveZovadaz"},
        {&paths::fsBaseName, "fs-base"},
        {&paths::tbloFolder, "tblo"},
        {&paths::tbloZipName, "tblo.zip"},
    };
    for (const auto& [path, text] : expected) {
        EXPECT_EQ(path->generic_string(), text);
    }
}

} // namespace
} // namespace hlw::settings
