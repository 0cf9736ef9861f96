// The code tables, plausible model codes from live traffic, and the names of the aircraft categories.
#include "refdata/code_table.h"

#include "core/log.h"
#include "refdata/category_name.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace hlw {
namespace {

// Seeding, lookups and known codes through the reference database are the database's tests; here the rest.
TEST(CodeTable, CodesAreExactTextsWhoseEntriesNeverMove)
{
    CodeTable table("test");
    EXPECT_EQ(table.intern("DLH"), 1);
    EXPECT_EQ(table.intern("dlh"), 2);
    EXPECT_EQ(table.intern("DLH "), 3);
    EXPECT_EQ(table.find("KLM"), std::nullopt);
    EXPECT_EQ(table.size(), 4U) << "find never adds";
    EXPECT_EQ(table.text(4), "");
    const std::string& held = table.text(2);
    for (int i = 0; i < 20000; ++i) {
        table.intern(fmt::format("X{}", i));
    }
    EXPECT_EQ(&held, &table.text(2));
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
    EXPECT_EQ(table.findFix("A32N"), "A20N");
    EXPECT_EQ(table.findFix("A20N"), std::nullopt);
    EXPECT_EQ(table.find("A32N"), std::nullopt) << "before activation a wrong code is an ordinary new code";
    table.activateFixes();
    const std::size_t before = table.size();
    EXPECT_EQ(table.intern("A32N"), a20n);
    EXPECT_EQ(table.find("A32N"), a20n);
    EXPECT_EQ(table.size(), before);
    EXPECT_EQ(table.intern("B38M"), 2) << "a code interned before activation keeps its own index";
    // The correction is not interned yet: the wrong code is added under its own text and keeps that index.
    const uint16_t wrong = table.intern("C68A");
    EXPECT_EQ(table.text(wrong), "C68A");
    EXPECT_NE(table.intern("C680"), wrong);
    EXPECT_EQ(table.intern("C68A"), wrong);
    EXPECT_EQ(table.fixes().size(), 3U);

    table.setKnownCodes({"A320", ""});
    EXPECT_FALSE(table.isKnown("a320") || table.isKnown("A20N") || table.isKnown(""));
    EXPECT_EQ(table.knownCodes().size(), 2U);
    table.reset();
    EXPECT_EQ(table.size(), 1U);
    EXPECT_FALSE(table.isKnown("A320"));
    EXPECT_EQ(table.findFix("A32N"), std::nullopt);
    EXPECT_EQ(table.intern("A32N"), 1);
}

// A full table must never wrap an index onto an older code: a new code gets the empty code, logged once.
TEST(CodeTable, FullTableAnswersTheEmptyCodeAndLogsOnce)
{
    test::TempDir dir;
    gf_startLog(dir / "Log.txt");
    CodeTable table("model");
    for (std::size_t i = 1; i < CodeTable::maxEntries; ++i) {
        ASSERT_EQ(table.intern(fmt::format("{:05}", i)), i);
    }
    EXPECT_EQ(table.intern("NEW1"), 0);
    EXPECT_EQ(table.find("NEW1"), std::nullopt);
    EXPECT_EQ(table.size(), CodeTable::maxEntries);
    EXPECT_EQ(table.intern("65535"), 65535);
    gf_stopLog();
    const std::string log = test::readWholeFile(dir / "Log.txt");
    EXPECT_NE(log.find("==> model code table full\n"), std::string::npos);
    EXPECT_EQ(log.find("code table full"), log.rfind("code table full"));
}

TEST(CodeTable, PlausibleModelCodesAndCategoryNames)
{
    for (const char* plausible : {"A320", "B38M", "C2", "H25", "1234", "TBM9", "ZZ90"}) {
        EXPECT_TRUE(gf_isPlausibleModelCode(plausible)) << plausible;
    }
    for (const char* garbled : {"", "A", "A3201", "a320", "A32-", "A 32",
                                "\xC3\x84"
                                "32",
                                "A32:", "@320", "[A0"}) {
        EXPECT_FALSE(gf_isPlausibleModelCode(garbled)) << garbled;
    }
    // The names themselves are shown by the category lookups' suite.
    EXPECT_THROW(gf_categoryName(static_cast<AircraftCategory>(6)), std::out_of_range);
    EXPECT_THROW(gf_categoryName(static_cast<AircraftCategory>(-1)), std::out_of_range);
}

} // namespace
} // namespace hlw
