#include "settings/parameters_file.h"

#include "parameters_file_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace hlw::test {
namespace {

using Load = ParametersFileTest;

std::string lf_text(bool value) { return value ? "true" : "false"; }
std::string lf_text(int32_t value) { return std::to_string(value); }
std::string lf_text(const std::string& value) { return value; }

// Name and default value text of every listed setting, in storage order.
StoredSettings lf_defaultSettings()
{
    StoredSettings settings;
    const auto add = [&](const auto& list) {
        for (const auto* setting : list) {
            settings.emplace_back(setting->key(), lf_text(setting->defaultValue()));
        }
    };
    add(settings::boolParameterList);
    add(settings::checkBoxParameterList);
    add(settings::intParameterList);
    add(settings::intComboParameterList);
    add(settings::stringParameterList);
    add(settings::controlStringParameterList);
    for (auto& [name, value] : settings) {
        if (name == "PROGRAM_VERSION") {
            value = "12.5.1";
        }
    }
    return settings;
}

TEST_F(Load, MissingFileIsWrittenWithEveryDefaultInStorageOrder)
{
    EXPECT_TRUE(gf_readParameters());
    EXPECT_EQ(storedSettings(settingsPath()), lf_defaultSettings());
    EXPECT_FALSE(std::filesystem::exists(generationPath()));
    const std::string log = logText();
    EXPECT_NE(log.find("\n***"), std::string::npos);
    EXPECT_NE(log.find(" parameters "), std::string::npos);
    EXPECT_NE(log.find(settingsPath().string() + " not found, creating new with default values:\n"),
              std::string::npos);
    EXPECT_NE(log.find("\n" + std::string(80, '*') + "\n\n"), std::string::npos);
    EXPECT_NE(log.find("PORT_NUMBER=\"10747\"\n"), std::string::npos);
}

struct DamagedFile {
    const char* what;
    std::string bytes;
};

// Elements nested to the given depth below "root", beside a readable "parameters" element.
std::string nestedFile(int depth)
{
    std::string text = "<root><parameters><parameter name=\"RANGE\" value=\"5\"/></parameters>";
    for (int level = 1; level < depth; ++level) {
        text += "<n>";
    }
    for (int level = 1; level < depth; ++level) {
        text += "</n>";
    }
    return text + "</root>";
}

void PrintTo(const DamagedFile& file, std::ostream* out) { *out << file.what; }

class DamagedLoad : public ParametersFileTest, public testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedLoad, IsReplacedByDefaultsAfterKeepingOneGeneration)
{
    writeWholeFile(settingsPath(), GetParam().bytes);
    EXPECT_TRUE(gf_readParameters());
    EXPECT_EQ(storedSettings(settingsPath()), lf_defaultSettings());
    ASSERT_TRUE(std::filesystem::exists(generationPath()));
    EXPECT_EQ(readWholeFile(generationPath()), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedLoad,
    testing::Values(DamagedFile{"empty", ""}, DamagedFile{"cut off", "<root><parameters><parameter name=\"RAN"},
                    DamagedFile{"not xml", std::string("\x00\xff\x10garbage", 10)},
                    DamagedFile{"without parameters", "<root><meta/></root>"},
                    DamagedFile{"parameters too deep", "<root><other><parameters/></other></root>"},
                    DamagedFile{"nested 65 levels deep", nestedFile(65)},
                    DamagedFile{"other document element", "<settings><parameter name=\"RANGE\" value=\"5\"/></settings>"}));

TEST_F(Load, DocumentNested64LevelsDeepIsRead)
{
    writeWholeFile(settingsPath(), nestedFile(64));
    EXPECT_FALSE(gf_readParameters());
    EXPECT_EQ(settings::range.get(), 5);
    EXPECT_FALSE(std::filesystem::exists(generationPath()));
}

TEST_F(Load, StoredValuesAreTakenClampedCompletedAndShown)
{
    const StoredSettings stored{
        {"RANDOM", "false"},          {"ALWAYS_ON_TOP", "yes"},    {"MAX_PARK_SEL", "99999"},
        {"MAIN_WINDOW_Y", "-99999"},  {"HOLDING_THRESHOLD_METERS", "abc"},
        {"RANGE", "0x41"},            {"RANGE", "5"},              {"PORT_NUMBER", "12345"},
        {"SIM_CHOICE", "MSFS 2024"},  {"lfolder3", "D:/Liveries & more"},
        {"parking_percentage", "55"}, {"UNKNOWN", "kept"},
    };
    writeWholeFile(settingsPath(), settingsFileText(stored));

    EXPECT_FALSE(gf_readParameters());

    EXPECT_FALSE(settings::random.get());
    EXPECT_TRUE(settings::alwaysOnTop.get());
    EXPECT_EQ(settings::maxParkSel.get(), 500);
    EXPECT_EQ(settings::mainWindowY.get(), -30000);
    EXPECT_EQ(settings::holdingThresholdMeters.get(), 10); // no number reads 0, then clamped
    EXPECT_EQ(settings::range.get(), 65);                  // the first of two elements
    EXPECT_EQ(settings::portNumber.get(), "12345");
    EXPECT_EQ(settings::simChoice.get(), "MSFS 2024");
    EXPECT_EQ(settings::liveryFolders[3].get(), "D:/Liveries & more");
    EXPECT_EQ(settings::parkingPercentage.get(), 30); // in no list: never loaded
    EXPECT_EQ(settings::week.get(), settings::week.defaultValue());

    EXPECT_EQ(controls.checked(settings::alwaysOnTop.controlId()), true);
    EXPECT_EQ(controls.checked(settings::scanLiveries.controlId()), true);
    EXPECT_EQ(controls.text(settings::range.controlId()), "65");
    EXPECT_EQ(controls.text(settings::maxParkSel.controlId()), "500");
    EXPECT_EQ(controls.text(settings::simChoice.controlId()), "MSFS 2024");

    // Written back: stored texts stay as they were (also clamped ones), absent settings are appended.
    const StoredSettings after = storedSettings(settingsPath());
    ASSERT_GE(after.size(), stored.size());
    EXPECT_EQ(StoredSettings(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(stored.size())), stored);
    EXPECT_EQ(after.size(), stored.size() + listedKeys().size() - 9);
    EXPECT_EQ(storedValue(settingsPath(), "WEEK"), "false");
    EXPECT_EQ(storedValue(settingsPath(), "PROGRAM_VERSION"), "");

    const std::string log = logText();
    EXPECT_NE(log.find("from '" + settingsPath().string() + "'\n"), std::string::npos);
    EXPECT_NE(log.find("MAX_PARK_SEL=500\n"), std::string::npos);
    EXPECT_NE(log.find("lfolder3=\"D:/Liveries & more\"\n"), std::string::npos);
    EXPECT_NE(log.find("RANDOM=false\n"), std::string::npos);
}

// Every bounded number of the lists, stored one beyond each bound, is used at that bound.
TEST_F(Load, EveryNumberIsClampedToItsBounds)
{
    std::vector<IntParameter*> numbers(settings::intParameterList.begin(), settings::intParameterList.end());
    numbers.insert(numbers.end(), settings::intComboParameterList.begin(), settings::intComboParameterList.end());
    for (const bool above : {true, false}) {
        StoredSettings stored;
        for (const IntParameter* number : numbers) {
            const int64_t beyond = above ? int64_t{number->maximum()} + 1 : int64_t{number->minimum()} - 1;
            if (beyond >= INT32_MIN && beyond <= INT32_MAX) {
                stored.emplace_back(number->key(), std::to_string(beyond));
            }
        }
        writeWholeFile(settingsPath(), settingsFileText(stored));
        EXPECT_FALSE(gf_readParameters());
        for (const IntParameter* number : numbers) {
            const bool tested = std::any_of(stored.begin(), stored.end(),
                                            [&](const auto& entry) { return entry.first == number->key(); });
            if (tested) {
                EXPECT_EQ(number->get(), above ? number->maximum() : number->minimum()) << number->key();
            }
        }
    }
}

TEST_F(Load, OlderLayoutLoadsAndIsWrittenBackInItsLayout)
{
    writeWholeFile(settingsPath(), settingsFileText({{"RANGE", "65"}, {"AEROWINX", "true"}}, false));
    EXPECT_FALSE(gf_readParameters());
    EXPECT_EQ(settings::range.get(), 65);
    EXPECT_TRUE(settings::aerowinx.get());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(settingsPath().c_str()));
    EXPECT_FALSE(document.child("root"));
    EXPECT_EQ(storedSettings(settingsPath()).size(), listedKeys().size());
}

