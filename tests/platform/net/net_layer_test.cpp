#include "platform/net/socket_error.h"
#include "platform/net/socket_helpers.h"
#include "platform/net/tcp_client.h"
#include "platform/net/tcp_server.h"
#include "platform/net/udp_receiver.h"
#include "platform/net/udp_sender.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <future>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hlw::net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A server on a free loopback port with one connected test client.
struct ConnectedPair {
    explicit ConnectedPair(std::chrono::milliseconds sendTimeout = TcpServer::kDefaultSendTimeout)
        : server("0", BindScope::loopback, sendTimeout)
    {
        EXPECT_TRUE(client.connect("127.0.0.1", server.port(), 2000ms));
        EXPECT_EQ(server.acceptClient(2000ms).status, AcceptStatus::accepted);
    }

    TcpServer server;
    TcpClient client;
};

std::string lf_receiveAll(TcpClient& client, std::size_t wanted)
{
    std::string all;
    std::string part;
    // Room for all that is still wanted: a loaded machine may hold more in the socket than any fixed bound, and a
    // receive that fills its bound is an overrun.
    while (all.size() < wanted && client.receive(part, wanted - all.size() + 1, 2000ms).hasData()) {
        all += part;
    }
    return all;
}

// Sends until the gone peer's reset shows, or for 5 s; the last result.
template <class Send> SendResult lf_sendUntilFailure(Send send)
{
    const auto deadline = Clock::now() + 5s;
    SendResult result = send();
    while (result.ok && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        result = send();
    }
    return result;
}

// Every address of 127/8 is this machine, but only sockets bound to every interface answer at 127.0.0.2.
TEST(NetScope, LoopbackUnlessAskedForEveryInterface)
{
    TcpServer local("0");
    TcpClient client;
    EXPECT_FALSE(client.connect("127.0.0.2", local.port(), 500ms));
    EXPECT_TRUE(client.lastError() == ECONNREFUSED && !client.connected());
    EXPECT_TRUE(client.connect("127.0.0.1", local.port(), 500ms));
    EXPECT_TRUE(client.connect("127.0.0.2", TcpServer("0", BindScope::anyAddress).port(), 500ms));

    UdpReceiver near(0, BindScope::loopback, 100ms);
    UdpReceiver everywhere(0, BindScope::anyAddress, 2000ms);
    ASSERT_TRUE(UdpSender("127.0.0.2", near.port()).send("lost").ok &&
                UdpSender("127.0.0.2", everywhere.port()).send("{}").ok);
    EXPECT_EQ(near.receive().status, ReceiveStatus::timedOut);
    ASSERT_EQ(everywhere.receive().status, ReceiveStatus::data);
    EXPECT_EQ(everywhere.datagram(), "{}");
}

// A datagram that fills the buffer may have been cut, so it is refused with its real length; the next one arrives
// whole. A buffer asked for with no room holds one byte. The sender finds the receiver by name.
TEST(UdpReceiver, DatagramsBelowTheBufferSizeArriveWhole)
{
    UdpReceiver none(0, BindScope::loopback, 2000ms, 0);
    ASSERT_EQ(none.bufferSize(), 1U);
    UdpReceiver small(0, BindScope::loopback, 2000ms, 64);
    UdpReceiver standard(0, BindScope::loopback, 2000ms);
    const std::pair<UdpReceiver*, std::size_t> rows[] = {{&small, 63},       {&small, 64},       {&small, 1000},
                                                         {&small, 0},        {&standard, 16383}, {&standard, 16384},
                                                         {&standard, 40000}, {&none, 0},         {&none, 1}};
    for (const auto& [receiver, size] : rows) {
        const std::string datagram(size, 'x');
        const bool fits = datagram.size() < receiver->bufferSize();
        ASSERT_TRUE(UdpSender("localhost", receiver->port()).send(datagram).ok);
        const ReceiveResult result = receiver->receive();
        EXPECT_EQ(result.status, fits ? ReceiveStatus::data : ReceiveStatus::overrun) << datagram.size();
        EXPECT_EQ(result.size, datagram.size());
        EXPECT_EQ(receiver->datagram(), fits ? datagram : "");
    }
}

