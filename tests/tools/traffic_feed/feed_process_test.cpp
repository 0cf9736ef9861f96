#include "core/string_helpers.h"
#include "platform/net/tcp_server.h"
#include "platform/net/udp_receiver.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "traffic_feed/injections.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <chrono>
#include <algorithm>
#include <cmath>
#include <set>
#include <thread>

namespace hlw::feed::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The feed with its output in files of the test's folder.
class FeedProcess : public hlw::test::ChildProcess {
public:
    FeedProcess(std::vector<std::string> arguments, const std::filesystem::path& folder)
        : ChildProcess(lf_withProgram(std::move(arguments)), folder / "feed.out", folder / "feed.err"), folder_(folder)
    {
    }
    std::string output() const { return hlw::test::readWholeFile(folder_ / "feed.out"); }
    std::string errors() const { return hlw::test::readWholeFile(folder_ / "feed.err"); }

private:
    static std::vector<std::string> lf_withProgram(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), HLMR_TRAFFIC_FEED);
        return arguments;
    }

    std::filesystem::path folder_;
};

struct Received {
    Clock::time_point at;
    std::string text;
};

// Collects datagrams until count arrived or nothing came for quiet.
std::vector<Received> lf_collect(net::UdpReceiver& receiver, std::size_t count, std::chrono::milliseconds quiet = 3000ms)
{
    std::vector<Received> all;
    auto lastArrival = Clock::now();
    while (all.size() < count && Clock::now() - lastArrival < quiet) {
        if (receiver.receive().hasData()) {
            all.push_back({Clock::now(), std::string(receiver.datagram())});
            lastArrival = Clock::now();
        }
    }
    return all;
}

std::string lf_field(const std::string& line, std::size_t index)
{
    const std::vector<std::string_view> fields = gf_splitAt(line, ',');
    return index < fields.size() ? std::string(fields[index]) : std::string();
}

double lf_number(const std::string& text)
{
    double value = std::nan("");
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double lf_nowSeconds()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

class TrafficFeedProcess : public ::testing::Test {
protected:
    hlw::test::TempDir dir;
    net::UdpReceiver traffic{0, net::BindScope::loopback, 100ms};
    net::UdpReceiver qnh{0, net::BindScope::loopback, 100ms};

    std::vector<std::string> ports() const
    {
        return {"--traffic-port", std::to_string(traffic.port()), "--qnh-port", std::to_string(qnh.port())};
    }

    std::vector<std::string> with(std::vector<std::string> arguments) const
    {
        for (const std::string& port : ports()) {
            arguments.push_back(port);
        }
        return arguments;
    }
};

TEST_F(TrafficFeedProcess, ReplayKeepsTheRecordedTimingAndStampsNow)
{
    hlw::test::writeWholeFile(dir / "recording.txt",
                              "0.0 traffic T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000000.5,15\n"
                              "0.5 traffic T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000001.0,15\n"
                              "1.0 qnh {\"QNH\":1009}\n"
                              "1.0 traffic T,1,2,3,4,5,6,7,8,9,10,11,12,13,soon,15\n"
                              "1.5 traffic T,1,2,3,4,5,6,7,8,9,10,11,12,13,1717000002.0,15\n");
    FeedProcess feed(with({"--replay", (dir / "recording.txt").string()}), dir.path());
    const std::vector<Received> lines = lf_collect(traffic, 4);
    ASSERT_EQ(feed.waitForExit(5000ms), 0) << feed.errors();
    ASSERT_EQ(lines.size(), 4u);

    const double expected[] = {0.0, 0.5, 1.0, 1.5};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double offset = std::chrono::duration<double>(lines[i].at - lines[0].at).count();
        EXPECT_NEAR(offset, expected[i], 0.15) << "record " << i;
    }
    for (std::size_t i : {0u, 1u, 3u}) {
        EXPECT_NEAR(lf_number(lf_field(lines[i].text, 14)), lf_nowSeconds(), 5.0) << lines[i].text;
        EXPECT_EQ(lf_field(lines[i].text, 15), "15");
    }
    EXPECT_EQ(lines[2].text, "T,1,2,3,4,5,6,7,8,9,10,11,12,13,soon,15");
    const std::vector<Received> pressure = lf_collect(qnh, 1, 500ms);
    ASSERT_EQ(pressure.size(), 1u);
    EXPECT_EQ(pressure[0].text, "{\"QNH\":1009}");
    EXPECT_NE(feed.output().find("sent 4 traffic and 1 QNH datagrams"), std::string::npos) << feed.output();
}

