#include "engine/intake/live_traffic_readers.h"

#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "platform/net/udp_receiver.h"
#include "platform/net/udp_sender.h"
#include "settings/catalogue.h"
#include "support/fake_steady_time.h"
#include "support/log_capture.h"
#include "traffic_feed/injections.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// Around Zurich, where the example line of samples/scenarios/README.md flies.
constexpr LatLon centre{47.4582, 8.5555};
constexpr std::string_view exampleLine = "TFC,4735190,47.4582,8.5555,3250,-700,,137.5,165,SWR123,A320,HB-JLT,LHR,ZRH,"
                                         "1717000000.5,,,adsb_icao,,,171,,,-2.5,,140.2,,,A3";

class TrafficReadersTest : public ::testing::Test {
protected:
    TrafficReadersTest()
    {
        gf_resetRunFlags();
        userClosing.store(false);
        gf_resetMessageLine();
        rtOnThisPc.store(true);
        rangeNm.store(40.0);
        settings::airborneOnly.set(false);
        queue.setRunning(true);
        readers.setRangeCentre(centre.lat, centre.lon);
    }
    ~TrafficReadersTest() override
    {
        readers.stop();
        readers.join();
        gf_resetRunFlags();
        rtOnThisPc.store(false);
    }

    // Sends datagrams to the traffic reader and waits until it has received them all.
    void sendTraffic(const std::vector<std::string>& datagrams)
    {
        const uint64_t before = readers.counts().trafficDatagrams;
        net::UdpSender sender("127.0.0.1", readers.trafficPort());
        for (const std::string& datagram : datagrams) {
            ASSERT_TRUE(sender.send(datagram).ok);
        }
        ASSERT_TRUE(
            test::gf_eventually([&] { return readers.counts().trafficDatagrams >= before + datagrams.size(); }));
        // The last one is handled once the next receive has begun; the counts below settle right after.
        ASSERT_TRUE(test::gf_eventually([&] {
            const IntakeCounts counts = readers.counts();
            return counts.traffic.queued + counts.traffic.droppedTotal() >= counts.trafficDatagrams;
        }));
    }
    void sendQnh(const std::string& datagram)
    {
        const uint64_t before = readers.counts().qnhDatagrams;
        net::UdpSender sender("127.0.0.1", readers.qnhPort());
        ASSERT_TRUE(sender.send(datagram).ok);
        ASSERT_TRUE(test::gf_eventually([&] { return readers.counts().qnhDatagrams > before; }));
        // Handling follows the count; the next datagram or the checks wait for its effects.
        std::this_thread::sleep_for(5ms);
    }
    StatusValues status() const { return board.snapshot(); }

    test::LogCapture log;
    test::FakeSteadyTime time;
    StatusBoard board;
    TrafficQueue queue{time};
    ResetRegistry resets;
    LiveTrafficReaders readers{queue, board, resets, time, TrafficReaderOptions{0, 0, 1000ms}};
};

TEST_F(TrafficReadersTest, ARepeatedDatagramIsSkippedOnlyWhenListeningOnEveryInterface)
{
    readers.startTrafficReader(true);
    sendTraffic({std::string(exampleLine), std::string(exampleLine)});
    EXPECT_EQ(readers.counts().traffic.queued, 2U) << "on 127.0.0.1 every datagram is handled";
    readers.stop();
    readers.join();
    resets.runAll();
    queue.clear();

    readers.startTrafficReader(false);
    sendTraffic({std::string(exampleLine), std::string(exampleLine), std::string(exampleLine)});
    const IntakeCounts counts = readers.counts();
    EXPECT_EQ(counts.trafficDatagrams, 3U) << "every datagram counts for liveness";
    EXPECT_EQ(counts.traffic.queued, 1U);
    EXPECT_EQ(counts.traffic.dropped[static_cast<std::size_t>(LineDrop::repeated)], 2U);
    EXPECT_EQ(queue.counts().size, 1U);
    EXPECT_EQ(queue.pop()->position.dueTick, 3000);
}