TEST(TcpServer, OneClientAtATimeLinesRepliesAndOverruns)
{
    ConnectedPair pair;
    EXPECT_EQ(pair.server.acceptClient(0ms).status, AcceptStatus::alreadyConnected);
    ASSERT_TRUE(pair.server.sendLine("Qs999=version").ok && pair.server.sendText("exit\r\n").ok &&
                pair.server.sendText("!").ok);
    EXPECT_EQ(lf_receiveAll(pair.client, 22), "Qs999=version\r\nexit\r\n!");
    std::string text;
    ASSERT_TRUE(pair.client.sendText(R"({"level":2})").ok);
    EXPECT_TRUE(pair.server.receive(text, 16384, 2000ms).status == ReceiveStatus::data && text == R"({"level":2})");
    // A reply that fills the whole buffer may be longer still: an overrun, nothing kept.
    ASSERT_TRUE(pair.client.sendText(std::string(64, 'x')).ok);
    const ReceiveResult result = pair.server.receive(text, 64, 2000ms);
    EXPECT_TRUE(result.status == ReceiveStatus::overrun && result.size == 64u && text.empty());

    pair.server.dropClient();
    EXPECT_FALSE(pair.server.connected());
    TcpClient second;
    ASSERT_TRUE(second.connect("127.0.0.1", pair.server.port(), 2000ms));
    EXPECT_EQ(pair.server.acceptClient(2000ms).status, AcceptStatus::accepted);
    ASSERT_TRUE(pair.server.sendLine("Qs123=1717000000000").ok);
    EXPECT_EQ(lf_receiveAll(second, 21), "Qs123=1717000000000\r\n");
}

TEST(NetTimeOuts, AcceptAndReceivesGiveUpAfterTheirTime)
{
    ConnectedPair pair;
    UdpReceiver quiet(0, BindScope::loopback, 100ms);
    std::string text;
    const auto start = Clock::now();
    EXPECT_EQ(TcpServer("0").acceptClient(100ms).status, AcceptStatus::timedOut);
    EXPECT_EQ(pair.server.receive(text, 16384, 100ms).status, ReceiveStatus::timedOut);
    EXPECT_EQ(pair.client.receive(text, 16384, 100ms).status, ReceiveStatus::timedOut);
    EXPECT_EQ(quiet.receive().status, ReceiveStatus::timedOut);
    EXPECT_GE(Clock::now() - start, 350ms);
    EXPECT_TRUE(pair.server.connected());
}

// The one-client server keeps a short queue, and a queued connection whose peer has gone (closed at once, or after
// it sent something) is closed and the next one taken within the same accept.
TEST(TcpServer, QueuedConnectionsWhosePeerWentAreSkipped)
{
    TcpServer server("0");
    std::vector<TcpClient> queued(TcpServer::kListenBacklog + 3);
    std::size_t completed = 0;
    for (TcpClient& client : queued) {
        completed += client.connect("127.0.0.1", server.port(), 100ms) ? 1 : 0;
    }
    queued.clear();
    const AcceptResult drained = server.acceptClient(0ms);
    EXPECT_EQ(drained.status, AcceptStatus::timedOut);
    EXPECT_GE(drained.closedPeersDropped, static_cast<int>(completed));
    EXPECT_LE(drained.closedPeersDropped, TcpServer::kListenBacklog + 1) << "the queue stays short";

    TcpClient closed;
    TcpClient talked;
    TcpClient waiting;
    ASSERT_TRUE(closed.connect("127.0.0.1", server.port(), 2000ms) &&
                talked.connect("127.0.0.1", server.port(), 2000ms) &&
                waiting.connect("127.0.0.1", server.port(), 2000ms));
    closed.close();
    ASSERT_TRUE(talked.sendText("{}").ok);
    talked.close();
    const AcceptResult result = server.acceptClient(2000ms);
    ASSERT_EQ(result.status, AcceptStatus::accepted);
    EXPECT_EQ(result.closedPeersDropped, 2);
    ASSERT_TRUE(server.sendLine("Qs999=version").ok);
    EXPECT_EQ(lf_receiveAll(waiting, 15), "Qs999=version\r\n");

    server.dropClient();
    TcpClient gone;
    ASSERT_TRUE(gone.connect("127.0.0.1", server.port(), 2000ms));
    gone.close();
    const AcceptResult none = server.acceptClient(100ms);
    EXPECT_TRUE(none.status == AcceptStatus::timedOut && none.closedPeersDropped == 1);
    EXPECT_FALSE(server.connected());
}