TEST_F(TrafficFeedProcess, SendsTheQnhVariantsInOrderAndAPeriodicSchedule)
{
    hlw::test::writeWholeFile(dir / "qnh.txt", "inject 0 qnh-variants\n"
                                               "qnh every=0.3 values=1011,\"1009\",1012 start=1 end=1.7\n");
    FeedProcess feed(with({"--scenario", (dir / "qnh.txt").string()}), dir.path());
    const std::vector<std::string> variants = gf_qnhVariantDatagrams();
    const std::vector<Received> received = lf_collect(qnh, variants.size() + 3);
    ASSERT_EQ(feed.waitForExit(5000ms), 0) << feed.errors();
    ASSERT_EQ(received.size(), variants.size() + 3);
    for (std::size_t i = 0; i < variants.size(); ++i) {
        EXPECT_EQ(received[i].text, variants[i]);
    }
    EXPECT_EQ(received[variants.size()].text, "{\"QNH\":1011}");
    EXPECT_EQ(received[variants.size() + 1].text, "{\"QNH\":\"1009\"}");
    EXPECT_EQ(received[variants.size() + 2].text, "{\"QNH\":1012}");
}

TEST_F(TrafficFeedProcess, GeneratedFlightsAreWellFormedAndTheFeedEndsAfterItsDuration)
{
    // Generated flights start within their first 5 s, so a 6 s run hears every one of them.
    const auto start = Clock::now();
    FeedProcess feed(with({"--generate", "20", "--duration", "6", "--centre", "47.4647,8.5492"}), dir.path());
    const std::vector<Received> lines = lf_collect(traffic, 1000, 2000ms);
    EXPECT_EQ(feed.waitForExit(5000ms), 0) << feed.errors();
    EXPECT_LT(Clock::now() - start, 9s);
    std::set<std::string> hexIds;
    for (const Received& line : lines) {
        EXPECT_EQ(std::count(line.text.begin(), line.text.end(), ','), 28) << line.text;
        EXPECT_GT(lf_number(lf_field(line.text, 1)), 10000.0);
        EXPECT_LT(std::fabs(lf_number(lf_field(line.text, 2)) - 47.4647), 0.5);
        EXPECT_LT(std::fabs(lf_number(lf_field(line.text, 3)) - 8.5492), 0.6);
        hexIds.insert(lf_field(line.text, 1));
    }
    EXPECT_EQ(hexIds.size(), 20u);
}

TEST_F(TrafficFeedProcess, SendsForTheGivenTimeAndKeepsTheLinkToTheEnd)
{
    // Two flights asked for a sample every 1.2 s, which the feed raises to 1.5 s, from the start to the duration.
    hlw::test::writeWholeFile(dir / "steady.txt", "duration 5\n"
                                                  "flight hex=4000001 callsign=SWR1 type=A320 alt=3000 gs=100 interval=1.2\n"
                                                  "flight hex=4000002 callsign=SWR2 type=A320 alt=4000 gs=100 interval=1.2\n");
    net::TcpServer server("0", net::BindScope::loopback);
    const Clock::time_point started = Clock::now();
    FeedProcess feed(with({"--scenario", (dir / "steady.txt").string(), "--send-for", "2", "--link-port",
                           std::to_string(server.port())}),
                     dir.path());
    ASSERT_EQ(server.acceptClient(5000ms).status, net::AcceptStatus::accepted);
    const std::vector<Received> lines = lf_collect(traffic, 100000, 2000ms);
    EXPECT_EQ(lines.size(), 4u) << "the samples at 0 and 1.5 s";
    EXPECT_LT(lines.back().at - started, 2500ms) << "2 s of datagrams and the start of the process";
    // The datagrams have ended; the link still answers.
    ASSERT_TRUE(server.sendLine("Qs999=version").ok);
    std::string reply;
    ASSERT_EQ(server.receive(reply, 16384, 2000ms).status, net::ReceiveStatus::data);
    EXPECT_EQ(nlohmann::json::parse(reply).at("level"), 2);
    EXPECT_EQ(feed.waitForExit(5000ms), 0) << feed.errors();
    EXPECT_GE(Clock::now() - started, 4500ms) << "the feed ran to its duration";
}

TEST_F(TrafficFeedProcess, BadUsageEndsWithStatusTwo)
{
    FeedProcess unknown(with({"--frobnicate"}), dir.path());
    EXPECT_EQ(unknown.waitForExit(5000ms), 2);
    EXPECT_NE(unknown.errors().find("unknown option '--frobnicate'"), std::string::npos);
    hlw::test::writeWholeFile(dir / "open.txt", "flight hex=4000000 callsign=X1 type=A320 alt=5000 gs=250\n");
    FeedProcess openEnded(with({"--scenario", (dir / "open.txt").string()}), dir.path());
    EXPECT_EQ(openEnded.waitForExit(5000ms), 2);
}

