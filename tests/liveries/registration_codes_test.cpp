#include "liveries/registration_codes.h"

#include "core/message_line.h"
#include "liveries/livery_catalogue.h"
#include "liveries/livery_tables.h"
#include "liveries/registration_tables.h"
#include "liveries/scan_lists.h"
#include "records/flight_record.h"
#include "refdata/project_key.h"

#include "livery_world.h"
#include "seal_stream.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::Livery;
using test::LiveryWorld;
using test::readWholeFile;
using test::writeWholeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

const std::vector<Livery> liveries = {
    {"DLH", "", "A320", false, "Lufthansa A320 One", "D-AIZA"},
    {"DLH", "", "A320", false, "Lufthansa A320 Two", "D-AIZA"},
    {"DLH", "", "A321", false, "Lufthansa A321", "D-AIDA"},
    {"KLM", "", "B738", false, "KLM B738", ""},
    {"KLM", "", "B737", false, "KLM B737", ""},
    {"SWR", "", "BCS1", false, "Swiss BCS1", ""},
};

std::string aigXml(const std::string& elements)
{
    return R"(<?xml version="1.0"?><root><meta><info name="author" value="Hollowmere"/>)"
           R"(<info name="copyright" value="c"/><info name="sim" value="1"/></meta><aig>)" +
           elements + "</aig></root>";
}

class RegistrationCodesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(world.dir / "input" / "my_regcodes");
        fs::create_directories(world.dir / "output" / "info");
    }
    void TearDown() override
    {
        gf_clearError();
        gf_clearMessage();
    }

    void sealAig(const std::string& xml) const
    {
        writeWholeFile(world.dir / "plain.xml", xml);
        sealer::sealFile(gf_projectKey(), world.dir / "plain.xml", world.dir / "input" / "AIG-regcodes.enc");
    }
    void userList(const std::string& name, const std::string& bytes) const
    {
        writeWholeFile(world.dir / "input" / "my_regcodes" / name, bytes);
    }
    std::string offlineReport() const { return readWholeFile(world.dir / "output" / "info" / "OfflineRegcodes.txt"); }
    bool plainCopyLeft() const { return fs::exists(world.dir / "input" / "AIG-regcodes.xml"); }

    static std::string_view title(const std::string& registration)
    {
        const auto& regcodes = gf_registrationTables().regcodes;
        const auto hit = regcodes.find(registration);
        return hit != regcodes.end() ? hit->second : std::string_view("-");
    }

    LiveryWorld world;
};

TEST_F(RegistrationCodesTest, InlineRegistrationsFirstLiveryKeepsItsRegistration)
{
    world.build(liveries);
    EXPECT_EQ(title("D-AIZA"), "Lufthansa A320 One");
    EXPECT_EQ(title("D-AIDA"), "Lufthansa A321");
    const auto& inlineRegcodes = gf_registrationTables().inlineRegcodes;
    EXPECT_EQ(inlineRegcodes.size(), 3u);
    EXPECT_EQ(inlineRegcodes.at("Lufthansa A320 Two"), "D-AIZA");
    EXPECT_EQ(readWholeFile(world.dir / "output" / "errors" / "InlineRegcodes.txt"),
              "D-AIZA 'Lufthansa A320 Two' => already in use by 'Lufthansa A320 One'\n");
    EXPECT_THAT(world.logText(), HasSubstr(fmt::format("    1 in-line regcode clashes, see '{}'",
                                                       (fs::path("output") / "errors" / "InlineRegcodes.txt").string())));
}

