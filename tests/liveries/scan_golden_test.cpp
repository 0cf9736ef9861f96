// The whole scan of the generated "min" packages against golden copies of "LiveriesScanned.xml" and of every
// report file, in automatic and in manual mode, with the test suites' reference database. The liveries are
// also checked against the generator's manifest, which says what each file must give.
// HLMR_UPDATE_GOLDEN=1 rewrites the golden copies from the current output.
#include "support/dbase_fixture.h"
#include "package_generator.h"

#include "core/random_choice.h"
#include "core/user_error.h"
#include "liveries/livery_matching.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "liveries/registration_codes.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries_file.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "scan_test_support.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

namespace hlw {
namespace {
namespace fs = std::filesystem;

const fs::path goldenFolder = fs::path(HLMR_GOLDEN_FOLDER);

void lf_replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::vector<std::string> lf_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class MinScanTest : public ::testing::Test {
protected:
    MinScanTest()
    {
        if (!database.read(test::DbaseText().text())) {
            throw std::runtime_error("the test reference database was not read");
        }
        test::generatePackages("min", root());
        manifest = test::readManifest(root());
        fs::create_directories(database.dir / "output" / "info");
        fs::create_directories(database.dir / "data");
        gf_overrideDataFolderPath(database.dir / "data");
        settings::scanLiveries.set(true);
        settings::ligPrioritize.set(false);
        settings::msfsInstallPath.set(root().string());
        gf_clearScanLists();
    }
    ~MinScanTest() override
    {
        gf_clearScanLists();
        gf_scannedLiveryList().clear();
        for (StringParameter& folder : settings::liveryFolders) {
            folder.set("");
        }
        settings::msfsInstallPath.set("");
        settings::aiPackageSelector.set(settings::aiPackageSelector.defaultValue());
        for (BoolCheckBoxParameter* setting : {&settings::ligAutomatic, &settings::ligPrioritize}) {
            setting->set(setting->defaultValue());
        }
        gf_overrideDataFolderPath(std::nullopt);
    }

    fs::path root() const { return database.dir / "p"; }

    // The output with the packages' root as "${root}"; the meta block (it holds the date) left out.
    std::string normalised(const fs::path& file) const
    {
        std::string text = test::readWholeFile(database.dir / file);
        lf_replaceAll(text, root().string(), "${root}");
        const std::size_t meta = text.find("<meta>");
        const std::size_t metaEnd = text.find("</meta>");
        if (meta != std::string::npos && metaEnd != std::string::npos) {
            text.erase(meta, metaEnd + 7 - meta);
        }
        return text;
    }

    void compareWithGolden(const std::string& name) const
    {
        std::vector<fs::path> outputs{paths::liveriesScannedPath};
        for (const ScanReport report : {ScanReport::InvalidAirlineCode, ScanReport::InvalidModelCode, ScanReport::Fix,
                                        ScanReport::InvalidAircraftCfg, ScanReport::IncompleteSection,
                                        ScanReport::NoFltsimSection}) {
            outputs.push_back(gf_scanReportPath(report));
        }
        const fs::path golden = goldenFolder / name;
        const bool update = std::getenv("HLMR_UPDATE_GOLDEN") != nullptr;
        if (update) {
            fs::remove_all(golden);
            fs::create_directories(golden);
        }
        for (const fs::path& output : outputs) {
            const fs::path goldenFile = golden / output.filename();
            const bool written = fs::exists(database.dir / output);
            if (update) {
                if (written) {
                    test::writeFile(goldenFile, normalised(output));
                }
                continue;
            }
            ASSERT_EQ(written, fs::exists(goldenFile)) << output;
            if (!written) {
                continue;
            }
            std::string expected = test::readWholeFile(goldenFile);
            std::string actual = normalised(output);
            if (output == gf_scanReportPath(ScanReport::Fix)) {
                // The fixes keep the order in which the parallel readers found them.
                std::vector<std::string> expectedLines = lf_lines(expected);
                std::vector<std::string> actualLines = lf_lines(actual);
                std::sort(expectedLines.begin(), expectedLines.end());
                std::sort(actualLines.begin(), actualLines.end());
                EXPECT_EQ(actualLines, expectedLines) << output;
            } else {
                EXPECT_EQ(actual, expected) << output;
            }
        }
    }

    // The titles the manifest expects from the files the walk reads below the folders.
    std::set<std::string> manifestTitles(const std::vector<std::string>& folders) const
    {
        std::set<std::string> titles;
        for (const nlohmann::json& file : manifest["files"]) {
            const std::string path = file["path"];
            const bool below = std::any_of(folders.begin(), folders.end(),
                                           [&](const std::string& folder) { return path.starts_with(folder + "/"); });
            if (below && file["walk"] == "read") {
                for (const nlohmann::json& livery : file["liveries"]) {
                    titles.insert(livery["title"].get<std::string>());
                }
            }
        }
        return titles;
    }

    std::set<std::string> writtenTitles() const
    {
        ScannedLiveryList liveries;
        gf_readScannedLiveries(liveries, database.dir / paths::liveriesScannedPath);
        const std::vector<std::string> found = test::titles(liveries);
        return {found.begin(), found.end()};
    }

    test::DbaseFolder database;
    test::SwitchableRunState runState;
    nlohmann::json manifest;
};

TEST_F(MinScanTest, AutomaticModeMatchesTheGoldenCopies)
{
    settings::ligAutomatic.set(true);
    ASSERT_EQ(gf_scanLiveries(), LiveryScanResult::done);
    compareWithGolden("min_automatic");

    std::vector<std::string> detected;
    for (const auto& [name, folder] : manifest["detected"].items()) {
        detected.push_back(folder.get<std::string>());
    }
    EXPECT_EQ(writtenTitles(), manifestTitles(detected));
    const std::string log = test::readWholeFile(database.dir / "Log.txt");
    for (const std::string& folder : detected) {
        EXPECT_NE(log.find("scan found folder: '" + (root() / folder).string() + "'"), std::string::npos) << folder;
    }
    EXPECT_EQ(log.find("_CVT_' "), std::string::npos);
}

TEST_F(MinScanTest, ManualModeMatchesTheGoldenCopies)
{
    settings::ligAutomatic.set(false);
    std::vector<std::string> folders;
    std::size_t setting = 0;
    for (const nlohmann::json& folder : manifest["manual"]["folders"]) {
        folders.push_back(folder.get<std::string>());
        settings::liveryFolders[setting++].set((root() / folders.back()).string());
    }
    settings::liveryFolders[setting].set((root() / manifest["manual"]["plain_file"].get<std::string>()).string());
    ASSERT_EQ(gf_scanLiveries(), LiveryScanResult::done);
    compareWithGolden("min_manual");
    EXPECT_EQ(writtenTitles(), manifestTitles(folders));
    EXPECT_NE(test::readWholeFile(database.dir / "Log.txt").find(" is not a folder name, skipped!"),
              std::string::npos);

    settings::liveryFolders[setting + 1].set((root() / manifest["manual"]["missing"].get<std::string>()).string());
    try {
        gf_scanLiveries();
        FAIL() << "no error";
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), 243);
    }
}

