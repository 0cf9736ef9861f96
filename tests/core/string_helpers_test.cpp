#include "core/string_helpers.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

namespace hlw {
namespace {

using Items = std::vector<std::string>;

TEST(StringHelpers, TrimDropsTheGivenCharactersAtBothEnds)
{
    const std::tuple<std::string_view, std::string_view, std::string_view, std::string_view> cases[] = {
        // text, drop, trimmed, trimmed on the left only
        {" \t a b \r\n", whiteSpace, "a b", "a b \r\n"},
        {" \t \t", whiteSpace, "", ""},
        {"", whiteSpace, "", ""},
        {"\va\v", whiteSpace, "\va\v", "\va\v"},
        {"\v\f a\f\v ", cSpace, "a", "a\f\v "},
        {"= \"x\" =\t", " \t=", "\"x\"", "\"x\" =\t"},
    };
    for (const auto& [text, drop, trimmed, left] : cases) {
        EXPECT_EQ(gf_trimView(text, drop), trimmed) << text;
        EXPECT_EQ(gf_trimLeftView(text, drop), left) << text;
    }
    EXPECT_EQ(gf_trim(" \t a b \r\n"), "a b");
}

TEST(StringHelpers, SplitAtKeepsEveryPieceBetweenSeparators)
{
    const std::tuple<std::string_view, char, std::vector<std::string_view>> cases[] = {
        {"", ',', {""}},
        {"a", ',', {"a"}},
        {"a,b", ',', {"a", "b"}},
        {",", ',', {"", ""}},
        {",a,,b,", ',', {"", "a", "", "b", ""}},
        {"1;2,3;4", ';', {"1", "2,3", "4"}},
    };
    for (const auto& [text, separator, fields] : cases) {
        EXPECT_EQ(gf_splitAt(text, separator), fields) << text;
    }
}

TEST(StringHelpers, SplitDropsEmptyPiecesAndKeepsOrder)
{
    EXPECT_EQ(gf_split(" a , , b , "), (Items{"a", "b"}));
    EXPECT_EQ(gf_split("c,a,c"), (Items{"c", "a", "c"}));
    EXPECT_EQ(gf_split(""), Items{});
    EXPECT_EQ(gf_split(" , "), Items{});
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

TEST(StringHelpers, OnlyAsciiLettersChangeCase)
{
    EXPECT_EQ(gf_toUpperAscii("az AZ 09 _\xC3\xA9\xE9"), "AZ AZ 09 _\xC3\xA9\xE9");
    std::string text = "Fl\xC3\xBCgel-x";
    gf_makeUpperAscii(text);
    EXPECT_EQ(text, "FL\xC3\xBCGEL-X");
    EXPECT_EQ(gf_toLowerChar('A'), 'a');
    EXPECT_EQ(gf_toLowerChar('Z'), 'z');
    EXPECT_EQ(gf_toLowerChar('@'), '@');
    EXPECT_EQ(gf_toLowerChar('['), '[');
    EXPECT_EQ(gf_toUpperChar('`'), '`');
    EXPECT_EQ(gf_toUpperChar('{'), '{');
}

TEST(StringHelpers, ComparisonsIgnoreTheCaseOfAsciiLetters)
{
    const std::tuple<std::string_view, std::string_view, bool, bool, bool> cases[] = {
        // text, other, equal, text starts with other, text contains other
        {"", "", true, true, true},
        {"any", "", false, true, true},
        {"", "a", false, false, false},
        {".xml", ".XmL", true, true, true},
        {".xmls", ".XML", false, true, true},
        {"NORTHWIND-EHAM", "Northwind", false, true, true},
        {"x-northwind", "NORTH", false, false, true},
        {"north", "northwind", false, false, false},
        {"Blue_Delta", "blue delta", false, false, false},
        {"\xC3\xA9", "\xC3\x89", false, false, false},
        {"[@]", "{`}", false, false, false},
    };
    for (const auto& [text, other, equal, startsWith, contains] : cases) {
        EXPECT_EQ(gf_equalNoCase(text, other), equal) << text << " / " << other;
        EXPECT_EQ(gf_startsWithNoCase(text, other), startsWith) << text << " / " << other;
        EXPECT_EQ(gf_containsNoCase(text, other), contains) << text << " / " << other;
    }
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