TEST_F(Load, SaveOfAllWritesCurrentValuesOrDefaultsAndShowsCurrentValues)
{
    settings::range.set(65);
    settings::week.set(true);
    settings::destination.set("EDDF");
    ASSERT_TRUE(gf_saveParameters(false));
    EXPECT_EQ(storedValue(settingsPath(), "RANGE"), "65");
    EXPECT_EQ(storedValue(settingsPath(), "WEEK"), "true");
    EXPECT_EQ(storedValue(settingsPath(), "DESTINATION"), "EDDF");
    EXPECT_EQ(storedValue(settingsPath(), "PROGRAM_VERSION"), "");
    EXPECT_EQ(storedValue(settingsPath(), "parking_percentage"), std::nullopt);

    ASSERT_TRUE(gf_saveParameters(true));
    EXPECT_EQ(storedSettings(settingsPath()), lf_defaultSettings());
    EXPECT_EQ(settings::range.get(), 65);
    EXPECT_EQ(controls.text(settings::range.controlId()), "65");
    EXPECT_EQ(controls.checked(settings::week.controlId()), true);
}

TEST_F(Load, StoredNumberLookupReadsBothLayoutsWithoutLoadingSettings)
{
    EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_X"), std::nullopt);
    for (const bool withRoot : {true, false}) {
        writeWholeFile(settingsPath(), settingsFileText({{"MAIN_WINDOW_X", "-120"}}, withRoot));
        EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_X"), -120);
        EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_Y"), std::nullopt);
        EXPECT_EQ(settings::mainWindowX.get(), 400);
    }
    writeWholeFile(settingsPath(), "<root><parameters>");
    EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_X"), std::nullopt);
}

} // namespace
} // namespace hlw::test