TEST_F(RegistrationCodesTest, InlineRegistrationOfALiveryMissingFromTheCatalogue)
{
    world.build(liveries);
    ScannedLiveryList extra(1);
    extra[0].title = "Not in the catalogue";
    extra[0].atcId = "D-ABCD";
    extra[0].airline = LiveryWorld::airline("DLH");
    extra[0].model = LiveryWorld::model("A320");
    gf_checkInlineRegcodes(extra);
    EXPECT_THAT(readWholeFile(world.dir / "output" / "errors" / "InlineRegcodes.txt"),
                HasSubstr(fmt::format("==> [{}] D-ABCD 'Not in the catalogue' not available, system error",
                                      gf_flightLabel(extra[0].codes()))));
    EXPECT_EQ(title("D-ABCD"), "-");
}

TEST_F(RegistrationCodesTest, NoClashWritesNoReport)
{
    world.build({{"DLH", "", "A320", false, "Lufthansa A320 One", "D-AIZA"}});
    EXPECT_FALSE(fs::exists(world.dir / "output" / "errors" / "InlineRegcodes.txt"));
}

TEST_F(RegistrationCodesTest, MergePriorityAndReport)
{
    world.build(liveries);
    std::vector<std::string> messages;
    gf_mergeRegcodes({{"KLM B738", {"D-AIZA", "PH-BXA"}, false},
                      {"Unknown title", {"PH-XXX"}, true},
                      {"KLM B737", {"PH-BXA"}, true},
                      {"Swiss BCS1", {"HB-JBA", "HB-JBB"}, true}},
                     messages);
    EXPECT_EQ(title("D-AIZA"), "KLM B738");
    EXPECT_EQ(title("PH-BXA"), "KLM B737");
    EXPECT_EQ(title("PH-XXX"), "-");
    EXPECT_THAT(messages,
                ElementsAre("   regcode D-AIZA for 'KLM B738', instead of the same for 'Lufthansa A320 One'",
                            "   regcode PH-BXA for 'KLM B737', instead of the same for 'KLM B738'",
                            "3 new regcodes added, 2 regcodes replaced, 2 regcodes defined as special"));
    const RegistrationTables& tables = gf_registrationTables();
    EXPECT_THAT(tables.uniqueRegcodes, ElementsAre("PH-BXA"));
    EXPECT_THAT(tables.specialTitles, ElementsAre("KLM B737", "Swiss BCS1"));
    EXPECT_TRUE(gf_isSpecialTitle("Swiss BCS1"));
    EXPECT_FALSE(gf_isSpecialTitle("KLM B738"));

    messages.clear();
    gf_mergeRegcodes({{"KLM B738", {"D-AIZA"}, false}, {"Lufthansa A321", {"D-AIZA"}, false}}, messages);
    EXPECT_THAT(messages, ElementsAre("   regcode D-AIZA for 'Lufthansa A321', instead of the same for 'KLM B738'",
                                      "0 new regcodes added, 1 regcode replaced"));

    // After a clear the special titles are gone with the catalogue.
    gf_clearLiveryCatalogue();
    EXPECT_FALSE(gf_isSpecialTitle("Swiss BCS1"));
}

TEST_F(RegistrationCodesTest, OfflineSourcesUserListsWinAndPlainCopyIsRemoved)
{
    world.build(liveries);
    sealAig(aigXml(R"(<l t="KLM B738" r="PH-BXA,PH-BXB"/><l t="Swiss BCS1" r="HB-JBA" s="true"/>)"));
    userList("mine.txt", "KLM B737;PH-BXA\n");
    gf_processOfflineRegcodes();
    EXPECT_FALSE(plainCopyLeft());
    EXPECT_EQ(title("PH-BXA"), "KLM B737");
    EXPECT_EQ(title("PH-BXB"), "KLM B738");
    EXPECT_EQ(title("HB-JBA"), "Swiss BCS1");
    const std::string plain = (fs::path("input") / "AIG-regcodes.xml").string();
    EXPECT_EQ(offlineReport(),
              fmt::format("Processing file {}\n3 new regcodes added, 1 regcode defined as special\n"
                          "Processing files in {}\n"
                          "   regcode PH-BXA for 'KLM B737', instead of the same for 'KLM B738'\n"
                          "0 new regcodes added, 1 regcode replaced, 1 regcode defined as special\n",
                          plain, (fs::path("input") / "my_regcodes").string()));
    const std::string log = world.logText();
    EXPECT_THAT(log, HasSubstr("Offline regcode files processed, results can be found in"));
    EXPECT_THAT(log, HasSubstr("    2 special liveries"));
    EXPECT_THAT(log, HasSubstr("    2 unique liveries"));
}

