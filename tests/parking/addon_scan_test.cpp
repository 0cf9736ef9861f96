// The add-on airports scan over the "min" tree of the airport tree builder, in a program folder: each outcome the
// tree lays out becomes exactly its link file or generated file, with the simulator stand-in answering facility
// requests or refusing the connection; the counters, the scan log, "tblo" and the entries of "tblo.zip"; the
// warning when nothing was found, a missing root, a stop in the middle and what a stopped scan says, a close during
// a stalled facility request, the scan log line of an airport whose manifest names no maker and a missing airport
// list.
#include "parking/addon_scan.h"

#include "airport_tree.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/user_error.h"
#include "parking_fixture.h"
#include "refdata/airports_database.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/parameters_file.h"
#include "standin_process.h"
#include "support/fake_steady_time.h"
#include "support/recorded_window.h"
#include "support/sim_recording.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <set>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

// The archived files the reference data below gives the linked airports.
const std::map<std::string, std::string> linkTargets{
    {"EHAM", "archive/simaddon/EHAM.xml"},
    {"EHRD", "archive/thirdparty/Northwind%20Scenery/EHRD.xml"},
    {"EGKK", "archive/thirdparty/Blue%20Delta%20Design/EGKK120.xml"}, // the manifest's version 1.2.0
    {"LSGG", "archive/thirdparty/Harbour%20Lights%20Studio/LSGG.xml"},
};

// The sample databases' publishers and airports, with the versioned stem of EGKK.
void lf_installScanReferenceData()
{
    ReferenceTables tables;
    tables.publisherGroups = {{"Blue Delta Design", "BlueDelta"},
                              {"Harbour Lights Studio", "HLS"},
                              {"Northwind Scenery", "Northwind", "NWS"},
                              {"Tallgrass Airports"}};
    tables.simAddons2020 = {"EGLL", "EHAM"};
    tables.simAddons2024 = {"EGLL", "EHAM"};
    tables.thirdParties2020 = {{"Northwind Scenery", {"EHRD", "EHGG"}},
                               {"Blue Delta Design", {"EGKK120", "EGSS"}},
                               {"Harbour Lights Studio", {"LSZH", "LSGG"}}};
    tables.thirdParties2024 = tables.thirdParties2020;
    gf_installReferenceTables(std::move(tables));
    std::vector<AirportRecord> airports;
    for (const char* code :
         {"EHAM", "EHLE", "EHRD", "EGKK", "EHBK", "EHTX", "EHKD", "LSGG", "EHEH", "EIDW", "LSZH", "EGLL"}) {
        airports.push_back({AirportCode(code), gf_noIataCode(), 52.0, 4.0, 0.0F, 0});
    }
    gf_installAirports(std::move(airports));
}

struct Expected {
    bool link = false;
    int stands = 0;
    bool facilities = false;
};

bool lf_simulatorPackage(const std::string& path)
{
    return path.find("asobo-airport") != std::string::npos || path.find("microsoft-airport") != std::string::npos;
}

