#include "refdata/code_table.h"

#include "core/log.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <string>

namespace hlw {
namespace {

std::size_t countOf(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

TEST(CodeTable, StartsWithTheEmptyCodeAtIndexZero)
{
    CodeTable table("test");
    EXPECT_EQ(table.size(), 1U);
    EXPECT_EQ(table.intern(""), 0);
    EXPECT_EQ(table.text(0), "");
    EXPECT_EQ(table.size(), 1U);
}

TEST(CodeTable, InternsEachExactTextOnceInOrder)
{
    CodeTable table("test");
    EXPECT_EQ(table.intern("DLH"), 1);
    EXPECT_EQ(table.intern("BAW"), 2);
    EXPECT_EQ(table.intern("DLH"), 1);
    // Exact byte strings: case and blanks make different codes.
    EXPECT_EQ(table.intern("dlh"), 3);
    EXPECT_EQ(table.intern("DLH "), 4);
    EXPECT_EQ(table.size(), 5U);
    EXPECT_EQ(table.text(1), "DLH");
    EXPECT_EQ(table.text(3), "dlh");
}

TEST(CodeTable, IndexBeyondTheTableIsTheEmptyText)
{
    CodeTable table("test");
    table.intern("A320");
    EXPECT_EQ(table.text(2), "");
    EXPECT_EQ(table.text(65535), "");
}

TEST(CodeTable, FindNeverAdds)
{
    CodeTable table("test");
    table.intern("B738");
    EXPECT_EQ(table.find("B738"), std::optional<uint16_t>(1));
    EXPECT_EQ(table.find("B739"), std::nullopt);
    EXPECT_EQ(table.find(""), std::optional<uint16_t>(0));
    EXPECT_EQ(table.size(), 2U);
}

TEST(CodeTable, TextReferencesSurviveLaterAppends)
{
    CodeTable table("test");
    const uint16_t index = table.intern("E190");
    const std::string& held = table.text(index);
    for (int i = 0; i < 20000; ++i) {
        table.intern(fmt::format("X{}", i));
    }
    EXPECT_EQ(&held, &table.text(index));
    EXPECT_EQ(held, "E190");
}

TEST(CodeTable, FixesApplyOnlyOnceActiveAndOnlyTowardsInternedCodes)
{
    CodeTable table("test");
    const uint16_t a20n = table.intern("A20N");
    table.intern("B38M");
    EXPECT_TRUE(table.addFix("A32N", "A20N"));
    EXPECT_TRUE(table.addFix("B38M", "B738"));
    EXPECT_TRUE(table.addFix("C68A", "C680"));
    EXPECT_FALSE(table.addFix("A32N", "A321"));
    EXPECT_EQ(table.findFix("A32N"), std::optional<std::string>("A20N"));
    EXPECT_EQ(table.findFix("A20N"), std::nullopt);

    // Before activation the wrong code is an ordinary new code.
    EXPECT_EQ(table.find("A32N"), std::nullopt);
    table.activateFixes();

    const std::size_t before = table.size();
    EXPECT_EQ(table.intern("A32N"), a20n);
    EXPECT_EQ(table.find("A32N"), std::optional<uint16_t>(a20n));
    EXPECT_EQ(table.size(), before);

    // A code interned before activation keeps its own index.
    EXPECT_EQ(table.intern("B38M"), 2);

    // The correction is not interned yet: the wrong code is added under its own text and keeps that index.
    const uint16_t wrong = table.intern("C68A");
    EXPECT_EQ(table.text(wrong), "C68A");
    const uint16_t right = table.intern("C680");
    EXPECT_NE(right, wrong);
    EXPECT_EQ(table.intern("C68A"), wrong);
    EXPECT_EQ(table.fixes().size(), 3U);
}

TEST(CodeTable, KnownCodesAreTheValidSetNotTheInternedOnes)
{
    CodeTable table("test");
    table.setKnownCodes({"A320", "B738", ""});
    table.intern("ZZZZ");
    EXPECT_TRUE(table.isKnown("A320"));
    EXPECT_FALSE(table.isKnown("a320"));
    EXPECT_FALSE(table.isKnown("ZZZZ"));
    EXPECT_FALSE(table.isKnown(""));
    EXPECT_EQ(table.knownCodes().size(), 3U);
}

TEST(CodeTable, ResetGoesBackToTheEmptyCodeOnly)
{
    CodeTable table("test");
    table.intern("A320");
    table.setKnownCodes({"A320"});
    table.addFix("A32N", "A320");
    table.activateFixes();
    table.reset();
    EXPECT_EQ(table.size(), 1U);
    EXPECT_FALSE(table.isKnown("A320"));
    EXPECT_EQ(table.findFix("A32N"), std::nullopt);
    EXPECT_EQ(table.intern("A32N"), 1);
}

class CodeTableCapTest : public ::testing::Test {
protected:
    void SetUp() override { gf_startLog(dir / "Log.txt"); }
    void TearDown() override { gf_stopLog(); }
    std::string logText()
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }
    test::TempDir dir;
};

// A full table must never wrap an index onto an older code: a new code gets the empty code, once logged.
TEST_F(CodeTableCapTest, FullTableAnswersTheEmptyCodeAndLogsOnce)
{
    CodeTable table("model");
    for (std::size_t i = 1; i < CodeTable::maxEntries; ++i) {
        ASSERT_EQ(table.intern(fmt::format("{:05}", i)), i);
    }
    EXPECT_EQ(table.size(), CodeTable::maxEntries);
    EXPECT_EQ(table.text(65535), "65535");
    EXPECT_EQ(table.intern("NEW1"), 0);
    EXPECT_EQ(table.intern("NEW2"), 0);
    EXPECT_EQ(table.find("NEW1"), std::nullopt);
    EXPECT_EQ(table.size(), CodeTable::maxEntries);
    // Codes already in the table are still found.
    EXPECT_EQ(table.intern("00001"), 1);
    EXPECT_EQ(table.intern("65535"), 65535);
    EXPECT_EQ(countOf(logText(), "==> model code table full"), 1U);
}

TEST(ProgramCodeTables, AirlineAndModelTablesAreSeparate)
{
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
    EXPECT_EQ(gf_airlineIndex("DLH"), 1);
    EXPECT_EQ(gf_modelIndex("A20N"), 1);
    EXPECT_EQ(gf_modelIndex("DLH"), 2);
    EXPECT_EQ(gf_airlineText(1), "DLH");
    EXPECT_EQ(gf_modelText(2), "DLH");
    EXPECT_EQ(gf_findAirlineIndex("A20N"), std::nullopt);
    EXPECT_EQ(gf_findModelIndex("A20N"), std::optional<uint16_t>(1));
    gf_airlineCodes().setKnownCodes({"DLH"});
    EXPECT_TRUE(gf_isKnownAirline("DLH"));
    EXPECT_FALSE(gf_isKnownModel("DLH"));
    gf_modelCodes().addFix("A32N", "A20N");
    EXPECT_EQ(gf_findModelFix("A32N"), std::optional<std::string>("A20N"));
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
}

TEST(PlausibleModelCode, TwoToFourUpperCaseLettersOrDigits)
{
    struct Case {
        const char* text;
        bool plausible;
    };
    const Case cases[] = {
        {"A320", true}, {"B38M", true}, {"C2", true}, {"H25", true}, {"", false},   {"A", false},
        {"A3201", false}, {"a320", false}, {"A32-", false}, {"A 32", false}, {"Ä32", false}, {"1234", true},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(gf_isPlausibleModelCode(item.text), item.plausible) << item.text;
    }
}

} // namespace
} // namespace hlw
