#include "core/log.h"
#include "core/version_data.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

using hlw::test::readWholeFile;
using hlw::test::TempDir;

struct VersionCase {
    const char* text;
    VersionData expected;
    const char* logged; // the reason in the log line, or nullptr for none
};

class VersionParsing : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionParsing, GivesTheVersionAndLogsFailures)
{
    const VersionCase& c = GetParam();
    const TempDir dir;
    const auto logFile = dir / "Log.txt";
    gf_startLog(logFile);
    const VersionData version{c.text};
    gf_stopLog();
    EXPECT_EQ(version, c.expected) << version.text();
    const std::string log = readWholeFile(logFile);
    if (c.logged != nullptr) {
        EXPECT_NE(log.find(fmt::format("VersionData exception: {}\n", c.logged)), std::string::npos) << log;
    } else {
        EXPECT_EQ(log.find("VersionData"), std::string::npos) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VersionParsing,
    testing::Values(VersionCase{"12.5.1", {12, 5, 1}, nullptr}, VersionCase{"", {0, 0, 0}, nullptr},
                    VersionCase{"0.0.0", {0, 0, 0}, nullptr}, VersionCase{"012.05.001", {12, 5, 1}, nullptr},
                    VersionCase{"2147483647.0.1", {2147483647, 0, 1}, nullptr},
                    VersionCase{" 12.5.1 ", {}, "invalid version format"},
                    VersionCase{"v12.5.1", {}, "invalid version format"},
                    VersionCase{"12.5.1-beta", {}, "invalid version format"},
                    VersionCase{"12.5", {}, "invalid version format"},
                    VersionCase{"12.5.1.0", {}, "invalid version format"},
                    VersionCase{"-1.5.1", {}, "invalid version format"},
                    VersionCase{"1..2", {}, "invalid version format"},
                    VersionCase{"12.5.1\n", {}, "invalid version format"},
                    VersionCase{"12345678901.5.1", {}, "parse error in version string"},
                    VersionCase{"1.5.2147483648", {}, "parse error in version string"},
                    VersionCase{R"({"major":12,"minor":5})", {12, 5, 0}, nullptr},
                    VersionCase{" \t{\"major\": 1, \"minor\": 2, \"patch\": 3}\n", {1, 2, 3}, nullptr},
                    VersionCase{R"({"major":12.5,"minor":"5","patch":true})", {0, 0, 0}, nullptr},
                    VersionCase{R"({"major":2147483648,"minor":-1,"patch":18446744073709551615})", {}, nullptr},
                    VersionCase{R"({"major":2147483647,"minor":7,"patch":0})", {2147483647, 7, 0}, nullptr},
                    VersionCase{R"({"major":12,)", {}, "invalid version format"},
                    VersionCase{"[12,5,1]", {}, "invalid version format"},
                    VersionCase{"{}", {}, nullptr}, VersionCase{"   ", {}, "invalid version format"}));

TEST(VersionData, ComparesByMajorThenMinorThenPatch)
{
    const VersionData current{"12.5.1"};
    EXPECT_GT(current, VersionData("12.4.9"));
    EXPECT_GT(current, VersionData("11.99.99"));
    EXPECT_LT(current, VersionData("12.5.2"));
    EXPECT_LT(current, VersionData("12.10.0"));
    EXPECT_EQ(current, VersionData("12.5.1"));
    EXPECT_NE(current, VersionData("12.5.0"));
    EXPECT_LT(VersionData{}, VersionData("0.0.1"));
}

TEST(VersionData, PrintsPlainNumbers)
{
    EXPECT_EQ(VersionData("012.05.001").text(), "12.5.1");
    EXPECT_EQ(fmt::format("v{}", VersionData(1, 2, 3)), "v1.2.3");
    EXPECT_EQ(fmt::format("[{:>8}]", VersionData(1, 2, 3)), "[   1.2.3]");
}

TEST(VersionData, TheProgramVersionIsTheProductVersion)
{
    EXPECT_EQ(gf_programVersion(), VersionData(12, 5, 1));
}

} // namespace
} // namespace hlw