std::map<std::string, std::string> lf_zipEntries(const fs::path& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    std::map<std::string, std::string> entries;
    if (archive == nullptr) {
        ADD_FAILURE() << path << " cannot be opened: " << error;
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string bytes(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        EXPECT_EQ(zip_fread(file, bytes.data(), stat.size), static_cast<zip_int64_t>(stat.size));
        zip_fclose(file);
        entries[stat.name] = bytes;
    }
    zip_close(archive);
    return entries;
}

// A stop of the run requested once the run state was asked a number of times.
class StopAfter final : public RunStatePort {
  public:
    explicit StopAfter(int questions) : left_(questions) { gf_installRunStatePort(this); }
    ~StopAfter() override { gf_installRunStatePort(nullptr); }
    StopAfter(const StopAfter&) = delete;
    StopAfter& operator=(const StopAfter&) = delete;

    bool stopRequested() const noexcept override { return left_.fetch_sub(1) <= 0; }
    bool userClosing() const noexcept override { return false; }
    bool simIsMsfs2020() const noexcept override { return true; }
    int32_t simCode() const noexcept override { return 1; }
    bool simTimeInUse() const noexcept override { return false; }
    int64_t simUtcSeconds() const noexcept override { return 0; }

  private:
    mutable std::atomic<int> left_;
};

// The user closing the program from a moment on.
class ClosingFrom final : public RunStatePort {
  public:
    explicit ClosingFrom(std::chrono::steady_clock::time_point at, bool msfs2020 = true) : at_(at), msfs2020_(msfs2020)
    {
        gf_installRunStatePort(this);
    }
    ~ClosingFrom() override { gf_installRunStatePort(nullptr); }
    ClosingFrom(const ClosingFrom&) = delete;
    ClosingFrom& operator=(const ClosingFrom&) = delete;

    bool stopRequested() const noexcept override { return false; }
    bool userClosing() const noexcept override { return std::chrono::steady_clock::now() >= at_; }
    bool simIsMsfs2020() const noexcept override { return msfs2020_; }
    int32_t simCode() const noexcept override { return msfs2020_ ? 1 : 2; }
    bool simTimeInUse() const noexcept override { return false; }
    int64_t simUtcSeconds() const noexcept override { return 0; }

  private:
    const std::chrono::steady_clock::time_point at_;
    const bool msfs2020_;
};

class AddonScanTest : public ::testing::Test {
  protected:
    AddonScanTest()
    {
        lf_installScanReferenceData();
        layout = tree::gf_buildAirportTree("min", folder.dir / "sim");
        fs::create_directories(folder.dir / "input");
        fs::copy_file(folder.dir / "sim/ICAO_airports.txt", folder.dir / "input/ICAO_airports.txt");
        settings::msfsInstallPath.set((folder.dir / "sim/packages").string());
        settings::msfs2024InstallPath.set((folder.dir / "sim/packages").string());
        settings::scanAirports.set(true);
        gf_enableControl(settings::tbloZipButton, false);
        gf_resetMessageLine();
    }
    ~AddonScanTest() override
    {
        settings::msfsInstallPath.set("");
        settings::msfs2024InstallPath.set("");
        settings::scanAirports.set(settings::scanAirports.defaultValue());
        gf_resetMessageLine();
    }

    // The simulator stand-in answers facility requests from the tree's facility files.
    void answerFacilities()
    {
        standin.emplace();
        standin->control("facility dir " + (folder.dir / "sim/facilities").string());
        port.emplace("HLMR_SIM_PORT", std::to_string(standin->simPort()).c_str());
    }
    // No simulator to ask: every airport's stands come from its BGL file.
    void refuseFacilities()
    {
        recording.emplace();
        recording->refuseOpen(true);
    }

    void scan(SteadyTimeSource& time = gf_systemSteadyTime())
    {
        AddonAirportsScan scanner(status, time);
        scanner.scanAddonAirports();
    }

    // What the layout's airports of the roots should leave in the two folders.
    std::map<std::string, Expected> expectedFiles(const std::set<std::string>& roots, bool facilityData) const
    {
        std::map<std::string, Expected> files;
        for (const json& airport : layout) {
            if (!roots.contains(airport["root"].get<std::string>())) {
                continue;
            }
            const std::string code = airport["code"];
            const std::string outcome = airport["outcome"];
            const std::string path = airport["path"];
            if (outcome == "linked-simaddon") {
                files["airports/my_simaddon/" + code + ".txt"] = {true};
            } else if (outcome == "linked-thirdparty") {
                files["airports/my_thirdparty/" + code + ".txt"] = {true};
            } else if (outcome == "facility" || outcome == "bgl") {
                const bool fromFacility = outcome == "facility" && facilityData;
                const int stands = fromFacility ? airport["stands"].get<int>()
                                                : airport.value("bgl_stands", airport["stands"].get<int>());
                const std::string folderName = lf_simulatorPackage(path) ? "my_simaddon" : "my_thirdparty";
                files["airports/" + folderName + "/" + code + ".xml"] = {false, stands, fromFacility};
            }
        }
        return files;
    }

    std::set<std::string> filesIn(const std::vector<fs::path>& folders) const
    {
        std::set<std::string> files;
        for (const fs::path& relative : folders) {
            const fs::path folderPath = folder.dir / relative;
            if (!fs::exists(folderPath)) {
                continue;
            }
            for (const fs::directory_entry& entry : fs::directory_iterator(folderPath)) {
                files.insert((relative / entry.path().filename()).generic_string());
            }
        }
        return files;
    }

    // Every expected file, and nothing else, with the content its kind has.
    void expectOutputs(const std::map<std::string, Expected>& expected)
    {
        std::set<std::string> names;
        for (const auto& [name, what] : expected) {
            names.insert(name);
        }
        EXPECT_EQ(filesIn({"airports/my_simaddon", "airports/my_thirdparty"}), names);
        for (const auto& [name, what] : expected) {
            const std::string code = fs::path(name).stem().string();
            if (what.link) {
                EXPECT_EQ(test::readWholeFile(folder.dir / name), linkTargets.at(code) + "\n") << name;
                continue;
            }
            pugi::xml_document document;
            ASSERT_TRUE(document.load_file((folder.dir / name).c_str())) << name;
            std::vector<std::string> ids;
            for (const pugi::xml_node stand : document.child("root").child("parkpositions").children("parkpos")) {
                ids.emplace_back(stand.attribute("id").value());
            }
            EXPECT_EQ(static_cast<int>(ids.size()), what.stands) << name;
            EXPECT_TRUE(std::ranges::is_sorted(ids)) << name; // byte by byte
            const auto parameter = [&](const char* key) {
                return document.select_node(fmt::format("/root/parameters/parameter[@name='{}']", key).c_str())
                    .node()
                    .attribute("value")
                    .as_string();
            };
            EXPECT_STREQ(parameter("Facilities"), what.facilities ? "true" : "false") << name;
            EXPECT_EQ(parameter("num_parkpos"), std::to_string(what.stands)) << name;
        }
    }

    // The generated files that went to "tblo.zip", byte for byte.
    void expectArchive(const std::set<std::string>& generated)
    {
        EXPECT_EQ(filesIn({"tblo"}), std::set<std::string>{"tblo/tblo.zip"});
        std::map<std::string, std::string> expected;
        for (const std::string& name : generated) {
            expected[fs::path(name).filename().string()] = test::readWholeFile(folder.dir / name);
        }
        EXPECT_EQ(lf_zipEntries(folder.dir / "tblo/tblo.zip"), expected);
        EXPECT_EQ(status.snapshot().tbloNeeded, static_cast<int32_t>(generated.size()));
        EXPECT_TRUE(window.port.control(settings::tbloZipButton.controlId())->enabled);
    }

    void expectScanSwitchedOff()
    {
        EXPECT_FALSE(settings::scanAirports.get());
        EXPECT_FALSE(window.port.control(settings::scanAirports.controlId())->checked);
        EXPECT_THAT(test::readWholeFile(parametersFilePath()), HasSubstr(R"(name="SCAN_AIRPORTS" value="false")"));
    }

    std::string scanLog() const { return test::readWholeFile(folder.dir / "output/info/AirportsScanLog.txt"); }

    test::ParkingFolder folder;
    test::RecordedWindow window;
    test::FakeRunState runState;
    StatusBoard status;
    json layout;
    std::optional<test::StandinProcess> standin;
    std::optional<test::ScopedEnvironment> port;
    std::optional<SimRecordingScope> recording;
};

TEST_F(AddonScanTest, EveryAirportOfOfficialAndCommunityBecomesItsLinkOrGeneratedFile)
{
    answerFacilities();
    scan();
    const std::map<std::string, Expected> expected = expectedFiles({"Official", "Community"}, true);
    expectOutputs(expected);
    // Generated third party files of known airports go to the archive; simulator airports of MSFS 2020 do not.
    expectArchive({"airports/my_thirdparty/EHBK.xml", "airports/my_thirdparty/EHTX.xml"});
    EXPECT_EQ(status.snapshot().simAddonCount, 2);
    EXPECT_EQ(status.snapshot().thirdPartyCount, 5);
    expectScanSwitchedOff();

    const std::string lines = scanLog();
    for (const char* line : {
             "\nsimaddon airport EHAM linked to archive/simaddon/EHAM.xml\n\n",
             "\nthirdparty airport EGKK linked to archive/thirdparty/Blue%20Delta%20Design/EGKK120.xml\n\n",
             "\nEHLE does not exist as simaddon\n",
             "\nthirdparty Tallgrass Airports EHBK does not exist\n",
             "\nReading Facilites data for EHBK via SimConnect failed, is MSFS connected?\n",
             "\nFacilities reader did not succeed, trying the BGL file reader ...\n",
             "\nGenerated EHBK.xml: 9 positions of which 2 helipads\n",
             "\nGenerated EHTX.xml: 5 positions of which 1 helipad\n",
             "\nXZZZ is not an airport supported by RealTraffic\n",
             "Scanning for addon  airports in:",
         }) {
        EXPECT_THAT(lines, HasSubstr(line));
    }
    // Excluded folders are never entered, a non-airport BGL never read.
    for (const char* never : {"eheh", "statics/lszh", "eidw", "terrain.bgl", "X12"}) {
        EXPECT_THAT(lines, Not(HasSubstr(never)));
    }
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("The scan will search 2 folders\n"));
    EXPECT_THAT(log, HasSubstr("output/info/AirportsScanLog.txt written\n"));
    EXPECT_THAT(log, HasSubstr("\n! Mail tblo/tblo.zip to airports@hollowmere.example\n"));
    EXPECT_THAT(log, HasSubstr("SimConnect closed ok\nSimConnect (PARKING_DATA_RDR) closed\n"));
    EXPECT_THAT(log, HasSubstr("airports scan ends"));
    EXPECT_EQ(gf_messageLineTexts().message, "");
}

