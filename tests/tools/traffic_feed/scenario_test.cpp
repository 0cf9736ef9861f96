#include "traffic_feed/feed_options.h"
#include "traffic_feed/scenario.h"

#include <gtest/gtest.h>

#include <sstream>

namespace hlw::feed {
namespace {

Scenario lf_parse(const std::string& text)
{
    std::istringstream input(text);
    return gf_parseScenario(input, "test.txt");
}

TEST(Scenario, ReadsEveryDirective)
{
    const Scenario s = lf_parse("# comment\n"
                                "centre 47.4647 8.5492\n"
                                "duration 120   # two minutes\n"
                                "seed 9\n"
                                "flight hex=4735190 callsign=SWR123 type=A320 reg=HB-JLT from=lhr to=ZRH bearing=90 "
                                "dist=12 alt=5000 track=270 gs=220 vs=-700 interval=2-5 twin=4735191 elev=1416\n"
                                "  fly 30 turn=1.5\n"
                                "  taxi 47.45 8.55 gs=12\n"
                                "  push 47.46 8.56\n"
                                "  hold 20\n"
                                "flight hex=4000001\n"
                                "generate count=5 radius=15 airlines=SWR,EZS types=A320 regprefix=HB- end=100\n"
                                "qnh every=5 values=1013,\"1009\" end=60\n"
                                "inject 10 burst count=400 within=2\n"
                                "inject 12 duplicate count=3\n"
                                "\r\n");
    ASSERT_TRUE(s.centre);
    EXPECT_DOUBLE_EQ(s.centre->lat, 47.4647);
    EXPECT_EQ(*s.duration, 120.0);
    EXPECT_EQ(*s.seed, 9u);
    ASSERT_EQ(s.flights.size(), 2u);
    EXPECT_EQ(s.flights[1].distanceNm, 0.0); // at the centre
    const FlightSpec& f = s.flights[0];
    EXPECT_EQ(f.identity.hexId, 4735190u);
    EXPECT_EQ(f.identity.origin, "lhr"); // sent as written: the receiver upper-cases
    EXPECT_FALSE(f.start);
    EXPECT_EQ(f.distanceNm, 12.0);
    EXPECT_EQ(f.intervalMin, 2.0);
    EXPECT_EQ(f.intervalMax, 5.0);
    EXPECT_EQ(*f.twinHexId, 4735191u);
    EXPECT_EQ(f.elevationFt, 1416.0);
    ASSERT_EQ(f.legs.size(), 4u);
    EXPECT_EQ(f.legs[0].kind, LegKind::fly);
    EXPECT_EQ(*f.legs[0].turnDegPerS, 1.5);
    EXPECT_EQ(f.legs[1].kind, LegKind::taxi);
    EXPECT_EQ(*f.legs[1].groundSpeedKt, 12.0);
    EXPECT_EQ(f.legs[2].kind, LegKind::push);
    EXPECT_FALSE(f.legs[2].groundSpeedKt);
    EXPECT_EQ(f.legs[3].kind, LegKind::hold);
    ASSERT_EQ(s.generators.size(), 1u);
    EXPECT_EQ(s.generators[0].airlines, (std::vector<std::string>{"SWR", "EZS"}));
    ASSERT_EQ(s.qnh.size(), 1u);
    EXPECT_EQ(s.qnh[0].values, (std::vector<std::string>{"1013", "\"1009\""}));
    ASSERT_EQ(s.injections.size(), 2u);
    EXPECT_EQ(s.injections[0].kind, InjectKind::burst);
    EXPECT_EQ(s.injections[0].count, 400);
    EXPECT_EQ(s.injections[1].count, 3);
}

TEST(Scenario, ReadsImperfectDataKeysAndTheApproach)
{
    const Scenario s =
        lf_parse("flight hex=1 type=A320 alt=3000 gs=140 noise=25 gslag=8 gaps=60-100,200-230 dup=4 late=7\n"
                 "approach 52.3 4.73 gs=135\n");
    const FlightSpec& f = s.flights.at(0);
    EXPECT_EQ(f.noiseMetres, 25.0);
    EXPECT_EQ(f.speedLagSeconds, 8.0);
    EXPECT_EQ(f.gaps, (std::vector<std::pair<double, double>>{{60.0, 100.0}, {200.0, 230.0}}));
    EXPECT_EQ(f.duplicateEvery, 4);
    EXPECT_EQ(f.lateEvery, 7);
    ASSERT_EQ(f.legs.size(), 1u);
    EXPECT_EQ(f.legs[0].kind, LegKind::approach);
    EXPECT_EQ(*f.legs[0].groundSpeedKt, 135.0);
    EXPECT_THROW(lf_parse("flight hex=1 dup=-2\n"), ScenarioError);
    EXPECT_THROW(lf_parse("flight hex=1 gslag=-1\n"), ScenarioError);
}

TEST(Scenario, RecordedDatagramsKeepTheirTextByteForByte)
{
    const Scenario s = lf_parse("0.5 traffic TFC,1, VEH ,#3,,\n"
                                "2 qnh {\"QNH\": 1013}\r\n"
                                "3 traffic\n");
    ASSERT_EQ(s.records.size(), 3u);
    EXPECT_EQ(s.records[0].offset, 0.5);
    EXPECT_EQ(s.records[0].text, "TFC,1, VEH ,#3,,");
    EXPECT_EQ(s.records[1].port, RecordPort::qnh);
    EXPECT_EQ(s.records[1].text, "{\"QNH\": 1013}");
    EXPECT_EQ(s.records[2].text, "");
}

TEST(Scenario, ErrorsNameTheFileLineAndProblem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"fly 10", "'fly' before any flight"},
        {"plane hex=1", "unknown directive 'plane'"},
        {"flight callsign=X", "flight needs hex="},
        {"flight hex=5000000 spead=200", "unknown key 'spead'"},
        {"flight hex=5000000 gs=fast", "'fast' is not a number"},
        {"flight hex=5000000 lat=95 lon=4", "position 95,4 out of range"},
        {"flight hex=5000000 lat=52", "lat= and lon= go together"},
        {"flight hex=5000000 interval=5-2", "bad interval '5-2'"},
        {"flight hex=-4", "bad hex id '-4'"},
        {"1.5 udp TFC,1", "unknown record port 'udp'"},
        {"inject 3 storm", "unknown injection 'storm'"},
        {"qnh every=0 values=1013", "qnh needs every= above 0 and values="},
        {"duration -5", "duration needs seconds above 0"},
        {"generate radius=5", "generate needs count= between 1 and 10000"}};
    for (const auto& [line, message] : cases) {
        try {
            lf_parse(std::string("centre 52 4\n") + line + "\n");
            ADD_FAILURE() << "accepted: " << line;
        } catch (const ScenarioError& error) {
            EXPECT_EQ(std::string(error.what()), std::string("test.txt:2: ") + message);
        }
    }
    EXPECT_THROW(gf_readScenario("/nonexistent/scenario.txt"), ScenarioError);
}