TEST_F(TrafficReadersTest, QnhDatagramsSetEveryHolderTogether)
{
    readers.startQnhReader();
    ASSERT_TRUE(test::gf_eventually([&] { return status().qnhReader == ReaderLamp::receiving; }));
    struct Step {
        std::string datagram;
        int32_t qnh;
        uint64_t published; // in total
    };
    const Step steps[] = {
        {feed::gf_qnhDatagram("2992"), 1013, 1},        {feed::gf_qnhDatagram("1013.6"), 1014, 2},
        {feed::gf_qnhDatagram("1013.6"), 1014, 2},      {feed::gf_qnhDatagram("850"), 900, 3},
        {feed::gf_qnhDatagram("\"1009\""), 1009, 4},    {feed::gf_qnhDatagram("\"abc\""), 1009, 4},
        {"{}", 1009, 4},                                {feed::gf_qnhDatagram("1013"), 1013, 5},
        {feed::gf_qnhDatagram("1013"), 1013, 6},
    };
    for (const Step& step : steps) {
        sendQnh(step.datagram);
        ASSERT_TRUE(test::gf_eventually([&] { return readers.counts().qnh.published == step.published; }))
            << step.datagram;
        EXPECT_EQ(readers.qnh(), step.qnh) << step.datagram;
        EXPECT_EQ(status().qnh, step.qnh) << step.datagram;
    }
    ASSERT_TRUE(test::gf_eventually([&] { return readers.counts().qnh.refused == 2; }));
    EXPECT_THAT(log.text(), HasSubstr("==> QNH string parse error: abc in {\"QNH\":\"abc\"}\n"));
    EXPECT_THAT(log.text(), HasSubstr("no QNH {}\n"));

    resets.runAll();
    EXPECT_EQ(readers.qnh(), 1013);
    EXPECT_EQ(status().qnh, 1013);
}

// The feed's bad lines, a ground vehicle and an oversize datagram: each is dropped or logged, errors at most once a
// minute, the reader goes on, and every datagram is accounted for.
TEST_F(TrafficReadersTest, BadDatagramsNeverStopTheReader)
{
    readers.startTrafficReader(true);
    std::vector<std::string> lines = feed::gf_badTrafficLines({centre.lat, centre.lon}, 1717000000.0);
    lines.push_back(feed::gf_vehicleLine({centre.lat, centre.lon}, 1717000000.0));
    lines.push_back(std::string(UdpReaderThread::bufferSize, 'x'));
    lines.push_back(lines.front());
    lines.push_back(feed::gf_validSampleLine({centre.lat, centre.lon}, 1717000001.0));
    sendTraffic(lines);
    const IntakeCounts counts = readers.counts();
    EXPECT_EQ(counts.trafficDatagrams, lines.size());
    EXPECT_EQ(counts.traffic.queued + counts.traffic.droppedTotal(), lines.size());
    EXPECT_EQ(counts.traffic.queued, 1U);
    for (const auto& [drop, count] :
         {std::pair{LineDrop::vehicle, 1U}, {LineDrop::shortLine, 3U}, {LineDrop::oversize, 1U}}) {
        EXPECT_EQ(counts.traffic.dropped[static_cast<std::size_t>(drop)], count) << gf_lineDropName(drop);
    }
    EXPECT_EQ(readers.latestTimestamp(), 1717000001.0);
    EXPECT_EQ(gf_stopDecision().reason, ExitReason::notYetSet);
    const std::string logged = log.text();
    EXPECT_THAT(logged, HasSubstr("buffer overrun: 16384 bytes\n"));
    EXPECT_THAT(logged, HasSubstr("exception in processLineSub: hexid incorrectabc\n"));
    EXPECT_THAT(logged, HasSubstr("exception in processLineSub: 'EGLL' FixedCode: invalid string (length/charset)\n"));
    EXPECT_EQ(log.count("exception in processLineSub: invalid lalo: 0.000050,-0.000050"), 1U);
    EXPECT_EQ(log.count("Traffic line with fewer than 29 fields dropped"), 1U);
    time.advance(61s);
    sendTraffic({lines.front()});
    // The reader counts a dropped line before it writes the line's problem.
    EXPECT_TRUE(test::gf_eventually([&] {
        return log.text().find("invalid lalo: 0.000050,-0.000050\n          (1 more since last logged)\n") !=
               std::string::npos;
    })) << log.text();
}

