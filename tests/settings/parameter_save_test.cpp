#include "settings/parameters_file.h"

#include "parameters_file_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace hlw::test {
namespace {

using OneSettingSave = ParametersFileTest;

TEST_F(OneSettingSave, EachKindUpdatesEveryElementOfItsKeyOrAppendsOneAndLogsItsValue)
{
    writeWholeFile(settingsPath(), settingsFileText({{"RANGE", "40"}, {"WEEK", "true"}, {"RANGE", "12"}}));
    settings::range.set(65);
    settings::range.save();
    settings::week.set(false);
    settings::week.save();
    settings::portNumber.setAndSave("2000");
    settings::destination.setAndSave("");
    settings::parkingPercentage.set(55);
    settings::parkingPercentage.save();

    EXPECT_EQ(storedSettings(settingsPath()), (StoredSettings{{"RANGE", "65"},
                                                              {"WEEK", "false"},
                                                              {"RANGE", "65"},
                                                              {"PORT_NUMBER", "2000"},
                                                              {"DESTINATION", ""},
                                                              {"parking_percentage", "55"}}));
    const std::string log = logText();
    EXPECT_NE(log.find("\nRANGE=65\n"), std::string::npos);
    EXPECT_NE(log.find("\nWEEK=false\n"), std::string::npos);
    EXPECT_NE(log.find("\nPORT_NUMBER=\"2000\"\n"), std::string::npos);
    EXPECT_NE(log.find("\nDESTINATION=\"\"\n"), std::string::npos);
}

TEST_F(OneSettingSave, ElementWithoutValueGetsOne)
{
    writeWholeFile(settingsPath(), "<root><parameters><parameter name=\"RANGE\"/></parameters></root>");
    settings::range.set(8);
    settings::range.save();
    EXPECT_EQ(storedSettings(settingsPath()), (StoredSettings{{"RANGE", "8"}}));
}

TEST_F(OneSettingSave, WithoutAnyFileCreatesAFileOfThatSetting)
{
    settings::mainWindowX.set(-5);
    settings::mainWindowX.save();
    EXPECT_EQ(storedSettings(settingsPath()), (StoredSettings{{"MAIN_WINDOW_X", "-5"}}));
    // The next load completes it.
    EXPECT_FALSE(gf_readParameters());
    EXPECT_EQ(storedSettings(settingsPath()).size(), listedKeys().size());
    EXPECT_EQ(settings::mainWindowX.get(), -5);
}

TEST_F(OneSettingSave, RootWithoutParametersGetsTheElement)
{
    writeWholeFile(settingsPath(), "<root><meta/></root>");
    settings::week.set(true);
    settings::week.save();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(settingsPath().c_str()));
    EXPECT_TRUE(document.child("root").child("meta"));
    EXPECT_EQ(storedSettings(settingsPath()), (StoredSettings{{"WEEK", "true"}}));
}

struct UnusableFile {
    const char* what;
    std::string bytes;
};

void PrintTo(const UnusableFile& file, std::ostream* out) { *out << file.what; }

class UnusableFileSave : public ParametersFileTest, public testing::WithParamInterface<UnusableFile> {};

