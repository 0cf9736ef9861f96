#include "engine/link/link_lines.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace hlw {
namespace {

UserAircraftFix lf_user(double groundSpeedKt)
{
    UserAircraftFix user;
    user.latitude = 47.4647;
    user.longitude = 8.5492;
    user.altitudeFt = 3500.0;
    user.pitchRad = -0.0523;
    user.bankRad = 0.0175;
    user.headingRad = 1.570796;
    user.groundSpeedKt = groundSpeedKt;
    return user;
}

TEST(LinkLines, UserPositionLine)
{
    EXPECT_EQ(gf_userPositionLine(lf_user(250.0)), "Qs121=-5230;1750;1.570796;3500000;250000;0.828415;0.149212");
    EXPECT_EQ(gf_userPositionLine(lf_user(100.0)), "Qs121=-5230;1750;1.570796;3500000;1e+05;0.828415;0.149212");
    EXPECT_EQ(gf_userPositionLine(lf_user(123.4567)), "Qs121=-5230;1750;1.570796;3500000;123456.7;0.828415;0.149212")
        << "the ground speed is not rounded";

    UserAircraftFix level = lf_user(250.0);
    level.pitchRad = -0.000001;
    level.bankRad = 0.05;
    EXPECT_EQ(gf_userPositionLine(level), "Qs121=0;5000;1.570796;3500000;250000;0.828415;0.149212") << "never -0";

    UserAircraftFix nearZero = lf_user(250.0);
    nearZero.latitude = 0.00005;
    nearZero.longitude = 0.00005;
    EXPECT_FALSE(gf_userPositionLine(nearZero));
    nearZero.longitude = 0.0002;
    EXPECT_TRUE(gf_userPositionLine(nearZero));

    for (double UserAircraftFix::*field : {&UserAircraftFix::pitchRad, &UserAircraftFix::groundSpeedKt,
                                           &UserAircraftFix::altitudeFt, &UserAircraftFix::latitude}) {
        UserAircraftFix broken = lf_user(250.0);
        broken.*field = std::numeric_limits<double>::quiet_NaN();
        EXPECT_FALSE(gf_userPositionLine(broken));
        broken.*field = std::numeric_limits<double>::infinity();
        EXPECT_FALSE(gf_userPositionLine(broken));
    }
}

TEST(LinkLines, SimTimeLineFromOneSecondOn)
{
    EXPECT_FALSE(gf_simTimeLine(0));
    EXPECT_FALSE(gf_simTimeLine(-5));
    EXPECT_EQ(gf_simTimeLine(1), "Qs123=1000");
    EXPECT_EQ(gf_simTimeLine(1717000000), "Qs123=1717000000000");
    EXPECT_FALSE(gf_simTimeLine(std::numeric_limits<int64_t>::max())) << "would overflow in milliseconds";
}

TEST(LinkLines, VersionReply)
{
    struct Row {
        std::string reply;
        bool received;
        bool simTime;
        std::string edition;
        bool problem;
    };
    const Row rows[] = {
        {R"({"level":2,"version":"1.2.3"})", true, true, "RT prof edition: 1.2.3", false},
        {R"({"level":1,"version":"1.2.3"})", true, false, "RT stnd edition: 1.2.3", false},
        {R"({"version":"1.2.3"})", true, false, "RT stnd edition: 1.2.3", false},
        {R"({"level":"2","version":"1.2.3"})", true, false, "RT stnd edition: 1.2.3", false},
        {R"({"level":2.0,"version":"1.2.3"})", true, false, "RT stnd edition: 1.2.3", false},
        {R"({"level":2,"version":10})", true, true, "RT prof edition: unknown", false},
        {R"({"level":2})", true, true, "RT prof edition: unknown", false},
        {R"({"level":2,"version":"12345678901234567890123456789"})", true, true,
         "RT prof edition: 12345678901234567890123", false},
        {"{\"level\":1,\"version\":"
         "\"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3"
         "\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
         "\"}",
         true, false,
         "RT stnd edition: "
         "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
         "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
         false},
        {"", false, false, "", false},
        {R"([2,"1.2.3"])", true, false, "", false},
        {R"({"level":2,"versio)", true, false, "", true},
    };
    for (const Row& row : rows) {
        const VersionReply reply = gf_readVersionReply(row.reply);
        EXPECT_EQ(reply.received, row.received) << row.reply;
        EXPECT_EQ(reply.simTime, row.simTime) << row.reply;
        EXPECT_EQ(reply.editionText, row.edition) << row.reply;
        EXPECT_EQ(reply.problem.starts_with("lf_processRTVersion: JSON parse failed: "), row.problem) << row.problem;
    }
}

} // namespace
} // namespace hlw