// The start-up's livery road: scan, file, reports, tables, then the matching of flights.
TEST_F(MinScanTest, TheLiveryRoadMatchesFlightsToTheScannedTitles)
{
    settings::ligAutomatic.set(true);
    // The first candidate of every choice, as with "RANDOM" off.
    gf_installRandomSettingReader([]() noexcept { return false; });
    ASSERT_EQ(gf_scanLiveries(), LiveryScanResult::done);
    gf_processScannedLiveries(gf_buildRegistrationCodes);
    EXPECT_TRUE(liveriesDone.load());
    EXPECT_EQ(liveryCount.load(), 53); // the liveries of the golden file

    struct Flight {
        const char* airline;
        const char* secondAirline;
        const char* model;
        bool cargo;
        const char* registration;
        const char* title;
    };
    const Flight flights[] = {
        {"DLH", "", "A320", false, "D-AIZA", "AIG A320 Lufthansa D-AIZA"},
        {"BAW", "CFE", "E190", false, "G-LCYP", "AIG E190 KLM Cityhopper G-LCYP"},
        {"SKW", "", "CRJ9", false, "N801SK", "AIG CRJ9 SkyWest Ünited N801SK"},
        {"KLM", "", "B738", false, "PH-BXA", "JF B738 KLM PH-BXA"},
        {"DLH", "", "A20N", false, "D-AXXX", "AIG A20N Lufthansa D-AINA"},
        {"FDX", "", "B738", true, "", "AIG B738 FedEx cargo ramp"},
        {"EZY", "", "A321", false, "", "AIG A321 easyJet G-UZMA"},
        {"RYR", "", "B738W", false, "", "RYR B738 winglets"},
    };
    for (const Flight& flight : flights) {
        FlightRecord record;
        record.callsign = "TST1";
        record.airline = gf_airlineIndex(flight.airline);
        record.secondAirline = *flight.secondAirline == 0 ? 0 : gf_airlineIndex(flight.secondAirline);
        record.model = gf_modelIndex(flight.model);
        record.cargo = flight.cargo ? 1 : 0;
        record.registration = flight.registration;
        record.category = gf_modelCategory(record.model);
        gf_matchLivery(record);
        EXPECT_EQ(record.title, flight.title) << flight.airline << " " << flight.model << " " << flight.registration;
    }
    gf_clearLiveryCatalogue();
    gf_installRandomSettingReader(nullptr);
}

} // namespace
} // namespace hlw
