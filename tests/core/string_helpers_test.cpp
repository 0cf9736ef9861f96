#include "core/string_helpers.h"

#include <gtest/gtest.h>

#include <ranges>

namespace hlw {
namespace {

using Items = std::vector<std::string>;

TEST(StringHelpers, TrimRemovesTheFourWhiteSpaceCharacters)
{
    EXPECT_EQ(gf_trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(gf_trim(" \t \t"), "");
    EXPECT_EQ(gf_trim(""), "");
    EXPECT_EQ(gf_trim("\va\v"), "\va\v");
}

TEST(StringHelpers, SplitDropsEmptyPiecesAndKeepsOrder)
{
    EXPECT_EQ(gf_split(" a , , b , "), (Items{"a", "b"}));
    EXPECT_EQ(gf_split("c,a,c"), (Items{"c", "a", "c"}));
    EXPECT_EQ(gf_split(""), Items{});
    EXPECT_EQ(gf_split(" , "), Items{});
    EXPECT_EQ(gf_tokenize(std::string_view{" x ,y,, z"} | std::views::split(',')), (Items{"x", "y", "z"}));
}

TEST(StringHelpers, SplitCommaSortsKeepsEmptyPiecesAndRemovesDuplicates)
{
    EXPECT_EQ(gf_splitComma("b, a ,b"), (Items{"a", "b"}));
    EXPECT_EQ(gf_splitComma("b,,a, "), (Items{"", "a", "b"}));
    EXPECT_EQ(gf_splitComma("B,a"), (Items{"B", "a"}));
    EXPECT_EQ(gf_splitComma(""), Items{""});
}

TEST(StringHelpers, TrimCommaListOnlyRewritesTextsWithWhiteSpace)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a,b", "a,b"}, {"a, b", "a,b"}, {" , ", ""}, {"a,,b", "a,,b"}, {"a,\t,b\n", "a,b"}, {"", ""}};
    for (const auto& [input, expected] : cases) {
        std::string text = input;
        gf_trimCommaList(text);
        EXPECT_EQ(text, expected) << input;
    }
}

TEST(StringHelpers, UpperCaseComparison)
{
    EXPECT_TRUE(gf_toUpper(".XML", ".xml"));
    EXPECT_TRUE(gf_toUpper(".XML", ".XmL"));
    EXPECT_FALSE(gf_toUpper(".XML", ".xmls"));
    EXPECT_FALSE(gf_toUpper(".xml", ".xml"));
    EXPECT_TRUE(gf_toUpper("", ""));
    EXPECT_EQ(gf_toUpperChar('z'), 'Z');
    EXPECT_EQ(gf_toUpperChar('1'), '1');
    EXPECT_EQ(gf_toUpperChar('\xE9'), '\xE9');
}

TEST(StringHelpers, PercentRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(gf_percent(1, 3), 33);
    EXPECT_EQ(gf_percent(2, 3), 67);
    EXPECT_EQ(gf_percent(5, 0), 0);
    EXPECT_EQ(gf_percent(5, -2), 0);
    EXPECT_EQ(gf_percent(1, 200), 1);
    EXPECT_EQ(gf_percent(-1, 200), -1);
    EXPECT_EQ(gf_percent(7, 7), 100);
    EXPECT_EQ(gf_percent(std::numeric_limits<int64_t>::max(), 1), std::numeric_limits<int32_t>::max());
}

TEST(StringHelpers, StarTitles)
{
    EXPECT_EQ(gf_starTitle(5, 4, false, false, "abc"), "**** abc ****");
    EXPECT_EQ(gf_starTitle(5, 4, false, false, ""), "**********");
    EXPECT_EQ(gf_starTitle(5, 4, true, true, "abc"), "\n**** abc ****\n");
    EXPECT_EQ(gf_starTitle(4, 4, false, false, "abcdef"), "abcdef");
    EXPECT_EQ(gf_starTitle(5, 4, true, true, "a title too long"), "a title too long\n");
    EXPECT_EQ(gf_starTitle(5, 4, false, false, "1234567"), "**** 1234567 ****");
    EXPECT_EQ(gf_starTitle(5, 4, false, false, "12345678"), "12345678");
    EXPECT_EQ(gf_starTitle(-5, 1, false, false, ""), "");
}

} // namespace
} // namespace hlw
