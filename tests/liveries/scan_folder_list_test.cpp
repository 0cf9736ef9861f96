#include "liveries/scan_folder_list.h"

#include "core/user_error.h"
#include "livery_fixture.h"
#include "scan_test_support.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace hlw {
namespace {
namespace fs = std::filesystem;
using P = AiPackage;

class ScanFolderListTest : public ::testing::Test {
protected:
    ~ScanFolderListTest() override
    {
        settings::aiPackageSelector.set(settings::aiPackageSelector.defaultValue());
        for (StringParameter& folder : settings::liveryFolders) {
            folder.set("");
        }
    }

    fs::path community() const { return home.dir / "Community"; }
    void install(std::initializer_list<const char*> names) const
    {
        for (const char* name : names) {
            fs::create_directories(community() / name);
        }
    }
    std::vector<fs::path> detect(const std::string& selection) const
    {
        settings::aiPackageSelector.set(selection);
        std::vector<fs::path> folders;
        gf_detectAiPackages(community(), folders);
        return folders;
    }

    test::LiveryFolder home;
};

TEST_F(ScanFolderListTest, EveryChoiceNamesItsPackagesInItsOrder)
{
    struct Row {
        int index;
        std::vector<P> order;
    };
    const Row rows[] = {
        {0, {P::aig, P::fsltl, P::justFlight, P::ivaoMtl}},   {1, {P::aig, P::fsltl, P::ivaoMtl, P::justFlight}},
        {23, {P::ivaoMtl, P::justFlight, P::fsltl, P::aig}},  {24, {P::aig, P::fsltl, P::justFlight}},
        {29, {P::justFlight, P::fsltl, P::aig}},              {30, {P::aig, P::fsltl, P::ivaoMtl}},
        {47, {P::ivaoMtl, P::justFlight, P::fsltl}},          {48, {P::aig, P::fsltl}},
        {49, {P::fsltl, P::aig}},                             {59, {P::ivaoMtl, P::justFlight}},
        {60, {P::aig}},                                       {63, {P::ivaoMtl}},
    };
    const std::vector<std::string>& choices = settings::aiPackageSelector.choices();
    ASSERT_EQ(choices.size(), 64U);
    for (const Row& row : rows) {
        EXPECT_EQ(gf_aiPackageOrder(choices[row.index]), row.order) << choices[row.index];
    }
    std::set<std::vector<P>> distinct;
    for (const std::string& choice : choices) {
        distinct.insert(gf_aiPackageOrder(choice));
    }
    EXPECT_EQ(distinct.size(), 64U);
    EXPECT_THROW(gf_aiPackageOrder("AIG, XYZ"), std::runtime_error);
}

TEST_F(ScanFolderListTest, DetectsInTheSelectedOrderWithUserTrafficLast)
{
    install({"aaa-user-aitraffic", "aig-aitraffic-oci-beta", "fsltl-traffic-base", "IVAO_MTL", "unrelated",
             "justflight-fstraffic-module"});
    EXPECT_EQ(detect("MTL, AIG"),
              (std::vector<fs::path>{community() / "IVAO_MTL", community() / "aig-aitraffic-oci-beta",
                                     community() / "aaa-user-aitraffic"}));
    EXPECT_EQ(detect("JF, FSLTL"),
              (std::vector<fs::path>{community() / "justflight-fstraffic-module", community() / "fsltl-traffic-base",
                                     community() / "aaa-user-aitraffic"}));
    EXPECT_NE(home.logText().find("Automatic IVAO_MTL scan found folder: '" + (community() / "IVAO_MTL").string()),
              std::string::npos);
}

TEST_F(ScanFolderListTest, TakesTheFirstMatchByNameAndNeverAConvertedOne)
{
    install({"a_CVT_aig-aitraffic-oci", "aig-aitraffic-oci_CVT_", "b-aig-aitraffic-oci", "c-aig-aitraffic-oci",
             "ivao_mtl", "justflight-aircraft-traffic-fleet-x"});
    EXPECT_EQ(detect("AIG, FSLTL, JF, MTL"), (std::vector<fs::path>{community() / "b-aig-aitraffic-oci",
                                                                    community() / "justflight-aircraft-traffic-fleet-x"}));
}

TEST_F(ScanFolderListTest, UserTrafficAloneStillGivesAFolder)
{
    install({"user-aitraffic"});
    EXPECT_EQ(detect("AIG"), std::vector<fs::path>{community() / "user-aitraffic"});
    EXPECT_TRUE(detect("FSLTL, MTL").size() == 1);
}

TEST_F(ScanFolderListTest, ASelectionOutsideTheChoicesOrAMissingCommunityFolderThrows)
{
    install({"aig-aitraffic-oci"});
    try {
        detect("AIG,FSLTL");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "AI_PACKAGE_SELECTOR not set");
    }
    settings::aiPackageSelector.set("AIG");
    std::vector<fs::path> folders;
    EXPECT_THROW(gf_detectAiPackages(home.dir / "nowhere", folders), fs::filesystem_error);
}

TEST_F(ScanFolderListTest, ManualFoldersComeInSettingOrder)
{
    fs::create_directories(home.dir / "two");
    test::writeFile(home.dir / "seven.txt", "not a folder");
    settings::liveryFolders[7].set((home.dir / "seven.txt").string());
    settings::liveryFolders[2].set((home.dir / "two").string());
    std::vector<fs::path> folders;
    gf_checkLfolderParameters(folders);
    EXPECT_EQ(folders, (std::vector<fs::path>{home.dir / "two", home.dir / "seven.txt"}));
}

TEST_F(ScanFolderListTest, AManualFolderThatDoesNotExistIsError243)
{
    settings::liveryFolders[0].set((home.dir / "gone").string());
    settings::liveryFolders[1].set((home.dir / "gone too").string());
    std::vector<fs::path> folders;
    try {
        gf_checkLfolderParameters(folders);
        FAIL() << "no error";
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), 243);
        EXPECT_STREQ(error.what(), "243: the path pointed to by parameter 'lfolder0' does not exist, see Log.txt!");
    }
    const std::string log = home.logText();
    EXPECT_NE(log.find("lfolder0: '" + (home.dir / "gone").string() + "' does not exist"), std::string::npos);
    EXPECT_EQ(log.find("lfolder1"), std::string::npos);
}

} // namespace
} // namespace hlw