// The first-traffic wait reads the latest timestamp: a line refused after its timestamp passed still moves it, a
// timestamp that fails its own check never does.
TEST_F(TrafficReadersTest, ALineRefusedAfterItsTimestampStillMovesTheLatestTimestamp)
{
    readers.startTrafficReader(true);
    const std::string line(exampleLine);
    const auto withField = [&line](std::size_t index, const std::string& value) {
        std::vector<std::string> fields;
        for (std::size_t start = 0;;) {
            const std::size_t comma = line.find(',', start);
            fields.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
        fields.at(index) = value;
        return fmt::format("{}", fmt::join(fields, ","));
    };
    sendTraffic({withField(2, "91.5")});
    EXPECT_EQ(readers.latestTimestamp(), 1717000000.5);
    EXPECT_EQ(readers.counts().traffic.queued, 0U);
    for (const char* timestamp : {"nan", "4102444801", "x1717000099"}) {
        sendTraffic({withField(14, timestamp)});
    }
    EXPECT_EQ(readers.latestTimestamp(), 1717000000.5);
    sendTraffic({withField(14, "1717000042")});
    EXPECT_EQ(readers.latestTimestamp(), 1717000042.0);
}

TEST_F(TrafficReadersTest, APortInUseStopsTheRunWithReaderErrorNamingThePort)
{
    net::UdpReceiver taken(0, net::BindScope::loopback);
    ResetRegistry ownResets;
    LiveTrafficReaders blocked(queue, board, ownResets, time, TrafficReaderOptions{taken.port(), 0, 1000ms});
    blocked.startTrafficReader(true);
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::readerError, 15}));
    EXPECT_EQ(gf_messageLineTexts().message,
              fmt::format("The Traffic Reader has stopped with error: bind to stream socket failed, error: 98 Address "
                          "already in use (UDP port {})",
                          taken.port()));
    EXPECT_EQ(status().trafficReader, ReaderLamp::notRunning);
}

TEST_F(TrafficReadersTest, AStopEndsBothReadersWithinAHundredMilliseconds)
{
    readers.startQnhReader();
    readers.startTrafficReader(true);
    ASSERT_TRUE(test::gf_eventually([&] { return status().trafficReader == ReaderLamp::receiving; }));
    sendTraffic({std::string(exampleLine)});
    const auto start = std::chrono::steady_clock::now();
    readers.stop();
    readers.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    readers.join();
    EXPECT_EQ(log.count("Traffic Reader: "), 1U) << "one summary per run";
    EXPECT_EQ(status().trafficReader, ReaderLamp::notRunning);
    EXPECT_EQ(status().qnhReader, ReaderLamp::notRunning);
    const std::string logged = log.text();
    EXPECT_THAT(logged, HasSubstr("          QNH Reader connected\n"));
    EXPECT_THAT(logged, HasSubstr("Traffic Reader has stopped\n"));
    EXPECT_THAT(logged, HasSubstr("QNH Reader has stopped\n"));
    EXPECT_THAT(logged, HasSubstr("          Traffic Reader disconnected\n"));
    EXPECT_THAT(
        logged,
        HasSubstr("Traffic Reader: 1 datagrams received, 1 queued, 0 dropped; queue high-water mark 1, 0 oldest "
                  "records dropped from the full queue\n"));
    EXPECT_EQ(gf_stopDecision().reason, ExitReason::notYetSet) << "a stop is no reader error";
}

// A burst that the worker does not take from the queue: the full queue drops its oldest records, each alert gives
// the drops since the one before, and the run's summary line gives them all.
TEST_F(TrafficReadersTest, RecordsDroppedByTheFullQueueAreCountedInTheAlertsAndTheSummary)
{
    readers.startTrafficReader(true);
    int index = 0;
    const auto sendBurst = [&](std::size_t count) {
        // In slices the socket's buffer holds, so that no datagram is lost on the way.
        for (std::size_t sent = 0; sent < count;) {
            std::vector<std::string> slice;
            for (; slice.size() < 50 && sent < count; ++sent, ++index) {
                slice.push_back(feed::gf_burstLine(index, {centre.lat, centre.lon}, 1717000000.0 + index));
            }
            sendTraffic(slice);
        }
    };
    sendBurst(TrafficQueue::capacity + 400);
    const uint64_t queuedInBurst = readers.counts().traffic.queued;
    ASSERT_GT(queuedInBurst, TrafficQueue::capacity);
    const uint64_t droppedInBurst = queuedInBurst - TrafficQueue::capacity;
    EXPECT_EQ(log.count("==> Traffic queue full: the oldest record was dropped (1 since the last alert, 1 so far)"),
              1U);

    time.advance(61s);
    sendBurst(3);
    const uint64_t dropped = readers.counts().traffic.queued - TrafficQueue::capacity;
    EXPECT_EQ(dropped, droppedInBurst + 3);
    EXPECT_EQ(queue.counts().overflowDropped, dropped);
    EXPECT_THAT(log.text(), HasSubstr(fmt::format("the oldest record was dropped ({} since the last alert, {} so far)",
                                                  droppedInBurst, droppedInBurst + 1)));
    readers.stop();
    readers.join();
    EXPECT_THAT(log.text(), HasSubstr(fmt::format(" {} queued, ", readers.counts().traffic.queued)));
    EXPECT_THAT(log.text(),
                HasSubstr(fmt::format("queue high-water mark {}, {} oldest records dropped from the full queue\n",
                                      TrafficQueue::capacity, dropped)));
}

