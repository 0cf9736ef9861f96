// "parameters.xml" on disk: load, saves, layout conversion, start-up upgrade and failed writes.
#include "settings/parameters_file.h"

#include "parameters_file_fixture.h"
#include "settings/parameters_upgrade.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using SettingsFile = ParametersFileTest;

// A readable "parameters" element beside elements nested to the given depth below "root".
std::string nestedFile(int depth)
{
    std::string open;
    std::string close;
    for (int level = 1; level < depth; ++level) {
        open += "<n>";
        close += "</n>";
    }
    return "<root><parameters><parameter name=\"RANGE\" value=\"5\"/></parameters>" + open + close + "</root>";
}

TEST_F(SettingsFile, MissingOrUnusableFileIsReplacedByTheDefaultsKeepingOneGeneration)
{
    EXPECT_EQ(gf_readStoredIntParameter("RANGE"), std::nullopt);
    EXPECT_TRUE(gf_readParameters());
    EXPECT_EQ(stored(), defaultSettings());
    EXPECT_FALSE(fs::exists(generationPath()));
    const std::string stars(34, '*');
    EXPECT_THAT(logText(), HasSubstr("\n\n" + stars + " parameters " + stars + "\n" + settingsPath().string() +
                                     " not found, creating new with default values:\nRANDOM=true\n"));
    EXPECT_THAT(logText(), HasSubstr("\nSIM_CHOICE=\"MSFS 2020\"\n" + std::string(80, '*') + "\n\n"));

    for (const std::string& bytes :
         {std::string(), std::string("<root><parameters><parameter name=\"RAN"), std::string("\x00\xff\x10garbage", 10),
          std::string("<root><meta/></root>"), std::string("<root><other><parameters/></other></root>"), nestedFile(65),
          std::string("<settings><parameter name=\"RANGE\" value=\"5\"/></settings>")}) {
        writeWholeFile(settingsPath(), bytes);
        EXPECT_EQ(gf_readStoredIntParameter("RANGE"), std::nullopt) << bytes;
        EXPECT_TRUE(gf_readParameters()) << bytes;
        EXPECT_EQ(stored(), defaultSettings()) << bytes;
        EXPECT_EQ(readWholeFile(generationPath()), bytes);
    }
    writeWholeFile(settingsPath(), nestedFile(64));
    EXPECT_FALSE(gf_readParameters());
    EXPECT_EQ(settings::range.get(), 5);
}

TEST_F(SettingsFile, StoredValuesAreTakenClampedCompletedShownAndWrittenBackInTheirLayout)
{
    const StoredSettings file{{"RANDOM", "false"},
                              {"ALWAYS_ON_TOP", "yes"},
                              {"MAX_PARK_SEL", "99999"},
                              {"MAIN_WINDOW_Y", "-99999"},
                              {"HOLDING_THRESHOLD_METERS", "abc"},
                              {"RANGE", "0x41"},
                              {"RANGE", "5"},
                              {"SIM_CHOICE", "MSFS 2024"},
                              {"lfolder3", "D:/a & b"},
                              {"parking_percentage", "55"},
                              {"UNKNOWN", "kept"}};
    for (const bool withRoot : {true, false}) {
        resetSettings();
        writeWholeFile(settingsPath(), settingsFileText(file, withRoot));
        // The window reads its position before the first load, unclamped.
        EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_Y"), -99999);
        EXPECT_EQ(gf_readStoredIntParameter("MAIN_WINDOW_X"), std::nullopt);
        EXPECT_FALSE(gf_readParameters());
        // A number that is none reads 0 and is clamped; of two elements the first counts; unlisted stays unread.
        EXPECT_EQ(fmt::format("{} {} {} {} {} {} {} {} {}", settings::random.get(), settings::alwaysOnTop.get(),
                              settings::maxParkSel.get(), settings::mainWindowY.get(),
                              settings::holdingThresholdMeters.get(), settings::range.get(), settings::simChoice.get(),
                              settings::liveryFolders[3].get(), settings::parkingPercentage.get()),
                  "false true 500 -30000 10 65 MSFS 2024 D:/a & b 30");
        EXPECT_TRUE(window.port.control(settings::alwaysOnTop.controlId())->checked);
        EXPECT_TRUE(window.port.control(settings::scanLiveries.controlId())->checked);
        for (const char* shown : {"text 32818 65", "text 32848 500", "text 32789 MSFS 2024", "text 32828 "}) {
            EXPECT_THAT(window.port.operations(), Contains(shown));
        }
        // Stored texts stay as they were (also clamped ones); absent settings are appended with their defaults.
        const StoredSettings after = stored();
        EXPECT_EQ(StoredSettings(after.begin(), after.begin() + std::ssize(file)), file);
        EXPECT_EQ(after.size(), file.size() + defaultSettings().size() - 8);
        EXPECT_EQ(stored("PROGRAM_VERSION"), "");
        EXPECT_EQ(readWholeFile(settingsPath()).find("<root>") != std::string::npos, withRoot);
    }
    EXPECT_THAT(logText(), HasSubstr("\nfrom '" + settingsPath().string() + "'\nRANDOM=false\nALWAYS_ON_TOP=true\n"));
}