// With the default action a SIGPIPE would end this test program.
TEST(TcpServer, PeersThatEndOrGoAway)
{
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    ConnectedPair pair;
    std::string text;
    pair.client.shutdownSending();
    EXPECT_EQ(pair.server.receive(text, 16384, 2000ms).status, ReceiveStatus::closed);
    pair.client.close();
    const SendResult toClient = lf_sendUntilFailure([&] { return pair.server.sendLine("Qs121=0;0;0.000000"); });
    EXPECT_TRUE(toClient.errorCode == EPIPE || toClient.errorCode == ECONNRESET) << toClient.errorText();
    EXPECT_FALSE(pair.server.connected());
    EXPECT_TRUE(pair.server.sendLine("exit").errorCode == ENOTCONN &&
                pair.server.receive(text).status == ReceiveStatus::closed);
    EXPECT_TRUE(pair.client.sendText("x").errorCode == ENOTCONN &&
                pair.client.receive(text, 16, 0ms).status == ReceiveStatus::closed);

    ConnectedPair other;
    other.server.dropClient();
    EXPECT_EQ(other.client.receive(text, 16, 2000ms).status, ReceiveStatus::closed);
    EXPECT_FALSE(lf_sendUntilFailure([&] { return other.client.sendText("{}"); }).ok);
    std::signal(SIGPIPE, previous);
}

// wake() releases a blocked accept or receive at once, and every later one.
TEST(NetWake, ReleasesBlockedCallsForGood)
{
    TcpServer server("0");
    ConnectedPair pair;
    UdpReceiver receiver(0, BindScope::loopback, 20000ms);
    auto accepting = std::async(std::launch::async, [&] { return server.acceptClient().status; });
    auto receiving = std::async(std::launch::async, [&] {
        std::string text;
        return pair.server.receive(text).status;
    });
    auto datagram = std::async(std::launch::async, [&] { return receiver.receive().status; });
    std::this_thread::sleep_for(100ms);
    server.wake();
    pair.server.wake();
    receiver.wake();
    for (std::future_status status : {accepting.wait_for(2s), receiving.wait_for(2s), datagram.wait_for(2s)}) {
        ASSERT_EQ(status, std::future_status::ready);
    }
    EXPECT_TRUE(accepting.get() == AcceptStatus::woken && server.acceptClient(0ms).status == AcceptStatus::woken);
    EXPECT_TRUE(datagram.get() == ReceiveStatus::woken && receiver.receive().status == ReceiveStatus::woken);
    EXPECT_EQ(receiving.get(), ReceiveStatus::woken);
}

TEST(TcpServer, SendsFromTwoThreadsKeepTheirLinesWhole)
{
    ConnectedPair pair;
    const auto sendLines = [&](char letter) {
        for (int i = 0; i < 100; ++i) {
            pair.server.sendLine(std::string(200, letter));
        }
    };
    auto first = std::async(std::launch::async, sendLines, 'a');
    sendLines('b');
    first.get();
    const std::string all = lf_receiveAll(pair.client, 200 * 202);
    ASSERT_EQ(all.size(), 200u * 202u);
    for (std::size_t at = 0; at < all.size(); at += 202) {
        EXPECT_EQ(all.substr(at, 202), std::string(200, all[at]) + "\r\n");
    }
}