TEST_F(RegistrationCodesTest, FaultyAigFileIsNotedAndItsEntriesMerged)
{
    world.build(liveries);
    sealAig(aigXml(R"(<l t="KLM B738" r="PH-BXA"/><l t="KLM B738" r="PH-BXB"/>)"));
    gf_processOfflineRegcodes();
    EXPECT_FALSE(plainCopyLeft());
    EXPECT_EQ(title("PH-BXA"), "KLM B738");
    EXPECT_THAT(offlineReport(), HasSubstr("There were errors processing the AIG-regcode file"));
}

TEST_F(RegistrationCodesTest, FaultyUserListIsShownOnTheMessageLine)
{
    world.build(liveries);
    sealAig(aigXml(""));
    userList("mine.txt", "KLM B737;AB,PH-BXA\n");
    gf_processOfflineRegcodes();
    EXPECT_EQ(title("PH-BXA"), "KLM B737");
    EXPECT_THAT(gf_messageLineTexts().message, HasSubstr("There were errors processing the regcode files in folder"));
}

TEST_F(RegistrationCodesTest, WithoutTheAigFileNothingIsMergedAndTheOldReportStays)
{
    world.build(liveries);
    writeWholeFile(world.dir / "output" / "info" / "OfflineRegcodes.txt", "old report\n");
    userList("mine.txt", "KLM B737;PH-BXA\n");
    gf_processOfflineRegcodes();
    EXPECT_EQ(title("PH-BXA"), "-");
    EXPECT_EQ(offlineReport(), "old report\n");

    // A damaged sealed file is no better, and leaves no plain copy behind.
    writeWholeFile(world.dir / "input" / "AIG-regcodes.enc", std::string(200, 'x'));
    gf_processOfflineRegcodes();
    EXPECT_EQ(title("PH-BXA"), "-");
    EXPECT_FALSE(plainCopyLeft());
}

TEST_F(RegistrationCodesTest, UndecodableAigContentLeavesNoPlainCopy)
{
    world.build(liveries);
    sealAig("<root><aig><l t=");
    gf_processOfflineRegcodes();
    EXPECT_FALSE(plainCopyLeft());
    EXPECT_THAT(world.logText(), HasSubstr("==> Failed to load"));
}

TEST_F(RegistrationCodesTest, DontUseTitlesFromBothSources)
{
    sealAig(aigXml(R"(<l t="Bad AIG title"/><l t="KLM B738" r="PH-BXA"/>)"));
    userList("mine.txt", "Bad user title\nKLM B737;PH-BXB\n");
    gf_dontUseTitles().add("stale");
    gf_readDontUseTitles();
    EXPECT_FALSE(plainCopyLeft());
    EXPECT_EQ(gf_dontUseTitles().size(), 2u);
    EXPECT_TRUE(gf_dontUseTitles().contains("Bad AIG title"));
    EXPECT_TRUE(gf_dontUseTitles().contains("Bad user title"));
    const std::string log = world.logText();
    EXPECT_THAT(log, HasSubstr("    1 don't use title read\n"));
    EXPECT_THAT(log, HasSubstr(fmt::format("    1 don't use title read from files in {}",
                                           (fs::path("input") / "my_regcodes").string())));
}

TEST_F(RegistrationCodesTest, DontUseTitlesFromUserListsWithoutTheAigFile)
{
    userList("mine.txt", "Bad user title\n");
    gf_readDontUseTitles();
    EXPECT_TRUE(gf_dontUseTitles().contains("Bad user title"));
    EXPECT_EQ(gf_dontUseTitles().size(), 1u);
}

