#include "platform/net/socket_error.h"
#include "platform/net/tcp_client.h"
#include "platform/net/tcp_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <future>
#include <optional>
#include <string>
#include <thread>

namespace hlw::net {
namespace {

using namespace std::chrono_literals;

// A server on a free loopback port with one connected test client.
struct ConnectedPair {
    TcpServer server{"0", BindScope::loopback};
    TcpClient client;

    ConnectedPair()
    {
        EXPECT_TRUE(client.connect("127.0.0.1", server.port(), 2000ms));
        EXPECT_EQ(server.acceptClient(2000ms).status, AcceptStatus::accepted);
    }
};

// An IPv4 address of this machine that is not a loopback address.
std::optional<std::string> lf_nonLoopbackAddress()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if ((ntohl(address->sin_addr.s_addr) >> 24U) != 127U) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
            found = text;
        }
    }
    ::freeifaddrs(list);
    return found;
}

std::string lf_receiveAll(TcpClient& client, std::size_t wanted)
{
    std::string all;
    std::string part;
    while (all.size() < wanted && client.receive(part, 1 << 20, 2000ms).hasData()) {
        all += part;
    }
    return all;
}

TEST(TcpServer, PortZeroListensOnAFreePort)
{
    TcpServer server("0", BindScope::loopback);
    EXPECT_NE(server.port(), 0);
    EXPECT_FALSE(server.connected());
}

TEST(TcpServer, AcceptGivesUpAfterItsTimeOut)
{
    TcpServer server("0", BindScope::loopback);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(server.acceptClient(150ms).status, AcceptStatus::timedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
    EXPECT_FALSE(server.connected());
}

TEST(TcpServer, AcceptsOneClientAndReportsAlreadyConnectedAfterwards)
{
    ConnectedPair pair;
    EXPECT_TRUE(pair.server.connected());
    EXPECT_EQ(pair.server.acceptClient(0ms).status, AcceptStatus::alreadyConnected);
}

TEST(TcpServer, SendLineEndsEveryLineWithCarriageReturnLineFeed)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.server.sendLine("Qs999=version").ok);
    ASSERT_TRUE(pair.server.sendText("exit\r\n").ok);
    EXPECT_EQ(lf_receiveAll(pair.client, 21), "Qs999=version\r\nexit\r\n");
}

TEST(TcpServer, ReceiveReturnsTheRepliedBytes)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.client.sendText(R"({"level":2,"version":"1.2.3"})").ok);
    std::string text;
    const ReceiveResult result = pair.server.receive(text, 16384, 2000ms);
    ASSERT_EQ(result.status, ReceiveStatus::data);
    EXPECT_EQ(text, R"({"level":2,"version":"1.2.3"})");
}

TEST(TcpServer, ReceiveIsBoundedAndReportsAFullBufferAsOverrun)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.client.sendText(std::string(64, 'x')).ok);
    std::this_thread::sleep_for(50ms);
    std::string text;
    const ReceiveResult result = pair.server.receive(text, 64, 2000ms);
    EXPECT_EQ(result.status, ReceiveStatus::overrun);
    EXPECT_EQ(result.size, 64u);
    EXPECT_TRUE(text.empty());
}

TEST(TcpServer, ReceiveTimesOutWhenThePeerStaysSilent)
{
    ConnectedPair pair;
    std::string text;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pair.server.receive(text, 16384, 150ms).status, ReceiveStatus::timedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
    EXPECT_TRUE(pair.server.connected());
}

TEST(TcpServer, ReceiveReportsClosedWhenThePeerEndsItsSide)
{
    ConnectedPair pair;
    pair.client.shutdownSending();
    std::string text;
    EXPECT_EQ(pair.server.receive(text, 16384, 2000ms).status, ReceiveStatus::closed);
}

TEST(TcpServer, SendToAGonePeerFailsWithoutSigpipeAndDropsTheClient)
{
    // With the default action a SIGPIPE would end this test program.
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    ConnectedPair pair;
    pair.client.close();
    SendResult result(true);
    int attempts = 0;
    while (result.ok && attempts < 50) {
        result = pair.server.sendLine("Qs121=0;0;0.000000;0;0;0.828415;0.149212");
        ++attempts;
        std::this_thread::sleep_for(20ms);
    }
    std::signal(SIGPIPE, previous);
    ASSERT_FALSE(result.ok);
    EXPECT_TRUE(result.errorCode == EPIPE || result.errorCode == ECONNRESET) << result.errorText();
    EXPECT_FALSE(pair.server.connected());
    EXPECT_EQ(pair.server.sendLine("exit").errorCode, ENOTCONN);
}

TEST(TcpServer, AcceptsANewClientAfterTheFirstWasDropped)
{
    ConnectedPair pair;
    pair.server.dropClient();
    EXPECT_FALSE(pair.server.connected());
    TcpClient second;
    ASSERT_TRUE(second.connect("127.0.0.1", pair.server.port(), 2000ms));
    EXPECT_EQ(pair.server.acceptClient(2000ms).status, AcceptStatus::accepted);
    ASSERT_TRUE(pair.server.sendLine("Qs123=1717000000000").ok);
    EXPECT_EQ(lf_receiveAll(second, 21), "Qs123=1717000000000\r\n");
}

