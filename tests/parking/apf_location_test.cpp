// Finding an airport's file, its link files and the learned file that belongs to a file text.
#include "parking/apf_location.h"

#include "parking_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::ParkingFolder;

struct LearnedCase {
    const char* text;
    const char* addon;
    const char* expected; // under airports/learned; "" for the empty path
};

TEST(LearnedApfPath, MapsEveryFormOfFileTextAndRejectsUnsafeOnes)
{
    const LearnedCase cases[] = {
        {"archive/stock/EHAM.xml", "", "stock/EHAM.xml"},
        {"archive\\simaddon\\EHAM.xml", "", "simaddon/EHAM.xml"},
        {"archive/thirdparty/Some%20Addon/EHAM.xml", "", "thirdparty/Some Addon/EHAM.xml"},
        {"x/archive/thirdparty/%20Pub%20/sub/EHAM.xml", "", "thirdparty/Pub/EHAM.xml"},
        {"archive/thirdparty/EHAM.xml", "", ""},
        {"archive/thirdparty/%20%20/EHAM.xml", "", ""},
        {"archive/thirdparty/..%20/EHAM.xml", "", ""},
        {"airports\\my_simaddon\\EHAM.xml", "", "my_simaddon/EHAM.xml"},
        {"airports/stock/EHAM.xml", "", "stock/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", " x/y ", "thirdparty/x y/EHAM.xml"},
        {"airports/my_thirdparty2024/EHAM.xml", "Pub\\Two", "thirdparty/Pub Two/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", "   ", ""},
        {"airports/my_thirdparty/EHAM.xml", "..", ""},
        {"airports/other/EHAM.XML", "", "other/EHAM.XML"},
        {"archive\\Stock\\EHAM.xml", "", ""},
        {"archive/stock/EHAM.txt", "", ""},
        {"", "", ""},
        {"elsewhere/EHAM.xml", "", ""},
        // Texts that would leave the learned folder or name an absolute place.
        {"airports/../../x/y.xml", "", ""},
        {"airports\\my_simaddon\\..\\..\\..\\etc\\EHAM.xml", "", ""},
        {"/airports/EHAM.xml", "", ""},
        {"\\airports\\EHAM.xml", "", ""},
        {"C:\\airports\\EHAM.xml", "", ""},
        {"airports//EHAM.xml", "", ""},
        {"airports/./EHAM.xml", "", ""},
        {"airports/EH\nAM.xml", "", ""},
    };
    for (const LearnedCase& c : cases) {
        const fs::path expected = *c.expected == '\0' ? fs::path() : fs::path("airports/learned") / c.expected;
        EXPECT_EQ(gf_learnedApfPath(c.text, c.addon), expected) << c.text << " / '" << c.addon << "'";
    }
}

struct FindCase {
    const char* name;
    std::vector<std::pair<const char*, std::string>> files;
    const char* expected;
};

TEST(FindApf, TakesLinkAndAirportFilesInOrderAndAgreesWithAvailability)
{
    const std::string tooLarge = std::string(5000, ' ') + "airports/x/EHAM.xml";
    const FindCase cases[] = {
        {"link wins over file",
         {{"airports/my_thirdparty/EHAM.txt", "airports/pkg/EHAM.xml"}, {"airports/my_thirdparty/EHAM.xml", "x"}},
         "airports/pkg/EHAM.xml"},
        {"upper-case extension and trailing blank",
         {{"airports/my_thirdparty/EHAM.txt", "airports/pkg/EHAM.XML \n"}},
         "airports/pkg/EHAM.XML"},
        {"byte order mark and CR LF",
         {{"airports/my_simaddon/EHAM.txt", "\xEF\xBB\xBF"
                                            "airports/a/EHAM.xml\r\n"}},
         "airports/a/EHAM.xml"},
        {"leading blanks stay", {{"airports/my_simaddon/EHAM.txt", "  airports/a/EHAM.xml"}}, "  airports/a/EHAM.xml"},
        {"link to a .txt is ignored",
         {{"airports/my_thirdparty/EHAM.txt", "airports/pkg/EHAM.txt"}, {"airports/my_thirdparty/EHAM.xml", "x"}},
         "airports/my_thirdparty/EHAM.xml"},
        {"traversal link is ignored",
         {{"airports/my_thirdparty/EHAM.txt", "airports/../../etc/EHAM.xml"}},
         "archive/stock/EHAM.xml"},
        {"absolute link is ignored", {{"airports/my_simaddon/EHAM.txt", "C:\\x\\EHAM.xml"}}, "archive/stock/EHAM.xml"},
        {"too large link is ignored", {{"airports/my_simaddon/EHAM.txt", tooLarge}}, "archive/stock/EHAM.xml"},
        {"empty link is ignored", {{"airports/my_simaddon/EHAM.txt", ""}}, "archive/stock/EHAM.xml"},
        {"simaddon file", {{"airports/my_simaddon/EHAM.xml", "x"}}, "airports/my_simaddon/EHAM.xml"},
        {"third party before simaddon",
         {{"airports/my_simaddon/EHAM.xml", "x"}, {"airports/my_thirdparty/EHAM.xml", "x"}},
         "airports/my_thirdparty/EHAM.xml"},
        {"archived only", {}, "archive/stock/EHAM.xml"},
    };
    for (const FindCase& c : cases) {
        ParkingFolder folder;
        for (const auto& [path, bytes] : c.files) {
            folder.write(path, bytes);
        }
        EXPECT_EQ(gf_findApf(AirportCode("EHAM")), c.expected) << c.name;
        EXPECT_TRUE(gf_apfAvailable(AirportCode("EHAM"))) << c.name;
    }
}

TEST(FindApf, AnAirportWithoutStandsOrFilesHasNone)
{
    ParkingFolder folder;
    folder.write("airports/my_thirdparty/EHRD.txt", "airports/../EHRD.xml");
    EXPECT_EQ(gf_findApf(AirportCode("EHRD")), "");
    EXPECT_FALSE(gf_apfAvailable(AirportCode("EHRD")));
    EXPECT_FALSE(gf_apfAvailable(AirportCode("LFPG")));
    EXPECT_NE(folder.logText().find("which is no relative path inside the program folder"), std::string::npos);
}

TEST(FindApf, AFailingExistenceTestIsLoggedAndCountsAsAbsent)
{
    ParkingFolder folder;
    fs::create_directories(folder.dir / "airports");
    fs::create_directory_symlink("my_thirdparty", folder.dir / "airports/my_thirdparty");
    folder.write("airports/my_simaddon/EHRD.xml", "x");
    EXPECT_EQ(gf_findApf(AirportCode("EHRD")), "airports/my_simaddon/EHRD.xml");
    EXPECT_NE(folder.logText().find("exists(airports/my_thirdparty/EHRD.txt)"), std::string::npos);
}

TEST(ApfNames, CodeFileNamesAndVersionStems)
{
    EXPECT_EQ(gf_icaoXmlName(AirportCode("eham")), "EHAM.xml");
    EXPECT_EQ(gf_icaoTxtPath(AirportCode("EHAM")), fs::path("EHAM.txt"));
    EXPECT_EQ(gf_icaoVersionStem(AirportCode("EHAM"), "1.2.10"), "EHAM1210");
    EXPECT_EQ(gf_icaoVersionStem(AirportCode(), "2.0"), "    20");
    EXPECT_EQ(gf_cleanAddonName(" \tSome Addon  "), "Some Addon");
}

} // namespace
} // namespace hlw