// The range that the traffic filter reads is the loaded one, not the one before the load.
TEST_F(SettingsFile, TheDerivedRangeFollowsTheLoadedRange)
{
    for (const int32_t nm : {10, 100, 40}) {
        writeWholeFile(settingsPath(), settingsFileText({{"RANGE", std::to_string(nm)}}));
        EXPECT_FALSE(gf_readParameters());
        EXPECT_EQ(rangeNm.load(), static_cast<double>(nm));
        EXPECT_EQ(rangeMetres.load(), nm * 1852);
    }
}

TEST_F(SettingsFile, SaveOfAllWritesCurrentValuesOrDefaultsAndShowsCurrentValues)
{
    settings::range.set(65);
    ASSERT_TRUE(gf_saveParameters(false));
    EXPECT_EQ(stored("RANGE"), "65");
    EXPECT_EQ(stored("PROGRAM_VERSION"), "");
    EXPECT_EQ(stored("parking_percentage"), std::nullopt);
    window.port.takeOperations();
    ASSERT_TRUE(gf_saveParameters(true));
    EXPECT_EQ(stored(), defaultSettings());
    EXPECT_EQ(settings::range.get(), 65);
    EXPECT_THAT(window.port.operations(), Contains("text 32818 65"));
}

TEST_F(SettingsFile, OneSettingUpdatesEveryElementOfItsKeyOrAppendsOne)
{
    writeWholeFile(settingsPath(), "<root><parameters><parameter name=\"RANGE\" value=\"40\"/><parameter name=\"WEEK\" "
                                   "value=\"true\"/><parameter name=\"RANGE\"/></parameters></root>");
    settings::range.set(65);
    settings::range.save();
    settings::week.save();
    settings::portNumber.setAndSave("2000");
    settings::destination.setAndSave("");
    settings::parkingPercentage.save();
    EXPECT_EQ(stored(), (StoredSettings{{"RANGE", "65"},
                                        {"WEEK", "false"},
                                        {"RANGE", "65"},
                                        {"PORT_NUMBER", "2000"},
                                        {"DESTINATION", ""},
                                        {"parking_percentage", "30"}}));
    EXPECT_THAT(logText(), HasSubstr("\nRANGE=65\nWEEK=false\nPORT_NUMBER=\"2000\"\nDESTINATION=\"\"\n"));

    // Without any file the setting makes a file of its own, which the next load completes.
    fs::remove(settingsPath());
    settings::mainWindowX.set(-5);
    settings::mainWindowX.save();
    EXPECT_EQ(stored(), (StoredSettings{{"MAIN_WINDOW_X", "-5"}}));
    EXPECT_FALSE(gf_readParameters());
    EXPECT_EQ(stored().size(), defaultSettings().size());
    EXPECT_EQ(settings::mainWindowX.get(), -5);

    writeWholeFile(settingsPath(), "<root><meta/></root>");
    settings::week.save();
    EXPECT_EQ(stored(), (StoredSettings{{"WEEK", "false"}}));
    EXPECT_THAT(readWholeFile(settingsPath()), HasSubstr("<meta />"));
}