TEST_F(AddonScanTest, WithoutTheSimulatorTheStandsComeFromTheBglFilesEvenUnderAFolderOfExcludedWords)
{
    // A user's folder named with exclusion words above the packages folder excludes nothing.
    fs::rename(folder.dir / "sim", folder.dir / "my aircraft tutorials");
    settings::msfsInstallPath.set((folder.dir / "my aircraft tutorials/packages").string());
    refuseFacilities();
    scan();
    expectOutputs(expectedFiles({"Official", "Community"}, false));
    expectArchive({"airports/my_thirdparty/EHBK.xml", "airports/my_thirdparty/EHTX.xml"});
    EXPECT_THAT(folder.logText(), HasSubstr("==> SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x80004005"));
    EXPECT_THAT(folder.logText(), Not(HasSubstr("SimConnect (PARKING_DATA_RDR) closed")));
    expectScanSwitchedOff();
}

TEST_F(AddonScanTest, StreamedPackagesAndCommunityOfMsfs2024)
{
    runState.msfs2020 = false;
    runState.code = 2;
    answerFacilities();
    scan();
    // The simulator airport generated from a streamed package goes to the archive too.
    expectOutputs(expectedFiles({"StreamedPackages", "Community"}, true));
    expectArchive(
        {"airports/my_simaddon/EHLE.xml", "airports/my_thirdparty/EHBK.xml", "airports/my_thirdparty/EHTX.xml"});
    const std::string lines = scanLog();
    EXPECT_THAT(lines, HasSubstr("+++++++++++++++++ Scanning for streamed airports in:\n"));
    EXPECT_THAT(lines, HasSubstr("airport has 'EHLE' in directory path\n"));
    EXPECT_THAT(lines, HasSubstr("airport has 'EHRD' in folder path\npublisher 'Northwind Scenery' found\n"));
    EXPECT_THAT(lines, HasSubstr("somebody-airport-xzzz-field\nno supported airport ICAO in BGL path\n"));
    EXPECT_THAT(lines, HasSubstr("Reading Facilites data for EHBK via SimConnect failed, is MSFS connected?"));
    EXPECT_THAT(lines, Not(HasSubstr("egll")));
    EXPECT_THAT(lines, Not(HasSubstr("eheh")));
    EXPECT_THAT(folder.logText(), HasSubstr("1 simaddon file copied to tblo folder\n"));
    EXPECT_THAT(test::readWholeFile(folder.dir / "airports/my_simaddon/EHLE.xml"), HasSubstr("EHLE Sample Field"));
}