// A client that never reads: the kernel buffers fill and the send stalls. The send ends at one deadline for the whole
// text, however the peer drains it, and a wake() never waits for it. The upper bounds leave room for a loaded
// machine and stay far below the 10 s a send without its deadline or its wake would take.
TEST(TcpServer, AStalledSendEndsAtItsDeadlineOrAtOnceOnWake)
{
    const std::string bulk(32 << 20, 'x');
    ConnectedPair stalled(300ms);
    const auto start = Clock::now();
    EXPECT_EQ(stalled.server.sendText(bulk).errorCode, ETIMEDOUT);
    const auto stalledFor = Clock::now() - start;
    EXPECT_TRUE(stalledFor >= 290ms && stalledFor < 3s) << (stalledFor / 1ms) << " ms";
    EXPECT_FALSE(stalled.server.connected());

    ConnectedPair woken(10s);
    auto sending = std::async(std::launch::async, [&] { return woken.server.sendText(bulk); });
    ASSERT_EQ(sending.wait_for(200ms), std::future_status::timeout) << "the send did not stall";
    const auto wake = Clock::now();
    woken.server.wake();
    EXPECT_LT(Clock::now() - wake, 2s);
    ASSERT_EQ(sending.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(sending.get().errorCode, ESHUTDOWN);
}

// A line that cannot go out at once never waits: with nothing sent (EAGAIN) the stream stays whole and the client
// stays; a line sent in part drops the client rather than let it read a cut line as a whole one.
TEST(TcpServer, ALineThatCannotGoOutAtOnceNeverWaits)
{
    ConnectedPair pair(10s);
    const std::string line(100, 'q');
    SendResult result(true);
    std::size_t sent = 0;
    const auto start = Clock::now();
    for (; result.ok && sent < 1'000'000; sent += result.ok ? 1 : 0) {
        result = pair.server.trySendLine(line);
    }
    EXPECT_LT(Clock::now() - start, 5s) << "the sends waited for the reader";
    ASSERT_FALSE(result.ok) << "the client's buffer never filled";
    EXPECT_EQ(pair.server.connected(), result.errorCode == EAGAIN);
    if (result.errorCode == EAGAIN) {
        EXPECT_EQ(lf_receiveAll(pair.client, sent * 102).size(), sent * 102);
        EXPECT_TRUE(pair.server.trySendLine(line).ok);
    }
    EXPECT_EQ(TcpServer("0").trySendLine(line).errorCode, ENOTCONN);
}

TEST(NetSetUp, FailuresGiveTheTextsTheProgramLogs)
{
    TcpServer first("0");
    UdpReceiver taken(0, BindScope::loopback);
    const std::string port = std::to_string(first.port());
    // A listening port cannot be bound again, SO_REUSEADDR or not.
    EXPECT_EQ(test::thrownText([&] { TcpServer second(port); }),
              "Bind failed at port " + port + " with error 98 Address already in use");
    EXPECT_EQ(test::thrownText([] { TcpServer bad("not-a-port"); }).rfind("getaddrinfo failed with error ", 0), 0u);
    EXPECT_EQ(test::thrownText([&] { UdpReceiver second(taken.port(), BindScope::loopback); }),
              "bind to stream socket failed, error: 98 Address already in use");

    // Without a free descriptor the waiting client cannot be accepted: a failure, not a time-out.
    TcpClient client;
    ASSERT_TRUE(client.connect("127.0.0.1", first.port(), 2000ms));
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t previous = std::exchange(limit.rlim_cur, 64);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    std::vector<int> filler;
    for (int fd = dup(0); fd >= 0; fd = dup(0)) {
        filler.push_back(fd);
    }
    const AcceptResult result = first.acceptClient(2000ms);
    std::for_each(filler.begin(), filler.end(), close);
    limit.rlim_cur = previous;
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(result.status, AcceptStatus::failed);
    EXPECT_EQ(result.errorText, "accept failed with error 24 Too many open files");
}

// A listener whose queue is full drops the handshake, so the connect would hang without its time-out.
TEST(TcpClient, ConnectGivesUpWhenNobodyAnswers)
{
    SocketHandle listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = gf_ipv4Address(0, BindScope::loopback);
    ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener.fd(), 0), 0);
    std::vector<TcpClient> queued(4);
    for (TcpClient& filler : queued) {
        filler.connect("127.0.0.1", gf_boundPort(listener.fd()), 100ms);
    }
    TcpClient late;
    const auto start = Clock::now();
    EXPECT_FALSE(late.connect("127.0.0.1", gf_boundPort(listener.fd()), 0ms));
    EXPECT_LT(Clock::now() - start, 500ms) << "no time means no wait, however loaded the machine";
    EXPECT_FALSE(late.connect("127.0.0.1", gf_boundPort(listener.fd()), 100ms));
    EXPECT_TRUE(late.lastError() == ETIMEDOUT && !late.connected());
    // A broadcast address is no TCP peer: refused at once.
    EXPECT_TRUE(!late.connect("255.255.255.255", gf_boundPort(listener.fd()), 100ms) &&
                late.lastError() == ENETUNREACH);
}

TEST(NetResults, ErrorsAndTheirTexts)
{
    EXPECT_EQ(ReceiveResult(ReceiveStatus::failed, 0, ECONNRESET).errorText(), "104 Connection reset by peer");
    EXPECT_EQ(SendResult(false, EPIPE).errorText() + "|" + gf_errorText(ECONNREFUSED),
              "32 Broken pipe|111 Connection refused");
    EXPECT_EQ(ReceiveResult().errorText() + SendResult(true).errorText(), "");
    // Nothing yet is a time-out to retry; anything else is a failure with its code.
    for (const int code : {EAGAIN, EWOULDBLOCK, EINTR}) {
        EXPECT_EQ(gf_recvFailure(code).status, ReceiveStatus::timedOut) << code;
    }
    EXPECT_TRUE(gf_recvFailure(ECONNRESET).status == ReceiveStatus::failed &&
                gf_recvFailure(ECONNRESET).errorCode == ECONNRESET);
    EXPECT_EQ(gf_boundPort(-1), 0);
}

} // namespace
} // namespace hlw::net