// Never a file of one setting in place of a file that exists: its copy is kept and every current value written.
TEST_F(SettingsFile, OneSettingIntoAnUnusableFileWritesAllCurrentValues)
{
    for (const std::string bytes : {"", "<root><parameters><parameter name=\"RAN", "<settings/>"}) {
        writeWholeFile(settingsPath(), bytes);
        settings::destination.set("LOWW");
        settings::parkingPercentage.set(70);
        settings::parkingPercentage.save();
        EXPECT_EQ(readWholeFile(generationPath()), bytes);
        EXPECT_EQ(stored().size(), defaultSettings().size() + 1) << bytes;
        EXPECT_EQ(stored("DESTINATION"), "LOWW");
        EXPECT_EQ(stored("parking_percentage"), "70");
    }
    EXPECT_THAT(logText(), HasSubstr("==> " + settingsPath().string() + " holds no settings"));
}

// A folder named like the file: one alert at the load, the values logged once, every later step quiet, and the
// folder with its content left as it is.
TEST_F(SettingsFile, AFolderInPlaceOfTheFileGivesOneAlertAndTheRunKeepsItsValues)
{
    fs::create_directories(settingsPath());
    writeWholeFile(settingsPath() / "inside.txt", "kept");

    EXPECT_EQ(gf_readStoredIntParameter("RANGE"), std::nullopt);
    gf_upgradeParameters();
    settings::week.setAndSave(true);
    settings::range.setClampedAndSave(10);
    EXPECT_FALSE(gf_saveParameters(false));
    EXPECT_FALSE(gf_wrapParametersRoot());
    settings::mainWindowY.save();

    const std::string log = logText();
    const std::string alert = "==> " + settingsPath().string() + " is a folder, not a file: the settings are not read";
    EXPECT_THAT(log, HasSubstr(alert));
    EXPECT_EQ(log.find("==> "), log.rfind("==> ")) << log;
    EXPECT_EQ(log.find("\nRANDOM=true\n"), log.rfind("\nRANDOM=true\n")) << "the settings are listed once";
    EXPECT_THAT(log, HasSubstr("\nWEEK=true\n"));
    EXPECT_EQ(settings::maxLiveSel.get(), settings::maxLiveSel.defaultValue());
    EXPECT_TRUE(settings::scanLiveries.get());
    EXPECT_EQ(readWholeFile(settingsPath() / "inside.txt"), "kept");
    EXPECT_FALSE(fs::exists(generationPath()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dataFolder), fs::directory_iterator()), 1);
}

// The window saves its position before the first load: an older-layout file gets "root" and keeps every value.
TEST_F(SettingsFile, OlderLayoutIsConvertedInPlaceKeepingEveryStoredValue)
{
    const StoredSettings file{{"RANGE", "65"}, {"lfolder1", "E:/x"}, {"OTHER", "1"}};
    writeWholeFile(settingsPath(), settingsFileText(file, false));
    settings::mainWindowY.save();
    EXPECT_THAT(readWholeFile(settingsPath()), HasSubstr("<root>"));
    EXPECT_EQ(stored("lfolder1"), "E:/x");
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), "20");
    EXPECT_THAT(logText(),
                HasSubstr("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n"));

    writeWholeFile(settingsPath(), settingsFileText(file, false));
    EXPECT_TRUE(gf_wrapParametersRoot());
    const std::string converted = readWholeFile(settingsPath());
    EXPECT_EQ(stored(), file);
    EXPECT_TRUE(gf_wrapParametersRoot()); // already converted: nothing to do
    EXPECT_EQ(readWholeFile(settingsPath()), converted);
    writeWholeFile(settingsPath(), "<settings/>"); // no settings file: left alone
    EXPECT_TRUE(gf_wrapParametersRoot());
    EXPECT_EQ(readWholeFile(settingsPath()), "<settings/>");
    writeWholeFile(settingsPath(), "<parameters");
    EXPECT_FALSE(gf_wrapParametersRoot());
}

