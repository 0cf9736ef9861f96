#include "liveries/scanned_liveries_file.h"

#include "core/user_error.h"
#include "livery_fixture.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace hlw {
namespace {

using test::LiveryFolder;
using test::readWholeFile;
using test::writeWholeFile;

LiveryData lf_livery(const char* airline, const char* secondAirline, const char* model, bool cargo,
                     const char* title, const char* registration)
{
    LiveryData livery;
    livery.airline = gf_airlineIndex(airline);
    livery.secondAirline = gf_airlineIndex(secondAirline);
    livery.model = gf_modelIndex(model);
    livery.cargo = cargo ? 1 : 0;
    livery.title = title;
    livery.atcId = registration;
    return livery;
}

// The error of reading the file, with its code and text.
struct ReadError {
    int code = 0;
    std::string text;
};

ReadError lf_readError(ScannedLiveryList& liveries, const std::filesystem::path& path)
{
    try {
        gf_readScannedLiveries(liveries, path);
    } catch (const UserErrorException& error) {
        return {error.code(), error.what()};
    }
    return {};
}

TEST(ScannedLiveriesFile, WritesAttributesOnlyWhenSetAndReadsThemBack)
{
    LiveryFolder folder;
    const ScannedLiveryList written{
        lf_livery("", "", "C172", false, "No airline", ""),
        lf_livery("BAW", "CFE", "E190", false, "BA Cityflyer E190 G-LCYP", "G-LCYP"),
        lf_livery("KLM", "", "B738", false, "KLM B738", ""),
        lf_livery("KLM", "", "B77W", true, "KLM \"Cargo\" & <77W>", "PH-CKA"),
    };
    ASSERT_TRUE(gf_writeScannedLiveries(written, folder.scannedPath()));
    const std::string text = readWholeFile(folder.scannedPath());
    EXPECT_NE(text.find("<l a=\"\" m=\"C172\" t=\"No airline\" />"), std::string::npos) << text;
    EXPECT_NE(text.find("<l a=\"KLM\" m=\"B738\" t=\"KLM B738\" />"), std::string::npos) << text;
    EXPECT_NE(text.find("<l a=\"BAW\" o=\"CFE\" m=\"E190\" t=\"BA Cityflyer E190 G-LCYP\" r=\"G-LCYP\" />"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("c=\"true\""), std::string::npos);
    EXPECT_NE(text.find("<info name=\"sim\" value=\"1\""), std::string::npos);

    ScannedLiveryList read;
    gf_readScannedLiveries(read, folder.scannedPath());
    EXPECT_EQ(read, written);
    EXPECT_NE(folder.logText().find("    4 liveries read from "), std::string::npos);
}

TEST(ScannedLiveriesFile, EmptyListWritesNoFile)
{
    LiveryFolder folder;
    EXPECT_FALSE(gf_writeScannedLiveries({}, folder.scannedPath()));
    EXPECT_FALSE(std::filesystem::exists(folder.scannedPath()));
}

TEST(ScannedLiveriesFile, ReadsSortedWithDefaultsAndCargoFlags)
{
    LiveryFolder folder;
    folder.writeScannedFile("<l a=\"KLM\" m=\"B738\" t=\"b\" c=\"yes\"/>\n"
                            "<!-- a hand edit -->\n"
                            "<l a=\"KLM\" m=\"B738\" t=\"a\" c=\"false\"/>\n"
                            "<l a=\"DLH\" m=\"A320\" t=\"c\" c=\"0\"/>\n"
                            "<x a=\"AAL\" m=\"A320\" t=\"d\" c=\"1\"/>\n");
    ScannedLiveryList read;
    gf_readScannedLiveries(read, folder.scannedPath());
    ASSERT_EQ(read.size(), 4U);
    EXPECT_EQ(read[0].title, "d");
    EXPECT_EQ(read[0].cargo, 1);
    EXPECT_EQ(read[1].title, "c");
    EXPECT_EQ(read[1].cargo, 0);
    EXPECT_EQ(read[2].title, "a");
    EXPECT_EQ(read[2].cargo, 0);
    EXPECT_EQ(read[3].title, "b");
    EXPECT_EQ(read[3].cargo, 1);
    EXPECT_EQ(read[3].sourceIndex, 0);
    EXPECT_EQ(read[3].secondAirline, 0);
    EXPECT_TRUE(read[3].atcId.empty());
}

TEST(ScannedLiveriesFile, ModelCorrectedByTheReferenceData)
{
    LiveryFolder folder;
    const uint16_t b738 = gf_modelIndex("B738");
    gf_modelCodes().addFix("738", "B738");
    gf_modelCodes().activateFixes();
    folder.writeScannedFile("<l a=\"KLM\" m=\"738\" t=\"KLM 738\"/>\n");
    ScannedLiveryList read;
    gf_readScannedLiveries(read, folder.scannedPath());
    ASSERT_EQ(read.size(), 1U);
    EXPECT_EQ(read[0].model, b738);
}

TEST(ScannedLiveriesFile, MissingFileIsNotFoundAndLeavesTheScanSettingAlone)
{
    LiveryFolder folder;
    ScannedLiveryList read{LiveryData{}};
    const ReadError error = lf_readError(read, folder.scannedPath());
    EXPECT_EQ(error.code, 51);
    EXPECT_EQ(error.text, "51: File " + folder.scannedPath().string() + " not found");
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(settings::scanLiveries.get());
    EXPECT_FALSE(folder.storedSetting("SCAN_LIVERIES").has_value());
}

struct DamagedCase {
    const char* name;
    std::string bytes;
    int code;
    const char* textPart;
};

TEST(ScannedLiveriesFile, DamagedFilesNameTheFaultAndSwitchTheScanOn)
{
    const std::string meta = "<?xml version=\"1.0\"?><root><meta><info name=\"sim\" value=\"1\"/></meta>";
    const DamagedCase cases[] = {
        {"empty file", "", 51, "is corrupt (No document element found"},
        {"cut off", meta + "<liveries><l a=\"KLM\" m=\"B738\" t=\"KLM", 51, "is corrupt ("},
        {"not xml", std::string(300, '\0'), 51, "is corrupt ("},
        {"no liveries element", meta + "</root>", 52, "does not contain a <liveries> section"},
        {"no liveries", meta + "<liveries/></root>", 533, "does not contain liveries"},
        {"no root", "<other><liveries><l a=\"KLM\" m=\"B738\" t=\"x\"/></liveries></other>", 533,
         "does not contain liveries"},
        {"missing model", meta + "<liveries><l a=\"KLM\" t=\"x\"/></liveries></root>", 999,
         "Missing required attribute 'm' in <l>"},
        {"missing airline first", meta + "<liveries><q t=\"x\"/></liveries></root>", 999,
         "Missing required attribute 'a' in <q>"},
    };
    for (const DamagedCase& c : cases) {
        LiveryFolder folder;
        writeWholeFile(folder.scannedPath(), c.bytes);
        ScannedLiveryList read;
        const ReadError error = lf_readError(read, folder.scannedPath());
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_NE(error.text.find(c.textPart), std::string::npos) << c.name << ": " << error.text;
        EXPECT_TRUE(settings::scanLiveries.get()) << c.name;
        EXPECT_EQ(folder.storedSetting("SCAN_LIVERIES"), "true") << c.name;
        EXPECT_NE(folder.logText().find("\"SCAN_LIVERIES\" switched on for the next start"), std::string::npos)
            << c.name;
    }
}

TEST(ScannedLiveriesFile, EmptyAirlineIsAccepted)
{
    LiveryFolder folder;
    folder.writeScannedFile("<l a=\"\" m=\"B738\" t=\"x\"/>\n");
    ScannedLiveryList read;
    gf_readScannedLiveries(read, folder.scannedPath());
    ASSERT_EQ(read.size(), 1U);
    EXPECT_EQ(read[0].airline, 0);
}

TEST(ScannedLiveriesFile, FullCodeTableIsAnErrorNotAWrappedIndex)
{
    LiveryFolder folder;
    for (std::size_t i = gf_airlineCodes().size(); i < CodeTable::maxEntries; ++i) {
        gf_airlineIndex("X" + std::to_string(i));
    }
    ASSERT_EQ(gf_airlineCodes().size(), CodeTable::maxEntries);
    folder.writeScannedFile("<l a=\"X5\" m=\"B738\" t=\"known\"/>\n<l a=\"NEWCODE\" m=\"B738\" t=\"x\"/>\n");
    ScannedLiveryList read;
    const ReadError error = lf_readError(read, folder.scannedPath());
    EXPECT_EQ(error.code, 999);
    EXPECT_NE(error.text.find("'NEWCODE' does not fit"), std::string::npos) << error.text;
    EXPECT_TRUE(settings::scanLiveries.get());
}

} // namespace
} // namespace hlw
