// The bundled sample registration codes fit the sample "LiveriesScanned.xml": every title they give a
// registration is a sample livery, and the start-up processing maps the registrations of both sources.
#include "core/log.h"
#include "liveries/livery_tables.h"
#include "liveries/registration_codes.h"
#include "liveries/registration_tables.h"
#include "liveries/scan_lists.h"
#include "refdata/code_table.h"

#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path sourceSamples = fs::path(HLMR_SAMPLES_SOURCE);

class SampleRegcodesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "output" / "info");
        fs::copy(HLMR_SAMPLES_INPUT, dir / "input", fs::copy_options::recursive);
        fs::copy_file(sourceSamples / "liveries" / "LiveriesScanned.xml", dir / "output" / "LiveriesScanned.xml");
        gf_startLog(dir / "Log.txt");
    }
    void TearDown() override
    {
        gf_clearLiveryCatalogue();
        gf_dontUseTitles().clear();
        gf_stopLog();
        gf_airlineCodes().reset();
        gf_modelCodes().reset();
    }

    static std::string title(const std::string& registration)
    {
        const auto& regcodes = gf_registrationTables().regcodes;
        const auto hit = regcodes.find(registration);
        return hit != regcodes.end() ? std::string(hit->second) : std::string("-");
    }

    test::TempDir dir;
    test::ScopedCurrentPath current{dir.path()};
};

TEST_F(SampleRegcodesTest, StartUpMapsTheSampleRegistrations)
{
    gf_processScannedLiveries(&gf_buildRegistrationCodes);
    EXPECT_EQ(title("PH-IFJ"), "KLM Boeing 737-800 PH-IFJ");                     // in-line
    EXPECT_EQ(title("PH-BHC"), "KLM Boeing 787-9 fleet");                        // AIG file
    EXPECT_EQ(title("PH-BXB"), "KLM Boeing 737-800 PH-IFJ");                     // user list
    EXPECT_EQ(title("D-AIMC"), "DLH Airbus A380 D-XZQY");
    EXPECT_EQ(title("HB-JLT"), "SWR Airbus A320 HB-OGC");
    EXPECT_FALSE(fs::exists(dir / "input" / "AIG-regcodes.xml"));
    const std::string report = test::readWholeFile(dir / "output" / "info" / "OfflineRegcodes.txt");
    // Every entry of both sources names a sample livery: nothing is passed over.
    EXPECT_THAT(report, HasSubstr("17 new regcodes added, 1 regcode defined as special"));
    EXPECT_THAT(report, HasSubstr("7 new regcodes added, 3 regcodes defined as special"));
    EXPECT_THAT(report, Not(HasSubstr("errors")));
}

TEST_F(SampleRegcodesTest, DontUseTitlesOfTheSamples)
{
    gf_readDontUseTitles();
    EXPECT_TRUE(gf_dontUseTitles().contains("Retired livery of a closed package"));
    EXPECT_TRUE(gf_dontUseTitles().contains("A livery I never want to see"));
    EXPECT_EQ(gf_dontUseTitles().size(), 2u);
}

} // namespace
} // namespace hlw
