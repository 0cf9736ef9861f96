#include "settings/parameters_file.h"

#include "parameters_file_fixture.h"

#include <gtest/gtest.h>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;

using Upgrade = ParametersFileTest;

TEST_F(Upgrade, NewFileStoresBothScanFlagsAndTheRunningVersion)
{
    settings::scanLiveries.set(false);
    settings::scanAirports.set(false);
    gf_upgradeParameters();
    EXPECT_TRUE(settings::scanLiveries.get());
    EXPECT_TRUE(settings::scanAirports.get());
    EXPECT_EQ(storedValue(settingsPath(), "SCAN_LIVERIES"), "true");
    EXPECT_EQ(storedValue(settingsPath(), "SCAN_AIRPORTS"), "true");
    EXPECT_EQ(storedValue(settingsPath(), "PROGRAM_VERSION"), "12.5.1");
    EXPECT_EQ(controls.checked(settings::scanLiveries.controlId()), true);
    EXPECT_EQ(controls.checked(settings::scanAirports.controlId()), true);
    EXPECT_EQ(logText().find("version update"), std::string::npos);
}

struct StoredVersion {
    const char* stored;
    bool updateLine;
    bool dataFilesRemoved;
    bool newVersionRemoved;
    bool resetToDefaults;
};

void PrintTo(const StoredVersion& version, std::ostream* out) { *out << '"' << version.stored << '"'; }

class VersionChange : public ParametersFileTest, public testing::WithParamInterface<StoredVersion> {
protected:
    void SetUp() override
    {
        ParametersFileTest::SetUp();
        fs::create_directories(programFolder / "input");
        for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc", "other.enc"}) {
            writeWholeFile(programFolder / "input" / name, name);
        }
        fs::create_directories(programFolder / "new_version" / "inner");
        writeWholeFile(programFolder / "new_version" / "inner" / "setup.exe", "x");
    }
};

TEST_P(VersionChange, TreatsDataFilesSettingsAndDownloadsByTheStoredVersion)
{
    const StoredVersion& c = GetParam();
    const std::string old = settingsFileText({{"PROGRAM_VERSION", c.stored}, {"RANGE", "65"}});
    writeWholeFile(settingsPath(), old);

    gf_upgradeParameters();

    const std::string log = logText();
    EXPECT_EQ(log.find("This is a version update from ") != std::string::npos, c.updateLine) << log;
    for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
        EXPECT_NE(fs::exists(programFolder / "input" / name), c.dataFilesRemoved) << name;
    }
    EXPECT_TRUE(fs::exists(programFolder / "input" / "other.enc"));
    EXPECT_NE(fs::exists(programFolder / "new_version"), c.newVersionRemoved);
    EXPECT_EQ(storedValue(settingsPath(), "PROGRAM_VERSION"), "12.5.1");
    EXPECT_EQ(settings::programVersion.get(), "12.5.1");
    // This run keeps what it loaded, also when the file is reset.
    EXPECT_EQ(settings::range.get(), 65);
    EXPECT_EQ(storedValue(settingsPath(), "RANGE"), c.resetToDefaults ? "40" : "65");
    if (c.resetToDefaults) {
        // The replaced settings stay available in the older generation.
        EXPECT_EQ(storedValue(generationPath(), "RANGE"), "65");
        EXPECT_NE(log.find("\nYour previous version was too old to convert the old text box parameters to the "
                           "newdropbox values.\n"),
                  std::string::npos);
        EXPECT_NE(log.find("Hollowmere re-starts with default parameter values ...\n\n"), std::string::npos);
    } else {
        EXPECT_FALSE(fs::exists(generationPath()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionChange,
    testing::Values(StoredVersion{"", false, false, false, false},
                    StoredVersion{"12.5.1", false, false, false, false},
                    StoredVersion{"13.0.0", false, false, false, false},
                    StoredVersion{"12.5.0", true, false, true, false},
                    StoredVersion{"12.0.0", true, false, true, false},
                    StoredVersion{"11.99.99", true, true, true, false},
                    StoredVersion{"11.4.0", true, true, true, false},
                    StoredVersion{"11.0.2", true, true, true, false},
                    StoredVersion{"11.0.1", true, true, false, true},
                    StoredVersion{"abc", true, true, false, true}));

TEST_F(Upgrade, UpdateLineNamesBothVersions)
{
    writeWholeFile(settingsPath(), settingsFileText({{"PROGRAM_VERSION", "11.4.0"}}));
    gf_upgradeParameters();
    EXPECT_NE(logText().find("This is a version update from 11.4.0 -> 12.5.1\n"), std::string::npos);
}

} // namespace
} // namespace hlw::test
