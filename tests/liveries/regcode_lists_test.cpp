#include "liveries/regcode_lists.h"

#include "core/log.h"
#include "core/message_line.h"

#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Entries = std::vector<RegcodeEntry>;
using Codes = std::vector<std::string>;

class RegcodeListsTest : public ::testing::Test {
  protected:
    void SetUp() override { gf_startLog(dir / "Log.txt"); }
    void TearDown() override
    {
        gf_stopLog();
        gf_clearError();
        gf_clearMessage();
    }

    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }

    test::TempDir dir;
};

TEST_F(RegcodeListsTest, LineRules)
{
    struct Case {
        const char* line;
        bool ok;
        Entries expected;
    };
    const Case cases[] = {
        {"Short", true, {}},
        {"ABCD;", true, {}},
        {"Some livery title", true, {{"Some livery title", {}, false}}},
        {"Title;", true, {{"Title", {}, false}}},
        {"Title;;#", true, {{"Title", {}, false}}},
        {"Title;D-ABCD", true, {{"Title", {"D-ABCD"}, true}}},
        {"Title;D-ABCD;x", true, {{"Title", {"D-ABCD"}, true}}},
        {"Title;D-ABC,D-ABD", true, {{"Title", {"D-ABC", "D-ABD"}, false}}},
        {"Title;D-ABC,D-ABD;#", true, {{"Title", {"D-ABC", "D-ABD"}, true}}},
        {"Title;D-ABC,D-ABD;# ", true, {{"Title", {"D-ABC", "D-ABD"}, false}}},
        {"Title;D-ABC,D-ABD;other", true, {{"Title", {"D-ABC", "D-ABD"}, false}}},
        {"Title;AB", false, {}},
        {"Title;AB,D-ABC", false, {{"Title", {"D-ABC"}, false}}},
        {"Title;AB,CD", false, {{"Title", {}, false}}},
        {"Title;ABCDEFGHIJKL", true, {{"Title", {"ABCDEFGHIJKL"}, true}}},
        {"Title;ABCDEFGHIJKLM", false, {}},
        {"Title;D-ABD,D-ABC,D-ABD", true, {{"Title", {"D-ABC", "D-ABD"}, false}}},
        {"Title;D-ABC,D-ABC", true, {{"Title", {"D-ABC"}, true}}},
        {"Title;D-ABC;#;more", true, {}},
        {"Title; D-ABC, D-ABD", true, {{"Title", {" D-ABC", " D-ABD"}, false}}},
    };
    for (const Case& c : cases) {
        Entries entries;
        CappedAlerts alerts("list.txt");
        EXPECT_EQ(gf_parseRegcodeLine(c.line, "list.txt", entries, alerts), c.ok) << c.line;
        EXPECT_EQ(entries, c.expected) << c.line;
    }
}

TEST_F(RegcodeListsTest, LineAlerts)
{
    Entries entries;
    CappedAlerts alerts("my.txt");
    gf_parseRegcodeLine("Title;AB,D-ABCDEFGHIJK", "my.txt", entries, alerts);
    gf_parseRegcodeLine("Title; D-ABC,D-ABD ", "my.txt", entries, alerts);
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("==> wrong regcode length 'AB' in my.txt"));
    EXPECT_THAT(log, HasSubstr("==> regcode ' D-ABC' in my.txt starts or ends with a blank"));
    EXPECT_THAT(log, HasSubstr("==> regcode 'D-ABD ' in my.txt starts or ends with a blank"));
    EXPECT_THAT(log, HasSubstr("==> wrong regcode length 'D-ABCDEFGHIJK' in my.txt"));
}

