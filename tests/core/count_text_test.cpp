#include "core/count_text.h"
#include "core/wsa_error_text.h"

#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <limits>

namespace hlw {
namespace {

TEST(CountTextTest, PluralSuffixes)
{
    EXPECT_EQ(gf_plural(0), "s");
    EXPECT_EQ(gf_plural(1), "");
    EXPECT_EQ(gf_plural(2), "s");
    EXPECT_EQ(gf_pluralInt(-2), "");
    EXPECT_EQ(gf_pluralInt(0), "s");
    EXPECT_EQ(gf_pluralInt(1), "");
    EXPECT_EQ(gf_pluralInt(3), "s");
    EXPECT_EQ(gf_pluralInt64(1), "");
    EXPECT_EQ(gf_pluralInt64(-1), "");
    EXPECT_EQ(gf_pluralInt64(std::numeric_limits<int64_t>::max()), "s");
}

TEST(CountTextTest, ObjectIdFollowsTheChosenSimulator)
{
    test::FakeRunState runState;
    runState.msfs2020 = true;
    EXPECT_EQ(gf_objectIdText(255), "255");
    runState.msfs2020 = false;
    EXPECT_EQ(gf_objectIdText(255), "ff");
    EXPECT_EQ(gf_objectIdText(0xDEADBEEF), "deadbeef");
}

TEST(CountTextTest, FloatTextShowsADecimalOnlyWhenNeeded)
{
    EXPECT_EQ(gf_floatText(3.0F), "3");
    EXPECT_EQ(gf_floatText(2.5F), "2.5");
    EXPECT_EQ(gf_floatText(-0.5F), "-0.5");
    EXPECT_EQ(gf_floatText(0.0F), "0");
    EXPECT_EQ(gf_floatText(-4.0F), "-4");
}

TEST(CountTextTest, FormatUintUsesTheGivenFormat)
{
    EXPECT_EQ(gf_formatUint("{:04}", 7), "0007");
    EXPECT_EQ(gf_formatUint("id {:X}", 255), "id FF");
    EXPECT_THROW(gf_formatUint("{", 1), fmt::format_error);
}

TEST(CountTextTest, WsaErrorTexts)
{
    EXPECT_EQ(gf_wsaErrorText(10054), "10054 Connection reset by peer");
    EXPECT_EQ(gf_wsaErrorText(10004), "10004 Interrupted system call");
    EXPECT_EQ(gf_wsaErrorText(11004), "11004 No host data of that type was found");
    EXPECT_EQ(gf_wsaErrorText(10040), "10040 Messenger too long");
    EXPECT_EQ(gf_wsaErrorText(5), "5 Unknown errror code");
    EXPECT_EQ(gf_wsaErrorText(10005), "10005 Unknown errror code");
    EXPECT_EQ(gf_wsaErrorText(11005), "11005 Unknown errror code");
}

} // namespace
} // namespace hlw