// The link: a test server in the program's place.
struct HandshakeCase {
    const char* mode;
    const char* expectation; // object, late, partial, none, empty, broken, array, closed
};

class TrafficFeedHandshake : public TrafficFeedProcess, public ::testing::WithParamInterface<HandshakeCase> {};

TEST_P(TrafficFeedHandshake, AnswersTheVersionRequestInTheChosenWay)
{
    net::TcpServer server("0", net::BindScope::loopback);
    FeedProcess feed(with({"--link-port", std::to_string(server.port()), "--level", "2", "--version", "9.8.7",
                           "--reply", GetParam().mode, "--reply-delay", "0.8", "--duration", "4"}),
                     dir.path());
    ASSERT_EQ(server.acceptClient(5000ms).status, net::AcceptStatus::accepted);
    ASSERT_TRUE(server.sendLine("Qs999=version").ok);
    const auto asked = Clock::now();
    std::string reply;
    const std::string expectation = GetParam().expectation;
    const bool delayed = expectation == "late" || expectation == "partial";
    const net::ReceiveResult first = server.receive(reply, 16384, expectation == "late" ? 400ms : 2000ms);
    if (expectation == "none" || expectation == "late") {
        EXPECT_EQ(first.status, net::ReceiveStatus::timedOut);
    } else {
        ASSERT_EQ(first.status, expectation == "closed" ? net::ReceiveStatus::closed : net::ReceiveStatus::data);
    }
    if (delayed) {
        EXPECT_FALSE(nlohmann::json::accept(reply)) << reply;
        std::string rest;
        ASSERT_EQ(server.receive(rest, 16384, 2000ms).status, net::ReceiveStatus::data);
        EXPECT_GE(Clock::now() - asked, 700ms);
        reply += rest;
    }
    if (expectation == "object" || delayed) {
        const nlohmann::json json = nlohmann::json::parse(reply);
        EXPECT_EQ(json.at("level"), 2);
        EXPECT_EQ(json.at("version"), "9.8.7");
    }
    if (!reply.empty()) {
        EXPECT_EQ(nlohmann::json::accept(reply), expectation != "broken") << reply;
        EXPECT_EQ(nlohmann::json::parse(reply, nullptr, false).is_array(), expectation == "array") << reply;
    }
    EXPECT_EQ(feed.stop(), 0) << feed.errors();
}

INSTANTIATE_TEST_SUITE_P(Modes, TrafficFeedHandshake,
                         ::testing::Values(HandshakeCase{"normal", "object"}, HandshakeCase{"late", "late"},
                                           HandshakeCase{"partial", "partial"}, HandshakeCase{"none", "none"},
                                           HandshakeCase{"empty", "closed"}, HandshakeCase{"broken", "broken"},
                                           HandshakeCase{"array", "array"}, HandshakeCase{"drop", "closed"}),
                         [](const auto& modeInfo) { return std::string(modeInfo.param.mode); });