TEST_F(AddonScanTest, NothingFoundIsAWarningAndLeavesNoTblo)
{
    fs::remove_all(folder.dir / "sim/packages/Community");
    fs::remove_all(folder.dir / "sim/packages/Official/OneStore");
    fs::create_directories(folder.dir / "sim/packages/Official/OneStore/empty-package");
    refuseFacilities();
    scan();
    EXPECT_TRUE(filesIn({"airports/my_simaddon", "airports/my_thirdparty"}).empty());
    EXPECT_FALSE(fs::exists(folder.dir / "tblo"));
    EXPECT_EQ(status.snapshot().tbloNeeded, 0);
    EXPECT_FALSE(window.port.control(settings::tbloZipButton.controlId())->enabled);
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("/sim/packages/Community does not exist, skipped!\n"));
    EXPECT_THAT(log, HasSubstr("All your simaddon and third party airports are recognised, no off line learning "
                               "needed.\n"));
    EXPECT_THAT(log, HasSubstr("Warning: Scan has not found any add-on airports\n"));
    EXPECT_EQ(gf_messageLineTexts().message, "Warning: Scan has not found any add-on airports");
    expectScanSwitchedOff();
}

TEST_F(AddonScanTest, OnlySimulatorAirportsFoundStillWarnsAndAMissingRootIsSkipped)
{
    fs::remove_all(folder.dir / "sim/packages/Community");
    answerFacilities();
    scan();
    expectOutputs(expectedFiles({"Official"}, true));
    EXPECT_THAT(folder.logText(), HasSubstr("Community does not exist, skipped!"));
    EXPECT_EQ(gf_messageLineTexts().message, "Warning: Scan has not found any add-on airports");
}

