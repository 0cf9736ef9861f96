// The bundled samples as the program meets them: the sealed airports database built at build time, and fake
// simulator installations written by the sample builder.
#include "airports_fixture.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

#include <cstdlib>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(Samples, TheSealedAirportsDatabaseHoldsEveryAirportOfItsText)
{
    test::AirportsFolder folder;
    fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / "airports.enc", folder.sealedPath());
    ASSERT_TRUE(gf_readAirports());
    const std::string plain = test::readWholeFile(fs::path(HLMR_SAMPLES_PLAIN) / "airports.xml");
    std::size_t elements = 0;
    for (auto at = plain.find("<ap "); at != std::string::npos; at = plain.find("<ap ", at + 1)) {
        ++elements;
    }
    EXPECT_EQ(gf_airports().size(), elements);
    EXPECT_GT(gf_airports().size(), 7000U);
    EXPECT_THAT(folder.logText(), HasSubstr(fmt::format("{:5} airports read\n", gf_airports().size())));
    EXPECT_FALSE(fs::exists(folder.plainPath()));

    const AirportRecord* schiphol = gf_findAirport(AirportCode("EHAM"));
    ASSERT_NE(schiphol, nullptr);
    EXPECT_EQ(gf_airportText(*schiphol), "EHAM (AMS)");
    EXPECT_EQ(schiphol->stands, 208);
    EXPECT_EQ(gf_closestAirport(schiphol->position()), schiphol);
    EXPECT_EQ(gf_closestAirport({52.3, -30.0}), nullptr);  // the middle of the Atlantic
}

class BuiltInstallation : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BuiltInstallation, IsDetectedForItsSimulator)
{
    const auto [sim, edition] = GetParam();
    test::TempDir dir;
    const std::string command = fmt::format("'{}' '{}' siminstall --root '{}' --sim {} --edition {}", HLMR_PYTHON,
                                            HLMR_SAMPLE_BUILDER, dir.path().string(), sim, edition);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    setenv("HLMR_ROAMING_APPDATA", (dir / "roaming").c_str(), 1);
    setenv("HLMR_LOCAL_APPDATA", (dir / "local").c_str(), 1);
    gf_overrideDataFolderPath(dir / "roaming" / "Hollowmere");
    test::FakeRunState runState;
    runState.msfs2020 = std::string(sim) == "2020";
    settings::msfsInstallPath.set("");
    settings::msfs2024InstallPath.set("");

    EXPECT_TRUE(gf_detectSimInstall());
    const fs::path expected = std::string(edition) == "steam"
                                  ? dir / "roaming" / (runState.msfs2020 ? "Microsoft Flight Simulator"
                                                                         : "Microsoft Flight Simulator 2024") / "Packages"
                                  : dir / "packages";
    EXPECT_EQ(gf_simPath("Community"), expected / "Community");

    gf_overrideDataFolderPath(std::nullopt);
    unsetenv("HLMR_ROAMING_APPDATA");
    unsetenv("HLMR_LOCAL_APPDATA");
}

INSTANTIATE_TEST_SUITE_P(Editions, BuiltInstallation,
                         testing::Values(std::pair{"2020", "store"}, std::pair{"2024", "store"},
                                         std::pair{"2020", "steam"}, std::pair{"2024", "steam"}));

} // namespace
} // namespace hlw