TEST(CommandLine, ReadsTheOptions)
{
    const CommandLine line = gf_parseCommandLine({"--scenario", "a.txt", "--traffic-port", "40005", "--qnh-port",
                                                  "40004", "--duration", "0.5", "--centre", "47.46,8.55",
                                                  "--link-port", "10800", "--level", "1", "--reply", "late",
                                                  "--reply-delay", "0.5", "--reconnect", "--stop-on-exit",
                                                  "--no-restamp", "--stamp-offset", "-30", "--send-for", "0.25"});
    EXPECT_EQ(line.scenarioFile, "a.txt");
    EXPECT_EQ(line.options.trafficPort, 40005);
    EXPECT_EQ(line.options.qnhPort, 40004);
    EXPECT_EQ(*line.options.duration, 0.5);
    EXPECT_DOUBLE_EQ(line.options.centre->lon, 8.55);
    EXPECT_TRUE(line.options.link.enabled);
    EXPECT_EQ(line.options.link.port, 10800);
    EXPECT_EQ(line.options.link.level, 1);
    EXPECT_EQ(line.options.link.reply, ReplyMode::late);
    EXPECT_TRUE(line.options.link.reconnect);
    EXPECT_TRUE(line.options.link.stopOnExit);
    EXPECT_FALSE(line.options.restampRecords);
    EXPECT_EQ(line.options.stampOffset, -30.0);
    EXPECT_EQ(*line.options.sendFor, 0.25);
}

TEST(CommandLine, RefusesBadOptions)
{
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--traffic-port", "70000"}, {"--qnh-port", "0"}, {"--reply", "sometimes"}, {"--duration"},
          {"--frobnicate"}, {"--centre", "52"}, {"--duration", "0"}, {"--send-for", "-1"}}) {
        EXPECT_THROW(gf_parseCommandLine(bad), UsageError) << bad[0];
    }
    EXPECT_TRUE(gf_parseCommandLine({"--help"}).help);
    EXPECT_NE(gf_helpText().find("--link-port"), std::string::npos);
}

} // namespace
} // namespace hlw::feed