TEST_F(SettingsFile, FailedWritesKeepTheOldFileAndAreReported)
{
    const std::string old = settingsFileText({{"RANGE", "65"}, {"DESTINATION", "EDDF"}});
    writeWholeFile(settingsPath(), old);
    settings::destination.set(std::string(8000, 'x'));
    {
        const FileSizeLimit fullDisk(1000);
        settings::destination.save();
        EXPECT_FALSE(gf_saveParameters(false));
        EXPECT_FALSE(gf_readParameters()); // its write-back fails too
    }
    EXPECT_EQ(readWholeFile(settingsPath()), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dataFolder), fs::directory_iterator()), 1) << "no temporary file";

    // A data folder below a plain file holds no settings file: nothing is kept, every save reports its failure.
    const fs::path impossible = programFolder / "plain" / "Hollowmere";
    writeWholeFile(programFolder / "plain", "a file, not a folder");
    gf_overrideDataFolderPath(impossible);
    const std::string before = logText();
    settings::week.save();
    EXPECT_FALSE(gf_saveParameters(false));
    EXPECT_TRUE(gf_readParameters());
    const std::string log = logText().substr(before.size());
    const std::string alert = "==> saving: " + (impossible / "parameters.xml").string();
    EXPECT_NE(log.find(alert), log.rfind(alert));
    EXPECT_THAT(log, Not(HasSubstr("holds no settings")));
    EXPECT_THAT(log, Not(HasSubstr("could not be read")));
}

// A new file stores both scan flags; a file of another version is treated by that version.
TEST_F(SettingsFile, UpgradeTreatsANewFileAndEachStoredVersion)
{
    settings::scanLiveries.set(false);
    settings::scanAirports.set(false);
    gf_upgradeParameters();
    for (const BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
        EXPECT_TRUE(scan->get() && window.port.control(scan->controlId())->checked);
        EXPECT_EQ(stored(scan->key()), "true");
    }
    EXPECT_EQ(stored("PROGRAM_VERSION"), "12.5.1");

    struct Row {
        const char* stored;
        bool update;           // the update line is written
        bool dataFilesRemoved; // before 12.0.0
        bool newVersionRemoved;
        bool resetToDefaults; // before 11.0.2
    };
    const Row rows[]{{"", false, false, false, false},       {"12.5.1", false, false, false, false},
                     {"13.0.0", false, false, false, false}, {"12.5.0", true, false, true, false},
                     {"12.0.0", true, false, true, false},   {"11.99.99", true, true, true, false},
                     {"11.0.2", true, true, true, false},    {"11.0.1", true, true, false, true},
                     {"abc", true, true, false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        resetSettings();
        fs::remove(generationPath());
        fs::create_directories(programFolder / "new_version" / "inner");
        fs::create_directories(programFolder / "input");
        for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc", "other.enc"}) {
            writeWholeFile(programFolder / "input" / name, name);
        }
        writeWholeFile(settingsPath(), settingsFileText({{"PROGRAM_VERSION", row.stored}, {"RANGE", "65"}}));
        const std::size_t logged = logText().size();

        gf_upgradeParameters();

        const std::string log = logText().substr(logged);
        const std::string shown = std::string(row.stored) == "abc" ? "0.0.0" : row.stored;
        EXPECT_EQ(log.find("This is a version update from " + shown + " -> 12.5.1\n") != std::string::npos, row.update);
        for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
            EXPECT_NE(fs::exists(programFolder / "input" / name), row.dataFilesRemoved) << name;
        }
        EXPECT_TRUE(fs::exists(programFolder / "input" / "other.enc"));
        EXPECT_NE(fs::exists(programFolder / "new_version"), row.newVersionRemoved);
        EXPECT_EQ(stored("PROGRAM_VERSION"), "12.5.1");
        EXPECT_EQ(settings::programVersion.get(), "12.5.1");
        EXPECT_EQ(settings::range.get(), 65); // this run keeps what it loaded
        EXPECT_EQ(stored("RANGE"), row.resetToDefaults ? "40" : "65");
        EXPECT_EQ(fs::exists(generationPath()), row.resetToDefaults);
        EXPECT_EQ(log.find("\nYour previous version was too old to convert the old text box parameters to the "
                           "newdropbox values.\nHollowmere re-starts with default parameter values ...\n\n") !=
                      std::string::npos,
                  row.resetToDefaults);
    }
}

} // namespace
} // namespace hlw::test