TEST_F(RegistrationCodesTest, RegistrationStepOfTheStartUpUsesTheScannedList)
{
    world.build(liveries);
    gf_clearRegistrationTables();
    ScannedLiveryList& scanned = gf_scannedLiveryList();
    scanned.resize(1);
    scanned[0].title = "Lufthansa A321";
    scanned[0].atcId = "D-AIDA";
    sealAig(aigXml(R"(<l t="Swiss BCS1" r="HB-JBA" s="true"/>)"));
    gf_buildRegistrationCodes();
    scanned.clear();
    EXPECT_EQ(title("D-AIDA"), "Lufthansa A321");
    EXPECT_EQ(title("HB-JBA"), "Swiss BCS1");
    EXPECT_TRUE(gf_isSpecialTitle("Swiss BCS1"));
}

std::vector<std::pair<std::string, std::string>> lf_registered(const TitleList* titles)
{
    std::vector<std::pair<std::string, std::string>> texts;
    if (titles != nullptr) {
        for (const RegisteredTitle& entry : gf_registeredTitles(*titles)) {
            texts.emplace_back(entry.title, entry.registration);
        }
    }
    return texts;
}

using Registered = std::vector<std::pair<std::string, std::string>>;

TEST_F(RegistrationCodesTest, RegisteredTitlesOfTheListsSearchedByPrefix)
{
    world.build({{"PVT", "", "C172", false, "Private C172 N1", "N111AA"},
                 {"PVT", "", "C172", false, "Private C172 plain", ""},
                 {"PVT", "", "C172", false, "Private C172 N2", "N222BB"},
                 {"PVT", "", "C172", true, "Private C172 Cargo", "D-EAAA"},
                 {"DLH", "", "A320", false, "Lufthansa A320 One", "D-AIZA"},
                 {"DLH", "", "A320", false, "Lufthansa A320 Two", "D-AIZA"},
                 {"KLM", "", "B738", false, "KLM B738", ""}});
    const uint16_t pvt = LiveryWorld::airline("PVT");
    const uint16_t c172 = LiveryWorld::model("C172");
    const uint16_t a320 = LiveryWorld::model("A320");
    // Private aircraft: pax and cargo apart, in list order, titles without a registration left out.
    EXPECT_EQ(lf_registered(gf_paxCargoTitles(paxIndex, pvt, c172)),
              (Registered{{"Private C172 N1", "N111AA"}, {"Private C172 N2", "N222BB"}}));
    EXPECT_EQ(lf_registered(gf_paxCargoTitles(cargoIndex, pvt, c172)),
              (Registered{{"Private C172 Cargo", "D-EAAA"}}));
    // Models of every airline; a title shares the registration its section gave it even when another kept it.
    EXPECT_EQ(lf_registered(gf_modelTitles(paxIndex, a320)).size(), 2u);
    EXPECT_THAT(lf_registered(gf_modelTitles(paxIndex, a320)),
                UnorderedElementsAre(std::pair<std::string, std::string>{"Lufthansa A320 One", "D-AIZA"},
                                     std::pair<std::string, std::string>{"Lufthansa A320 Two", "D-AIZA"}));
    EXPECT_EQ(lf_registered(gf_modelTitles(paxIndex, c172)).size(), 2u);
    EXPECT_THAT(lf_registered(gf_modelTitles(paxIndex, LiveryWorld::model("B738"))), IsEmpty());
    // Airlines other than the private one are never searched by prefix.
    EXPECT_THAT(lf_registered(gf_paxCargoTitles(paxIndex, LiveryWorld::airline("DLH"), a320)), IsEmpty());

    gf_clearRegistrationTables();
    EXPECT_TRUE(gf_registrationTables().registeredTitleLists.empty());
}

} // namespace
} // namespace hlw