TEST(TcpServer, WakeReleasesABlockedAccept)
{
    TcpServer server("0", BindScope::loopback);
    auto pending = std::async(std::launch::async, [&server] { return server.acceptClient().status; });
    std::this_thread::sleep_for(100ms);
    server.wake();
    ASSERT_EQ(pending.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(pending.get(), AcceptStatus::woken);
    EXPECT_EQ(server.acceptClient(0ms).status, AcceptStatus::woken);
}

TEST(TcpServer, WakeReleasesABlockedReceive)
{
    ConnectedPair pair;
    auto pending = std::async(std::launch::async, [&pair] {
        std::string text;
        return pair.server.receive(text).status;
    });
    std::this_thread::sleep_for(100ms);
    pair.server.wake();
    ASSERT_EQ(pending.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(pending.get(), ReceiveStatus::woken);
}

TEST(TcpServer, SendsFromTwoThreadsKeepTheirLinesWhole)
{
    ConnectedPair pair;
    const std::string line(200, 'a');
    const std::string other(200, 'b');
    auto first = std::async(std::launch::async, [&] {
        for (int i = 0; i < 100; ++i) {
            pair.server.sendLine(line);
        }
    });
    for (int i = 0; i < 100; ++i) {
        pair.server.sendLine(other);
    }
    first.get();
    const std::string all = lf_receiveAll(pair.client, 200 * 202);
    ASSERT_EQ(all.size(), 200u * 202u);
    for (std::size_t at = 0; at < all.size(); at += 202) {
        const std::string_view piece(all.data() + at, 202);
        EXPECT_TRUE(piece == line + "\r\n" || piece == other + "\r\n");
    }
}

// A client that never reads: the kernel buffers fill and the send stalls, taking a little now and then.
TEST(TcpServer, AStalledSendEndsAtOneDeadlineForTheWholeText)
{
    TcpServer server("0", BindScope::loopback, 300ms);
    TcpClient client;
    ASSERT_TRUE(client.connect("127.0.0.1", server.port(), 2000ms));
    ASSERT_EQ(server.acceptClient(2000ms).status, AcceptStatus::accepted);
    const std::string bulk(32 << 20, 'x');
    const auto start = std::chrono::steady_clock::now();
    const SendResult result = server.sendText(bulk);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, ETIMEDOUT) << result.errorText();
    EXPECT_GE(took, 290ms);
    EXPECT_LT(took, 600ms);
    EXPECT_FALSE(server.connected());
}

TEST(TcpServer, WakeNeverWaitsForAStalledSend)
{
    TcpServer server("0", BindScope::loopback, 10s);
    TcpClient client;
    ASSERT_TRUE(client.connect("127.0.0.1", server.port(), 2000ms));
    ASSERT_EQ(server.acceptClient(2000ms).status, AcceptStatus::accepted);
    const std::string bulk(32 << 20, 'x');
    auto sending = std::async(std::launch::async, [&] { return server.sendText(bulk); });
    ASSERT_EQ(sending.wait_for(200ms), std::future_status::timeout) << "the send did not stall";
    const auto start = std::chrono::steady_clock::now();
    server.wake();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    ASSERT_EQ(sending.wait_for(500ms), std::future_status::ready);
    EXPECT_FALSE(sending.get().ok);
}

TEST(TcpServer, ListensOnLoopbackUnlessAskedForEveryInterface)
{
    const std::optional<std::string> otherAddress = lf_nonLoopbackAddress();
    if (!otherAddress) {
        GTEST_SKIP() << "this machine has no IPv4 address besides loopback";
    }
    TcpServer local("0");
    TcpClient client;
    EXPECT_FALSE(client.connect(*otherAddress, local.port(), 500ms));
    EXPECT_TRUE(client.connect("127.0.0.1", local.port(), 500ms));
    TcpServer everywhere("0", BindScope::anyAddress);
    EXPECT_TRUE(client.connect(*otherAddress, everywhere.port(), 500ms));
}

TEST(TcpServer, SetUpFailuresThrowTheTextsTheProgramLogs)
{
    TcpServer first("0", BindScope::loopback);
    const std::string port = std::to_string(first.port());
    // A listening port cannot be bound again, SO_REUSEADDR or not.
    try {
        TcpServer second(port, BindScope::loopback);
        FAIL() << "second server started";
    } catch (const SocketError& error) {
        EXPECT_EQ(std::string(error.what()), "Bind failed at port " + port + " with error 98 Address already in use");
    }
    try {
        TcpServer bad("not-a-port", BindScope::loopback);
        FAIL() << "server started on a bad port";
    } catch (const SocketError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("getaddrinfo failed with error ", 0), 0u) << error.what();
    }
}

TEST(TcpClient, ConnectToAPortWithoutListenerIsRefused)
{
    std::uint16_t freePort = 0;
    {
        TcpServer probe("0", BindScope::loopback);
        freePort = probe.port();
    }
    TcpClient client;
    EXPECT_FALSE(client.connect("127.0.0.1", freePort, 1000ms));
    EXPECT_EQ(client.lastError(), ECONNREFUSED);
    EXPECT_FALSE(client.connected());
}

} // namespace
} // namespace hlw::net