TEST_F(RegcodeListsTest, UserListsInEveryEncoding)
{
    const fs::path folder = dir / "my_regcodes";
    fs::create_directories(folder / "sub");
    // UTF-16 little-endian with a byte order mark, as Notepad saves "Unicode".
    const std::u16string wide = u"Z\u00fcrich Air;HB-ABC\r\n";
    std::string utf16("\xFF\xFE", 2);
    for (const char16_t unit : wide) {
        utf16.push_back(static_cast<char>(unit & 0xFF));
        utf16.push_back(static_cast<char>(unit >> 8));
    }
    writeWholeFile(folder / "a.TXT", utf16);
    writeWholeFile(folder / "b.txt", "M\xFCnchen Air;D-ABC,D-ABD;#\n");                // Windows-1252
    writeWholeFile(folder / "c.Txt", "\xEF\xBB\xBFK\xC3\xB6ln Air;D-AXY\nNever used title\n"); // UTF-8
    writeWholeFile(folder / "d.csv", "Ignored title;D-AAA\n");
    writeWholeFile(folder / "sub" / "e.txt", "Ignored title;D-AAA\n");

    Entries entries;
    EXPECT_TRUE(gf_readRegcodeTxtFiles(folder, entries));
    std::vector<RegcodeEntry> sorted = entries;
    std::ranges::sort(sorted, {}, &RegcodeEntry::title);
    EXPECT_THAT(sorted, ElementsAre(RegcodeEntry{"K\xC3\xB6ln Air", {"D-AXY"}, true},
                                    RegcodeEntry{"M\xC3\xBCnchen Air", {"D-ABC", "D-ABD"}, true},
                                    RegcodeEntry{"Never used title", {}, false},
                                    RegcodeEntry{"Z\xC3\xBCrich Air", {"HB-ABC"}, true}));
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr(fmt::format("    4 liveries read from {}", (folder / "").string())));
    EXPECT_THAT(log, Not(HasSubstr("d.csv")));
}

TEST_F(RegcodeListsTest, UnreadableListIsAFaultButTheOthersCount)
{
    const fs::path folder = dir / "my_regcodes";
    fs::create_directories(folder);
    // A UTF-16 text with a lone surrogate cannot be converted.
    writeWholeFile(folder / "bad.txt", std::string("\xFF\xFE\x00\xD8T\x00", 6));
    writeWholeFile(folder / "good.txt", "Good title;D-ABCD\n");
    Entries entries;
    EXPECT_FALSE(gf_readRegcodeTxtFiles(folder, entries));
    EXPECT_THAT(entries, ElementsAre(RegcodeEntry{"Good title", {"D-ABCD"}, true}));
}

TEST_F(RegcodeListsTest, WrongCodeLengthMakesTheReadFalse)
{
    const fs::path folder = dir / "my_regcodes";
    fs::create_directories(folder);
    writeWholeFile(folder / "a.txt", "Title one;AB,D-ABC\nTitle two;D-ABD\n");
    Entries entries;
    EXPECT_FALSE(gf_readRegcodeTxtFiles(folder, entries));
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_THAT(logText(), HasSubstr("    2 liveries read from"));
}

// A list full of wrong codes logs the first ten alerts of each kind and then one count line per kind.
TEST_F(RegcodeListsTest, RepeatedAlertsOfAListAreCapped)
{
    const fs::path folder = dir / "my_regcodes";
    fs::create_directories(folder);
    std::string list;
    for (int line = 0; line < 1000; ++line) {
        list += fmt::format("Title {};AB\nBlank {}; D-A{:03}\n", line, line, line);
    }
    writeWholeFile(folder / "flood.txt", list);
    Entries entries;
    EXPECT_FALSE(gf_readRegcodeTxtFiles(folder, entries));
    EXPECT_EQ(entries.size(), 1000u);
    const std::string log = logText();
    const auto count = [&log](const std::string& needle) {
        std::size_t found = 0;
        for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) {
            ++found;
        }
        return found;
    };
    EXPECT_EQ(count("==> wrong regcode length 'AB'"), 10u);
    EXPECT_EQ(count("starts or ends with a blank"), 10u);
    const std::string file = (folder / "flood.txt").string();
    EXPECT_THAT(log, HasSubstr(fmt::format("==> 990 more 'wrong regcode length' alerts for {} not logged\n", file)));
    EXPECT_THAT(log, HasSubstr(fmt::format("==> 990 more 'regcode with a blank' alerts for {} not logged\n", file)));
}

