#include "platform/os/text_conversion.h"

#include <gtest/gtest.h>

#include <string>

namespace hlw::os {
namespace {

TEST(Utf16ToUtf8, ConvertsEveryEncodedLength)
{
    EXPECT_EQ(utf16ToUtf8(u""), std::string{});
    EXPECT_EQ(utf16ToUtf8(u"EHAM"), std::string{"EHAM"});
    EXPECT_EQ(utf16ToUtf8(u"\u00e9"), std::string{"\xC3\xA9"});
    EXPECT_EQ(utf16ToUtf8(u"\u20ac"), std::string{"\xE2\x82\xAC"});
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), std::string{"\xF0\x9F\x98\x80"});
    EXPECT_EQ(utf16ToUtf8(u"\U0010FFFF"), std::string{"\xF4\x8F\xBF\xBF"});
    EXPECT_EQ(utf16ToUtf8(std::u16string_view{u"a\0b", 3}), (std::string{"a\0b", 3}));
}

TEST(Utf16ToUtf8, RejectsUnpairedSurrogates)
{
    const char16_t loneHigh[] = {0xD83D};
    const char16_t loneLow[] = {u'a', 0xDE00};
    const char16_t highThenLetter[] = {0xD83D, u'a'};
    const char16_t reversedPair[] = {0xDE00, 0xD83D};
    EXPECT_FALSE(utf16ToUtf8({loneHigh, 1}));
    EXPECT_FALSE(utf16ToUtf8({loneLow, 2}));
    EXPECT_FALSE(utf16ToUtf8({highThenLetter, 2}));
    EXPECT_FALSE(utf16ToUtf8({reversedPair, 2}));
}

TEST(Utf8ToUtf16, RoundTripsThroughUtf16)
{
    const std::u16string samples[] = {u"", u"Schiphol", u"K\u00f6ln/Bonn", u"\u6771\u4eac", u"\U0001F6EB \U0001F6EC",
                                      u"\U00010000\U0010FFFF\uFFFD\u0080\u07FF\u0800"};
    for (const std::u16string& sample : samples) {
        const auto utf8 = utf16ToUtf8(sample);
        ASSERT_TRUE(utf8);
        EXPECT_EQ(utf8ToUtf16(*utf8), sample);
    }
}

TEST(Utf8ToUtf16, RejectsMalformedSequences)
{
    const char* const invalid[] = {
        "\x80",             // continuation byte without a lead
        "\xC0\xAF",         // overlong '/'
        "\xE0\x80\xAF",     // overlong '/' in three bytes
        "\xF0\x80\x80\xAF", // overlong '/' in four bytes
        "\xC3",             // cut two-byte sequence
        "ab\xE2\x82",       // cut three-byte sequence at the end
        "\xF0\x9F\x98",     // cut four-byte sequence
        "\xC3\x28",         // continuation byte missing
        "\xED\xA0\x80",     // encoded surrogate
        "\xF4\x90\x80\x80", // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\xFF",
    };
    for (const char* text : invalid) {
        EXPECT_FALSE(utf8ToUtf16(text)) << testing::PrintToString(std::string{text});
    }
}

TEST(Windows1252ToUtf8, MapsAsciiLatin1AndTheHighBlock)
{
    EXPECT_EQ(windows1252ToUtf8(""), "");
    EXPECT_EQ(windows1252ToUtf8("KLM 123"), "KLM 123");
    EXPECT_EQ(windows1252ToUtf8("K\xF6ln"), "K\xC3\xB6ln");
    EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(windows1252ToUtf8("\x8A\x9F"), "\xC5\xA0\xC5\xB8");
    EXPECT_EQ(windows1252ToUtf8("\x93quoted\x94"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
    EXPECT_EQ(windows1252ToUtf8("\xFF"), "\xC3\xBF");
}

TEST(Windows1252ToUtf8, KeepsTheUndefinedBytesAsControls)
{
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

TEST(Windows1252ToUtf8, EveryByteGivesValidUtf8)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const std::string utf8 = windows1252ToUtf8(all);
    const auto utf16 = utf8ToUtf16(utf8);
    ASSERT_TRUE(utf16);
    EXPECT_EQ(utf16->size(), 256u);
}

} // namespace
} // namespace hlw::os