TEST_F(AddonScanTest, AStopEndsTheWalkAndTheScanStillEndsProperly)
{
    answerFacilities();
    {
        const StopAfter stop(8);
        scan();
    }
    const std::set<std::string> made = filesIn({"airports/my_simaddon", "airports/my_thirdparty"});
    EXPECT_LT(made.size(), expectedFiles({"Official", "Community"}, true).size());
    EXPECT_TRUE(fs::exists(folder.dir / "output/info/AirportsScanLog.txt"));
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("airports scan ends"));
    expectScanSwitchedOff();
}

TEST_F(AddonScanTest, AStoppedScanSaysThatItStoppedAndNotThatEveryAirportIsRecognised)
{
    // Stopped after the first airport of "Official", before any file was generated.
    refuseFacilities();
    {
        const StopAfter stop(10);
        scan();
    }
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("Reading Facilites data for EHLE via SimConnect failed"));
    EXPECT_THAT(log, HasSubstr("\nThe airports scan stopped: the run is ending\n"));
    EXPECT_THAT(log, Not(HasSubstr("recognised")));
    EXPECT_THAT(log, HasSubstr("airports scan ends"));
}

TEST_F(AddonScanTest, AScanStoppedAfterAFileToSendInGathersAndPacksNothing)
{
    // The stop comes once a file for the archive was generated: in "Community" for MSFS 2020, in
    // "StreamedPackages" (walked before "Community") for MSFS 2024.
    struct Case {
        bool msfs2020;
        const char* generated;
    };
    const Case cases[] = {{true, "airports/my_thirdparty/EHBK.xml"}, {false, "airports/my_simaddon/EHLE.xml"}};
    answerFacilities();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generated);
        const std::size_t logBefore = folder.logText().size();
        {
            const test::StopOnceWritten stop(folder.dir / c.generated, c.msfs2020);
            scan();
        }
        ASSERT_TRUE(fs::exists(folder.dir / c.generated));
        EXPECT_FALSE(fs::exists(folder.dir / "tblo"));
        EXPECT_EQ(status.snapshot().tbloNeeded, 0);
        EXPECT_FALSE(window.port.control(settings::tbloZipButton.controlId())->enabled);
        const std::string log = folder.logText().substr(logBefore);
        EXPECT_THAT(log, HasSubstr("\nThe airports scan stopped: the run is ending\n"));
        for (const char* never : {"copied to tblo", "[zip]", "! Mail"}) {
            EXPECT_THAT(log, Not(HasSubstr(never)));
        }
        settings::scanAirports.set(true);
    }
}

TEST_F(AddonScanTest, AClosingDuringAStalledFacilityRequestEndsTheScanAtOnce)
{
    // EHLE is asked for from its BGL file (MSFS 2020) or its streamed package (MSFS 2024); the walk order of the
    // streamed packages decides whether EHAM was linked before.
    struct Case {
        bool msfs2020;
        const char* firstRoot;
    };
    const Case cases[] = {{true, "packages/Official"}, {false, "packages/StreamedPackages"}};
    answerFacilities();
    ASSERT_TRUE(standin->control("facility noend on")["ok"].get<bool>());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstRoot);
        const std::size_t logBefore = folder.logText().size();
        const auto closeAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        {
            const ClosingFrom closing(closeAt, c.msfs2020);
            scan();
        }
        // Every facility request would wait 10 s for its end.
        EXPECT_LT(std::chrono::steady_clock::now() - closeAt, std::chrono::seconds(2));
        const std::string log = folder.logText().substr(logBefore);
        EXPECT_THAT(log, HasSubstr("==> Facility data of EHLE not read: the run is ending\n"));
        EXPECT_THAT(log, HasSubstr("airports scan ends"));
        expectScanSwitchedOff();
        // A stop is no failure: nothing more is read after the request, neither the airport's BGL file nor another
        // package or root; links made before it stay.
        const std::string lines = scanLog();
        EXPECT_THAT(lines, HasSubstr(c.firstRoot));
        EXPECT_TRUE(
            lines.ends_with("\nEHLE does not exist as simaddon\n\nThe airports scan stopped: the run is ending\n"))
            << lines;
        for (const std::string& text : {log, lines}) {
            EXPECT_THAT(text, Not(HasSubstr("Reading Facilites data for EHLE")));
            EXPECT_THAT(text, Not(HasSubstr("packages/Community")));
        }
        for (const std::string& made : filesIn({"airports/my_simaddon", "airports/my_thirdparty"})) {
            EXPECT_TRUE(made.ends_with(".txt")) << made;
        }
        EXPECT_THAT(log, Not(HasSubstr("Warning: Scan has not found any add-on airports")));
        settings::scanAirports.set(true);
    }
}

