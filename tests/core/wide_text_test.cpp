#include "core/wide_text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace hlw {
namespace {

template <typename Call>
std::string lf_errorText(Call call)
{
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(WideText, ConvertsBothWays)
{
    EXPECT_EQ(wide_to_utf8(u""), "");
    EXPECT_EQ(utf8_to_wide(""), u"");
    EXPECT_EQ(wide_to_utf8(u"M\u00fcnchen \u2708"), "M\xC3\xBCnchen \xE2\x9C\x88");
    EXPECT_EQ(utf8_to_wide("M\xC3\xBCnchen \xE2\x9C\x88"), u"M\u00fcnchen \u2708");
}

TEST(WideText, InvalidInputThrowsTheDocumentedTexts)
{
    const char16_t loneHigh[] = {0xD800};
    EXPECT_EQ(lf_errorText([&] { wide_to_utf8({loneHigh, 1}); }), "wide_to_utf8: invalid UTF-16");
    EXPECT_EQ(lf_errorText([] { utf8_to_wide("\xC0\x80"); }), "utf8_to_wide: invalid UTF-8");
    EXPECT_EQ(lf_errorText([] { utf8_to_wide("abc\xE2\x82"); }), "utf8_to_wide: invalid UTF-8");
}

TEST(WideText, PathsAsUtf8)
{
    EXPECT_EQ(gf_pathToUtf8("/data/K\xC3\xB6ln/parameters.xml"), "/data/K\xC3\xB6ln/parameters.xml");
    EXPECT_EQ(gf_pathToUtf8(std::filesystem::path{}), "");
    EXPECT_EQ(lf_errorText([] { gf_pathToUtf8("/data/K\xF6ln"); }), "gf_pathToUtf8: invalid UTF-8 in path");
}

} // namespace
} // namespace hlw
