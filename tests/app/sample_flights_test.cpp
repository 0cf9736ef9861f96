#include "support/sample_flights.h"

#include "core/log.h"
#include "core/user_error.h"
#include "liveries/livery_tables.h"
#include "liveries/registration_codes.h"
#include "liveries/matching_summary.h"
#include "liveries/scan_lists.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SampleFlightsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::copy(HLMR_SAMPLES_INPUT, dir / "input", fs::copy_options::recursive);
        fs::create_directories(dir / "output");
        gf_startLog(dir / "Log.txt");
        // The category reports save switched-off settings: into the test's folder, never the user's.
        gf_overrideDataFolderPath(dir.path());
        settings::random.set(false);
        // As after a start-up that found the file: no scan unless a test asks for one.
        settings::scanLiveries.set(false);
        gf_resetMatchStepCounts();
    }
    void TearDown() override
    {
        gf_clearLiveryCatalogue();
        gf_dontUseTitles().clear();
        gf_resetMatchStepCounts();
        settings::random.set(settings::random.defaultValue());
        for (BoolCheckBoxParameter* setting : {&settings::lightAircraft, &settings::highPerfAircraft,
                                               &settings::helicopters, &settings::scanLiveries}) {
            setting->set(setting->defaultValue());
        }
        gf_overrideDataFolderPath(std::nullopt);
        gf_stopLog();
        gf_airlineCodes().reset();
        gf_modelCodes().reset();
    }

    test::TempDir dir;
    test::ScopedCurrentPath current{dir.path()};
};

TEST_F(SampleFlightsTest, SampleFlightsGetTheirTitles)
{
    fs::copy_file(fs::path(HLMR_SAMPLES_SOURCE) / "liveries" / "LiveriesScanned.xml",
                  dir / "output" / "LiveriesScanned.xml");
    gf_processScannedLiveries(&gf_buildRegistrationCodes);
    EXPECT_TRUE(liveriesDone.load());

    test::writeWholeFile(dir / "flights.txt", "# comment\n"
                                              "KLM1233 KLM - B738 0 PH-BXB\n"
                                              "BAW2490 BAW - B772 0 G-YMMA\n"
                                              "AAL100 AAL - A320 0 N533WZ\n"
                                              "BAD1 KLM B738 0 PH-BXB\n"
                                              "bad2 KLM - B738 0 PH-BXB\n"
                                              "BAD3 KLM - B738 2 PH-BXB\n"
                                              "BAD4 KLMX - B738 0 PH-BXB\n");
    const std::vector<std::string> lines = gf_matchSampleFlights(dir / "flights.txt");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_THAT(lines[1], HasSubstr("PH-BXB   -> KLM Boeing 737-800 PH-IFJ"));
    EXPECT_THAT(lines[2], HasSubstr("G-YMMA   -> BAW Boeing 777-200ER G-OQLZ"));
    EXPECT_THAT(lines[3], HasSubstr("N533WZ   -> Generic Airbus A320"));
    EXPECT_EQ(lines[4], "Matches at step: 0: 1 1: 1 2: 0 3: 0 4: 1 5: 0 6: 0");
    gf_logFlushNow();
    const std::string log = test::readWholeFile(dir / "Log.txt");
    for (const char* skipped : {"BAD1", "bad2", "BAD3", "BAD4"}) {
        EXPECT_THAT(log, HasSubstr(fmt::format("==> Sample flight '{}", skipped)));
    }
    EXPECT_THAT(log, HasSubstr("live traffic livery matching summary"));
}

TEST_F(SampleFlightsTest, UnreadableFlightsFile)
{
    EXPECT_THAT(gf_matchSampleFlights(dir / "missing.txt"), ElementsAre(HasSubstr("could not be read")));
}

} // namespace
} // namespace hlw