TEST_F(RegcodeListsTest, MissingFolderIsReported)
{
    Entries entries;
    EXPECT_FALSE(gf_readRegcodeTxtFiles(dir / "nowhere", entries));
    EXPECT_THAT(logText(), HasSubstr(fmt::format("==> Error reading regcode files in {}, what: ",
                                                 (dir / "nowhere").string())));
}

std::string aigXml(const std::string& body, bool withMeta = true)
{
    const std::string meta = withMeta ? R"(<meta><info name="author" value="Hollowmere"/>)"
                                        R"x(<info name="copyright" value="(c)"/><info name="sim" value="1"/></meta>)x"
                                      : "";
    return R"(<?xml version="1.0" encoding="UTF-8"?><root>)" + meta + body + "</root>";
}

TEST_F(RegcodeListsTest, AigFileEntries)
{
    const fs::path file = dir / "AIG-regcodes.xml";
    writeWholeFile(file, aigXml(R"(<aig>
        <l t="Airline A320" r="D-AIZB,D-AIZA,D-AIZA"/>
        <l t="Special One" r="D-ABYT" s="true"/>
        <x t="Not an entry" r="D-AAAA"/>
        <l t="" r="D-BBBB"/>
        <l r="D-BBBB"/>
        <l t="Do not use"/>
        <l t="Short codes" r="AB,,C"/>
    </aig>)"));
    Entries entries{{"earlier", {}, false}};
    EXPECT_TRUE(gf_readAigRegcodeXml(file, entries));
    EXPECT_THAT(entries, ElementsAre(RegcodeEntry{"earlier", {}, false},
                                     RegcodeEntry{"Airline A320", {"D-AIZA", "D-AIZB"}, false},
                                     RegcodeEntry{"Special One", {"D-ABYT"}, true},
                                     RegcodeEntry{"Do not use", {}, false},
                                     RegcodeEntry{"Short codes", {"AB", "C"}, false}));
    EXPECT_THAT(logText(), HasSubstr("    5 liveries read from AIG-regcodes.xml"));
}

TEST_F(RegcodeListsTest, AigDuplicateTitleIsSkippedAndFaulty)
{
    const fs::path file = dir / "AIG-regcodes.xml";
    writeWholeFile(file, aigXml(R"(<aig><l t="A" r="D-AAAA"/><l t="A" r="D-AAAB"/><l t="B" r="D-AAAC"/>
                                 <l t="A" r="D-AAAD"/></aig>)"));
    Entries entries;
    EXPECT_FALSE(gf_readAigRegcodeXml(file, entries));
    EXPECT_THAT(entries, ElementsAre(RegcodeEntry{"A", {"D-AAAA"}, false}, RegcodeEntry{"B", {"D-AAAC"}, false},
                                     RegcodeEntry{"A", {"D-AAAD"}, false}));
    EXPECT_THAT(logText(), HasSubstr("==> Duplicate title 'A' (same as previous)"));
}

TEST_F(RegcodeListsTest, AigFileFaults)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* logged;
    };
    const Case cases[] = {
        {"damaged", "<root><aig><l t=", "==> Failed to load"},
        {"no meta", aigXml(R"(<aig><l t="A" r="D-AAAA"/></aig>)", false), nullptr},
        {"no aig", aigXml("<other/>"), "==> No <aig> node found in XML."},
    };
    for (const Case& c : cases) {
        const fs::path file = dir / "AIG-regcodes.xml";
        writeWholeFile(file, c.bytes);
        Entries entries;
        EXPECT_FALSE(gf_readAigRegcodeXml(file, entries)) << c.name;
        EXPECT_THAT(entries, IsEmpty()) << c.name;
        if (c.logged != nullptr) {
            EXPECT_THAT(logText(), HasSubstr(c.logged)) << c.name;
        }
    }
    Entries entries;
    EXPECT_FALSE(gf_readAigRegcodeXml(dir / "missing.xml", entries));
}

} // namespace
} // namespace hlw