TEST_F(TrafficFeedProcess, ChecksTheLinkLinesAndFollowsTheUserPosition)
{
    hlw::test::writeWholeFile(dir / "follow.txt",
                              "duration 10\n"
                              "flight hex=4000001 callsign=SWR123 type=A320 bearing=0 dist=0 alt=5000 gs=200 start=2.5\n");
    net::TcpServer server("0", net::BindScope::loopback);
    FeedProcess feed(with({"--scenario", (dir / "follow.txt").string(), "--link-port", std::to_string(server.port()),
                           "--stop-on-exit", "--link-log", (dir / "link.log").string()}),
                     dir.path());
    ASSERT_EQ(server.acceptClient(5000ms).status, net::AcceptStatus::accepted);
    ASSERT_TRUE(server.sendLine("Qs999=version").ok);
    std::string reply;
    ASSERT_EQ(server.receive(reply, 16384, 2000ms).status, net::ReceiveStatus::data);
    ASSERT_TRUE(server.sendLine("Qs121=-5230;1750;1.570796;3500000;250000;0.828415;0.149212").ok);
    ASSERT_TRUE(server.sendLine("Qs123=1717000000000").ok);
    ASSERT_TRUE(server.sendLine("Qs121=-0;1750;1.570796;3500000;250000;0.828415;0.149212").ok);
    ASSERT_TRUE(server.sendText("Qs121=0;0;1.570796;3500000;250000;0.828415;0.149212\n").ok);

    const std::vector<Received> lines = lf_collect(traffic, 1, 5000ms);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lf_number(lf_field(lines[0].text, 2)), 47.4647, 0.001) << lines[0].text;
    EXPECT_NEAR(lf_number(lf_field(lines[0].text, 3)), 8.5492, 0.001) << lines[0].text;

    ASSERT_TRUE(server.sendLine("exit").ok);
    EXPECT_EQ(feed.waitForExit(5000ms), 3) << "bad lines make the status 3; " << feed.errors();
    const std::string log = hlw::test::readWholeFile(dir / "link.log");
    EXPECT_NE(log.find(" connected 127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find(" request Qs999=version"), std::string::npos) << log;
    EXPECT_NE(log.find(R"( reply {"level":2,"version":"1.2.3"})"), std::string::npos) << log;
    EXPECT_NE(log.find(" Qs121 Qs121=-5230;1750;"), std::string::npos) << log;
    EXPECT_NE(log.find(" Qs123 Qs123=1717000000000"), std::string::npos) << log;
    EXPECT_NE(log.find(" Qs121-bad (pitch: negative zero '-0') Qs121=-0;"), std::string::npos) << log;
    EXPECT_NE(log.find(" bad (line without \\r\\n) Qs121=0;0;"), std::string::npos) << log;
    EXPECT_NE(log.find(" exit exit"), std::string::npos) << log;
    EXPECT_NE(feed.output().find("Qs121 1 ok 1 bad, Qs123 1 ok 0 bad, 1 exit"), std::string::npos) << feed.output();
}

TEST_F(TrafficFeedProcess, LevelOneTakesOnlyTheFirstSimulatorTime)
{
    net::TcpServer server("0", net::BindScope::loopback);
    FeedProcess feed(with({"--link-port", std::to_string(server.port()), "--level", "1", "--duration", "10",
                           "--stop-on-exit"}),
                     dir.path());
    ASSERT_EQ(server.acceptClient(5000ms).status, net::AcceptStatus::accepted);
    ASSERT_TRUE(server.sendLine("Qs999=version").ok);
    std::string reply;
    ASSERT_EQ(server.receive(reply, 16384, 2000ms).status, net::ReceiveStatus::data);
    EXPECT_EQ(nlohmann::json::parse(reply).at("level"), 1);
    ASSERT_TRUE(server.sendLine("Qs123=1717000000000").ok);
    ASSERT_TRUE(server.sendLine("Qs123=1717000005000").ok);
    ASSERT_TRUE(server.sendLine("exit").ok);
    EXPECT_EQ(feed.waitForExit(5000ms), 3);
    EXPECT_NE(feed.output().find("Qs123 1 ok 1 bad"), std::string::npos) << feed.output();
}

TEST_F(TrafficFeedProcess, DropsTheLinkOnALineWithoutEndOrAfterItsTimeAndReconnects)
{
    net::TcpServer server("0", net::BindScope::loopback);
    FeedProcess feed(with({"--link-port", std::to_string(server.port()), "--drop-after", "0.5", "--reconnect",
                           "--duration", "10", "--stop-on-exit", "--link-log", (dir / "link.log").string()}),
                     dir.path());
    std::string text;
    for (const bool longLine : {true, false}) {
        ASSERT_EQ(server.acceptClient(5000ms).status, net::AcceptStatus::accepted);
        ASSERT_TRUE(!longLine || server.sendText(std::string(20000, 'Q')).ok);
        // Closed, or reset when the feed left bytes unread.
        const net::ReceiveStatus ended = server.receive(text, 16384, 3000ms).status;
        EXPECT_TRUE(ended == net::ReceiveStatus::closed || ended == net::ReceiveStatus::failed) << static_cast<int>(ended);
        server.dropClient();
    }
    ASSERT_EQ(server.acceptClient(5000ms).status, net::AcceptStatus::accepted);
    ASSERT_TRUE(server.sendLine("exit").ok);
    EXPECT_EQ(feed.waitForExit(5000ms), 3) << feed.errors();
    EXPECT_NE(feed.output().find("link: 3 connections"), std::string::npos) << feed.output();
    EXPECT_NE(feed.errors().find("line over 16384 bytes without a line end; the link is dropped"), std::string::npos)
        << feed.errors();
    EXPECT_NE(hlw::test::readWholeFile(dir / "link.log").find(" bad (line over 16384 bytes"), std::string::npos);
}

} // namespace
} // namespace hlw::feed::test