// Never a file of one setting in place of a file that exists: every current value is written.
TEST_P(UnusableFileSave, KeepsOneGenerationAndWritesAllCurrentValues)
{
    writeWholeFile(settingsPath(), GetParam().bytes);
    settings::destination.set("LOWW");
    settings::range.set(65);
    settings::range.save();
    EXPECT_EQ(readWholeFile(generationPath()), GetParam().bytes);
    const StoredSettings stored = storedSettings(settingsPath());
    EXPECT_EQ(stored.size(), listedKeys().size());
    EXPECT_EQ(storedValue(settingsPath(), "RANGE"), "65");
    EXPECT_EQ(storedValue(settingsPath(), "DESTINATION"), "LOWW");
    EXPECT_NE(logText().find("==> " + settingsPath().string() + " holds no settings"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableFileSave,
                         testing::Values(UnusableFile{"empty", ""},
                                         UnusableFile{"half written", "<root><parameters><parameter name=\"RAN"},
                                         UnusableFile{"other document element", "<settings/>"}));

TEST_F(OneSettingSave, SettingOutsideTheListsIsKeptWhenAllValuesAreWritten)
{
    writeWholeFile(settingsPath(), "<root><parameters>");
    settings::parkingPercentage.set(70);
    settings::parkingPercentage.save();
    EXPECT_EQ(storedValue(settingsPath(), "parking_percentage"), "70");
    EXPECT_EQ(storedSettings(settingsPath()).size(), listedKeys().size() + 1);
}

// An older-layout file converted by a save made before any load (the window saves its position first)
// keeps every stored value instead of the defaults in memory.
TEST_F(OneSettingSave, OlderLayoutIsConvertedInPlaceKeepingStoredValues)
{
    const StoredSettings stored{{"RANGE", "65"}, {"MAIN_WINDOW_X", "100"}, {"lfolder1", "E:/x"}, {"OTHER", "1"}};
    writeWholeFile(settingsPath(), settingsFileText(stored, false));
    settings::mainWindowY.set(48);
    settings::mainWindowY.save();

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(settingsPath().c_str()));
    ASSERT_TRUE(document.child("root").child("parameters"));
    EXPECT_FALSE(document.child("parameters"));
    StoredSettings expected = stored;
    expected.emplace_back("MAIN_WINDOW_Y", "48");
    EXPECT_EQ(storedSettings(settingsPath()), expected);
    EXPECT_NE(logText().find("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n"),
              std::string::npos);
}

TEST_F(OneSettingSave, ExplicitConversionKeepsEveryStoredValue)
{
    const StoredSettings stored{{"RANGE", "65"}, {"SIM_CHOICE", "MSFS 2024"}};
    writeWholeFile(settingsPath(), settingsFileText(stored, false));
    EXPECT_TRUE(gf_wrapParametersRoot());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(settingsPath().c_str()));
    EXPECT_TRUE(document.child("root").child("parameters"));
    EXPECT_EQ(storedSettings(settingsPath()), stored);
    // Already converted: nothing to do.
    const std::string converted = readWholeFile(settingsPath());
    EXPECT_TRUE(gf_wrapParametersRoot());
    EXPECT_EQ(readWholeFile(settingsPath()), converted);
    writeWholeFile(settingsPath(), "<parameters");
    EXPECT_FALSE(gf_wrapParametersRoot());
}

// Writes beyond a small file-size limit fail (also for root), as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

using FailedWrite = ParametersFileTest;

TEST_F(FailedWrite, LeavesTheOldFileByteForByte)
{
    const std::string old = settingsFileText({{"RANGE", "65"}, {"DESTINATION", "EDDF"}});
    writeWholeFile(settingsPath(), old);
    const std::string longText(8000, 'x');
    settings::destination.set(longText);
    {
        const FileSizeLimit limit(1000);
        settings::destination.save();
        EXPECT_FALSE(gf_saveParameters(false));
        EXPECT_FALSE(gf_readParameters()); // its write-back fails too
    }
    EXPECT_EQ(readWholeFile(settingsPath()), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dataFolder), std::filesystem::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(FailedWrite, IsReportedWithAnAlertAndLeavesNoFile)
{
    writeWholeFile(programFolder / "plain", "a file, not a folder");
    gf_overrideDataFolderPath(programFolder / "plain" / "Hollowmere");
    settings::week.set(true);
    settings::week.save();
    EXPECT_FALSE(gf_saveParameters(false));
    EXPECT_TRUE(gf_readParameters());
    const std::string log = logText();
    const std::string alert = "==> saving: " + (programFolder / "plain" / "Hollowmere" / "parameters.xml").string() +
                              " failed\n";
    const auto first = log.find(alert);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find(alert, first + 1), std::string::npos);
}

} // namespace
} // namespace hlw::test