TEST_F(TrafficReadersTest, WatchdogShowsStalledAndReceivingReaders)
{
    readers.startQnhReader();
    readers.startTrafficReader(true);
    ASSERT_TRUE(test::gf_eventually([&] { return status().trafficReader == ReaderLamp::receiving; }));
    readers.watchdog();
    EXPECT_EQ(status().trafficReader, ReaderLamp::receiving) << "nothing while the live-traffic source is not ready";

    board.update([](StatusValues& values) { values.liveSourceReady = true; });
    readers.watchdog();
    EXPECT_EQ(status().trafficReader, ReaderLamp::stalled);
    EXPECT_EQ(status().qnhReader, ReaderLamp::stalled);

    sendTraffic({std::string(exampleLine)});
    EXPECT_EQ(status().trafficReader, ReaderLamp::stalled) << "a datagram alone does not turn the lamp";
    readers.watchdog();
    EXPECT_EQ(status().trafficReader, ReaderLamp::receiving);
    EXPECT_EQ(status().qnhReader, ReaderLamp::stalled);

    sendQnh(feed::gf_qnhDatagram("1020"));
    ASSERT_TRUE(test::gf_eventually([&] { return status().qnhReader == ReaderLamp::receiving; }))
        << "a new QNH turns its lamp back at once";
    readers.watchdog();
    EXPECT_EQ(status().trafficReader, ReaderLamp::stalled);
    EXPECT_EQ(status().qnhReader, ReaderLamp::receiving);
    readers.watchdog();
    EXPECT_EQ(status().qnhReader, ReaderLamp::stalled);
}

// The run reset and the link's reset while both readers receive, with callsigns being collected.
TEST_F(TrafficReadersTest, ResetWhileBothReadersReceive)
{
    readers.startQnhReader();
    readers.startTrafficReader(true);
    std::atomic<bool> sending{true};
    const auto sendLoop = [&](uint16_t port, const std::vector<std::string>& datagrams) {
        net::UdpSender sender("127.0.0.1", port);
        while (sending.load()) {
            for (const std::string& datagram : datagrams) {
                sender.send(datagram);
            }
            std::this_thread::sleep_for(1ms);
        }
    };
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) {
        lines.push_back(feed::gf_burstLine(i, {centre.lat, centre.lon}, 1717000000.0 + i));
    }
    std::thread traffic(sendLoop, readers.trafficPort(), lines);
    std::thread qnh(sendLoop, readers.qnhPort(), std::vector<std::string>{feed::gf_qnhDatagram("1020"),
                                                                          feed::gf_qnhDatagram("1005")});
    std::size_t heard = 0;
    const auto until = std::chrono::steady_clock::now() + 300ms;
    for (int round = 0; std::chrono::steady_clock::now() < until; ++round) {
        readers.collectCallsigns();
        // The worker's filter values change while the reader copies them.
        readers.setRangeCentre(centre.lat + 0.001 * (round % 3), centre.lon);
        readers.setParkAirport(round % 2 == 0 ? std::optional<ParkAirportFix>{}
                                              : std::optional<ParkAirportFix>{ParkAirportFix{centre, 1416.0}});
        std::this_thread::sleep_for(2ms);
        heard += queue.takeCallsigns().size();
        if (round % 2 == 0) {
            resets.runAll();
        } else {
            readers.resetState();
        }
        for (std::size_t queued = queue.counts().size; queued > 0 && queue.pop(); --queued) {
        }
    }
    sending.store(false);
    traffic.join();
    qnh.join();
    EXPECT_GT(heard, 0U);
    EXPECT_EQ(gf_stopDecision().reason, ExitReason::notYetSet);
}

TEST(ReaderPorts, TheEnvironmentMovesAPortOnlyToAValidNumber)
{
    const std::pair<const char*, uint16_t> rows[] = {
        {"", 49005}, {"50123", 50123}, {"0", 49005}, {"65536", 49005}, {"12ab", 49005}, {"-1", 49005}};
    for (const auto& [value, port] : rows) {
        ::setenv("HLMR_TEST_PORT", value, 1);
        EXPECT_EQ(gf_portFromEnvironment("HLMR_TEST_PORT", 49005), port) << value;
    }
    ::unsetenv("HLMR_TEST_PORT");
    EXPECT_EQ(gf_portFromEnvironment("HLMR_TEST_PORT", 49004), 49004);
}

} // namespace
} // namespace hlw
