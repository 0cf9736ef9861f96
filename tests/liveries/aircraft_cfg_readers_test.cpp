#include "cfg_reader_fixture.h"

#include "core/log.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/aircraft_cfg_model.h"
#include "liveries/atc_id_value.h"
#include "liveries/ivao_model_reader.h"
#include "liveries/livery_file_reader.h"
#include "liveries/lossy_path_text.h"
#include "liveries/scan_lists.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

class AircraftCfgReaders : public ::testing::Test {
protected:
    std::string logText() const { return packages.database.logText(); }

    // Writes lines (joined by CR LF) to a file below the package root.
    fs::path write(const std::string& relative, const Lines& lines) const
    {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\r\n";
        }
        const fs::path path = packages / relative;
        fs::create_directories(path.parent_path());
        test::writeWholeFile(path, text);
        return path;
    }

    test::MinPackages packages;
};

// Every file of the "min" profile that a reader reads, in manifest order (titles stay taken from file to file):
// its liveries and the report lines it adds.
TEST_F(AircraftCfgReaders, MinProfileFilesGiveTheirLiveriesAndReports)
{
    int checked = 0;
    for (const nlohmann::json& entry : packages.manifest["files"]) {
        if (entry["reader"].is_null()) {
            continue;
        }
        const fs::path file = packages / entry["path"].get<std::string>();
        SCOPED_TRACE(fmt::format("{}: {}", entry["path"].get<std::string>(), entry["rule"].get<std::string>()));
        test::clearReportLists();

        const ScannedLiveryList liveries = test::readWithManifestReader(entry["reader"], file);

        const nlohmann::json& expected = entry["liveries"];
        EXPECT_EQ(liveries.size(), expected.size());
        for (std::size_t i = 0; i < liveries.size() && i < expected.size(); ++i) {
            EXPECT_EQ(test::liveryAsJson(liveries[i]).dump(), expected[i].dump());
            EXPECT_EQ(liveries[i].sourceIndex, 1);
        }
        if (!entry["reports"].is_null()) {
            for (const auto& [name, report] : test::reportNames()) {
                Lines expectedLines;
                if (entry["reports"].contains(name)) {
                    for (const std::string line : entry["reports"][name]) {
                        expectedLines.push_back(test::expandReportLine(line, file));
                    }
                }
                EXPECT_EQ(gf_scanReport(report).lines(), expectedLines) << name;
            }
        }
        for (const std::string part : entry["log"]) {
            EXPECT_THAT(logText(), HasSubstr(part));
        }
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

TEST_F(AircraftCfgReaders, AtcIdValues)
{
    const struct {
        const char* value;
        AtcIdValue kind;
    } cases[] = {
        {"D-AINA", AtcIdValue::single},
        {"ABCDEFGHIJKL", AtcIdValue::single},
        {"ABCDEFGHIJKLM", AtcIdValue::invalid},
        {"D-AI*A", AtcIdValue::invalid},
        {"", AtcIdValue::invalid},
        {" ", AtcIdValue::invalid},
        {"D-AINA,D-AINB", AtcIdValue::several},
        {"D-AINA,", AtcIdValue::invalid},
        {",D-AINA", AtcIdValue::invalid},
        {"D-AINA, ,D-AINB", AtcIdValue::invalid},
        {"D-AINA, D-AINB", AtcIdValue::several},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_checkAtcIdValue(c.value), c.kind) << '"' << c.value << '"';
    }
}

// The title and atc_id rules both readers share, each case read by each reader from a file of one section.
TEST_F(AircraftCfgReaders, BothReadersCheckTitlesAndCutAtcIdCommentsAlike)
{
    const struct {
        std::string title;        // the title line's value
        std::string atcId;        // the atc_id line's value
        std::string registration; // the livery's registration
        std::string problem;      // no livery, but this incomplete-section line after "<folder> [fltsim.0] "
    } cases[] = {
        {"DLH A320 short comment", "D-AIQA ; reg", "D-AIQA", ""},
        {"DLH A320 long comment", "D-AIQB ; old registration", "D-AIQB", ""},
        {"DLH A320 quoted", "\"D-AIQC\" ; old", "D-AIQC", ""},
        {"DLH A320 caf\xC3\xA9 \xE2\x82\xAC", "D-AIQD", "D-AIQD", ""},
        {"DLH A320 " + std::string(longestTitle - 9, 'x'), "D-AIQE", "D-AIQE", ""},
        {"DLH A320 " + std::string(longestTitle - 8, 'x'), "D-AIQF", "", "has a title longer than 256 bytes"},
        {std::string("DLH A320 \0 cut", 14), "D-AIQG", "", "has a title with control characters"},
        {"DLH A320 \t tab", "D-AIQH", "", "has a title with control characters"},
        {"DLH A320 \x1F", "D-AIQI", "", "has a title with control characters"},
        {"DLH A320 \x7F", "D-AIQJ", "", "has a title with control characters"},
    };
    const fs::path generic = packages / "Community/pkg/SimObjects/Airplanes/GEN_A320/aircraft.cfg";
    const fs::path ivao = packages / "Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg";
    fs::create_directories(ivao.parent_path() / "texture.DLH");
    for (const auto& c : cases) {
        for (const fs::path& file : {generic, ivao}) {
            SCOPED_TRACE(fmt::format("{} / {}", c.title, file.string()));
            gf_clearScanLists();
            const std::string title = "title = " + c.title;
            const std::string atcId = "atc_id = " + c.atcId;
            if (file == generic) {
                write("Community/pkg/SimObjects/Airplanes/GEN_A320/aircraft.cfg",
                      {"icao_type_designator = A320", "[fltsim.0]", "icao_airline = DLH", title, atcId});
            } else {
                write("Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg",
                      {"[fltsim.0]", title, atcId, "texture = DLH"});
            }
            const ScannedLiveryList liveries =
                file == generic ? gf_searchLiveriesinFile(1, file) : gf_searchLiveriesinIVAOFile(1, file);
            const Lines incomplete = gf_scanReport(ScanReport::IncompleteSection).lines();
            if (c.problem.empty()) {
                ASSERT_EQ(liveries.size(), 1u);
                EXPECT_EQ(liveries[0].title, c.title);
                EXPECT_EQ(liveries[0].atcId, c.registration);
                EXPECT_THAT(incomplete, IsEmpty());
            } else {
                EXPECT_THAT(liveries, IsEmpty());
                EXPECT_THAT(incomplete,
                            ElementsAre(fmt::format("{} [fltsim.0] {}", file.parent_path().string(), c.problem)));
            }
        }
    }
}

TEST_F(AircraftCfgReaders, IvaoModelFromPathAcceptsBothSeparatorsAndAnyLetterCase)
{
    const struct {
        const char* path;
        const char* model;
    } cases[] = {
        {"C:\\Community\\IVAO_MTL\\SimObjects\\Airplanes\\IVAO_A320\\aircraft.cfg", "A320"},
        {"/c/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg", "A320"},
        {"C:\\x/ivao_mtl\\simobjects/AIRPLANES\\ivao_B738WLfa/Aircraft.CFG", "B738"},
        {"/c/manual/ivao_x-csl/SimObjects/Airplanes/IVAO_E190/aircraft.cfg", "E190"},
        {"/c/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/sub/aircraft.cfg", ""},
        {"/c/IVAO_MTL/SimObjects/Airplanes/IVAO_A3-20/aircraft.cfg", ""},
        {"/c/IVAO_MTL/SimObjects/Airplanes/IVAO_/aircraft.cfg", ""},
        {"/c/IVAO_MTL/SimObjects/Airplanes/A320/aircraft.cfg", ""},
        {"/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg", ""},
        {"IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg", ""},
        {"/c/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/texture.cfg", ""},
    };
    for (const auto& c : cases) {
        test::clearReportLists();
        EXPECT_EQ(gf_ivaoModelFromPath(c.path), c.model) << c.path;
        const Lines invalid = gf_scanReport(ScanReport::InvalidModelCode).lines();
        if (std::string(c.model).empty()) {
            EXPECT_THAT(invalid, ElementsAre(fmt::format("{:16} in {}", "  ", c.path))) << c.path;
        } else {
            EXPECT_THAT(invalid, IsEmpty()) << c.path;
        }
    }
}

TEST_F(AircraftCfgReaders, SectionNumbering)
{
    const struct {
        Lines lines;
        bool readOn;
        bool noSection;
        bool invalid;
        bool alert;
    } cases[] = {
        {{"[fltsim.0]", "[fltsim.10000]"}, true, false, false, false},
        {{"[fltsim.0]", "[fltsim.10001]"}, false, false, true, false},
        {{"[fltsim.0]", "[fltsim.2147483647]"}, false, false, true, false},
        {{"[fltsim.0]", "[fltsim.2147483648]", "[fltsim.10001]"}, false, false, false, true},
        {{"[fltsim.10001]", "[fltsim.99999999999999999999]"}, false, false, false, true},
        {{"[fltsim.x]", "[FLTSIM.1] more"}, true, false, false, false},
        {{"//[fltsim.20000]", "[General]"}, true, true, false, false},
        {{}, true, true, false, false},
    };
    for (const auto& c : cases) {
        test::clearReportLists();
        const std::string lastLine = c.lines.empty() ? "" : c.lines.back();
        EXPECT_EQ(gf_checkFltsimNumbers(c.lines, "/c/aircraft.cfg"), c.readOn) << lastLine;
        EXPECT_EQ(gf_scanReport(ScanReport::NoFltsimSection).size(), c.noSection ? 1u : 0u) << lastLine;
        EXPECT_EQ(gf_scanReport(ScanReport::InvalidAircraftCfg).size(), c.invalid ? 1u : 0u) << lastLine;
    }
    EXPECT_THAT(logText(), HasSubstr("fltsim num [fltsim.2147483648] incorrect"));
    EXPECT_THAT(logText(), HasSubstr("fltsim num [fltsim.99999999999999999999] incorrect"));
}

TEST_F(AircraftCfgReaders, ModelOfAGenericFileComesFromTheFirstUsableKey)
{
    const struct {
        Lines lines;
        const char* model;
    } cases[] = {
        {{"icao_type_designator = \"E190\"", "icao_type_designator = \"A320\""}, "E190"},
        {{"base_container = \"..\\Asobo_A320_NEO\"", "icao_type_designator = \"b738\""}, "B738"},
        // The first usable key decides, even when its type (B78X) is no valid code of the test data.
        {{"base_container = \"..\\Asobo_B787_10\"", "base_container = \"..\\Asobo_A320_NEO\""}, ""},
        {{"base_container = \"..\\..\\Asobo_A320_NEO\"", "base_container = \"..\\Asobo_C172sp_classic\""}, "C172"},
        {{"icao_type_designator = \"738\""}, "B738"},
    };
    for (const auto& c : cases) {
        test::clearReportLists();
        const std::string model = gf_modelFromIcaoTypeDesignator("/c/aircraft.cfg", c.lines);
        EXPECT_EQ(model, c.model) << c.lines.front();
    }
    test::clearReportLists();
    EXPECT_EQ(gf_modelFromBaseContainer("/c/fnx-aircraft-320/aircraft.cfg", {}), "");
    EXPECT_EQ(gf_modelFromBaseContainer("/c/fnx-aircraft-220/aircraft.cfg", {}), "");
    EXPECT_EQ(gf_modelFromBaseContainer("/c/pmdg-aircraft-737/aircraft.cfg", {}), "");
    EXPECT_THAT(gf_scanReport(ScanReport::InvalidAircraftCfg).lines(),
                ElementsAre("Line icao_type_designator= is missing in [General] section of /c/fnx-aircraft-220/aircraft.cfg"));
}

TEST_F(AircraftCfgReaders, DontUseTitlesAreDroppedSilently)
{
    gf_dontUseTitles().add("GEN A320 Lufthansa D-AIXA");
    gf_dontUseTitles().add("DLH A320 IVAO don't use");
    const fs::path generic = write("Community/pkg/SimObjects/Airplanes/GEN_A320/aircraft.cfg",
                                   {"icao_type_designator = A320", "[fltsim.0]", "title = GEN A320 Lufthansa D-AIXA",
                                    "icao_airline = DLH", "[fltsim.1]", "title = GEN A320 Lufthansa D-AIXB",
                                    "icao_airline = DLH"});
    const fs::path ivaoFolder = packages / "Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A20N";
    fs::create_directories(ivaoFolder / "texture.DLH");
    const fs::path ivao = write("Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A20N/aircraft.cfg",
                                {"[fltsim.0]", "title = DLH A320 IVAO don't use", "texture = DLH"});
    test::clearReportLists();

    const ScannedLiveryList liveries = gf_searchLiveriesinFile(3, generic);
    ASSERT_EQ(liveries.size(), 1u);
    EXPECT_EQ(liveries[0].title, "GEN A320 Lufthansa D-AIXB");
    EXPECT_EQ(liveries[0].sourceIndex, 3);
    EXPECT_THAT(gf_searchLiveriesinIVAOFile(3, ivao), IsEmpty());
    for (const auto& [name, report] : test::reportNames()) {
        EXPECT_EQ(gf_scanReport(report).size(), 0u) << name;
    }
}

TEST_F(AircraftCfgReaders, MissingAndUnreadableFilesGiveNothing)
{
    test::clearReportLists();
    EXPECT_THAT(gf_searchLiveriesinFile(1, packages / "no/such/aircraft.cfg"), IsEmpty());
    EXPECT_THAT(gf_searchLiveriesinIVAOFile(1, packages / "Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/x/aircraft.cfg"),
                IsEmpty());
    const fs::path folder = packages / "Community/pkg/SimObjects/Airplanes/DIR/aircraft.cfg";
    fs::create_directories(folder);
    EXPECT_NO_THROW(EXPECT_THAT(gf_searchLiveriesinFile(1, folder), IsEmpty()));
}

// A file just above the cap (sparse, so that it costs no disk) is listed as invalid with its size and gives nothing.
TEST_F(AircraftCfgReaders, AFileAboveTheCapIsReportedInvalidAndNotRead)
{
    const fs::path generic =
        write("Community/pkg/SimObjects/Airplanes/GEN_A320/aircraft.cfg",
              {"icao_type_designator = A320", "[fltsim.0]", "title = GEN A320 Lufthansa D-AIXA", "icao_airline = DLH"});
    fs::resize_file(generic, aircraftCfgMaxBytes + 1);
    test::clearReportLists();
    EXPECT_THAT(gf_searchLiveriesinFile(1, generic), IsEmpty());
    EXPECT_THAT(gf_scanReport(ScanReport::InvalidAircraftCfg).lines(),
                ElementsAre(fmt::format("{} is larger than 16777216 bytes, not read", generic.string())));
}

TEST_F(AircraftCfgReaders, AnExceptionEndsTheFileAndIsLoggedAndPassedOn)
{
    const std::string longName(300, 'T');
    const fs::path file = write("Community/IVAO_MTL/SimObjects/Airplanes/IVAO_A321/aircraft.cfg",
                                {"[fltsim.0]", "title = DLH A321 long texture", fmt::format("texture = {}", longName)});
    EXPECT_THROW(gf_searchLiveriesinIVAOFile(1, file), fs::filesystem_error);
    EXPECT_THAT(logText(), HasSubstr(fmt::format("! Exception in lf_searchLiveriesinIVAOFile {}: ", file.string())));
}

TEST_F(AircraftCfgReaders, PathsThatAreNotUtf8AreLoggedWithReplacements)
{
    EXPECT_EQ(gf_lossyPathText("/c/Fl\xC3\xBCgel/aircraft.cfg"), "/c/Fl\xC3\xBCgel/aircraft.cfg");
    EXPECT_EQ(gf_lossyPathText("/c/Fl\xFCgel"), "/c/Fl\xEF\xBF\xBDgel");
    EXPECT_EQ(gf_lossyPathText("/c/\xC3"), "/c/\xEF\xBF\xBD");
    EXPECT_EQ(gf_lossyPathText("/c/\xED\xA0\x80"), "/c/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
} // namespace hlw