TEST_F(AddonScanTest, AnAirportUnderAManifestThatNamesNoMakerGetsNothingAndTheScanLogSaysWhy)
{
    // A manifest above the packages: the search climbs to it from EHTX's package, which has none of its own.
    const fs::path above = folder.dir / "sim/packages/manifest.json";
    test::writeWholeFile(above, R"({"title": "Downloads", "manufacturer": "", "creator": "me"})");
    answerFacilities();
    scan();
    std::map<std::string, Expected> expected = expectedFiles({"Official", "Community"}, true);
    ASSERT_EQ(expected.erase("airports/my_thirdparty/EHTX.xml"), 1U);
    expectOutputs(expected);
    const std::string lines = scanLog();
    EXPECT_THAT(lines, HasSubstr(fmt::format("\nEHTX gets no airport file: the manifest {} names no maker "
                                             "(manufacturer '', creator 'me')\n",
                                             above.generic_string())));
    // The same for a package whose own manifest names no maker.
    EXPECT_THAT(lines, HasSubstr(fmt::format(
                           "\nEHKD gets no airport file: the manifest {} names no maker "
                           "(manufacturer '', creator 'ab')\n",
                           (folder.dir / "sim/packages/Community/quiet-ehkd-dekooy/manifest.json").generic_string())));
}

TEST_F(AddonScanTest, AMissingAirportListEndsTheScanWithItsErrorAndTheScanSwitchedOff)
{
    fs::remove(folder.dir / "input/ICAO_airports.txt");
    answerFacilities();
    const std::string error = test::thrownText([&] { scan(); });
    EXPECT_EQ(error, "522: File 'input/ICAO_airports.txt' is missing?");
    expectScanSwitchedOff();
    EXPECT_THAT(folder.logText(),
                HasSubstr("==> airports scan aborted: 522: File 'input/ICAO_airports.txt' is missing?"));
}

TEST_F(AddonScanTest, ALinkFileThatCannotBeWrittenGivesTheGeneratedFile)
{
    fs::create_directories(folder.dir / "airports/my_thirdparty/EHRD.txt");
    refuseFacilities();
    scan();
    EXPECT_THAT(scanLog(), HasSubstr("===> could not write airports/my_thirdparty/EHRD.txt\n"));
    EXPECT_THAT(scanLog(), HasSubstr("Generated EHRD.xml: 8 positions\n"));
    EXPECT_TRUE(fs::exists(folder.dir / "airports/my_thirdparty/EHRD.xml"));
}

TEST_F(AddonScanTest, AFailedArchiveLeavesTheCopiesAndNoMailLine)
{
    // A folder in place of the archive can be neither removed nor replaced.
    fs::create_directories(folder.dir / "tblo/tblo.zip/keep");
    refuseFacilities();
    scan();
    EXPECT_EQ(filesIn({"tblo"}), (std::set<std::string>{"tblo/EHBK.xml", "tblo/EHTX.xml", "tblo/tblo.zip"}));
    EXPECT_EQ(status.snapshot().tbloNeeded, 0);
    EXPECT_FALSE(window.port.control(settings::tbloZipButton.controlId())->enabled);
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("==> Zippen TBLO folder failed\n"));
    EXPECT_THAT(log, Not(HasSubstr("! Mail")));
}

} // namespace
} // namespace hlw
