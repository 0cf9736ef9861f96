#include "platform/net/socket_error.h"
#include "platform/net/udp_receiver.h"
#include "platform/net/udp_sender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

namespace hlw::net {
namespace {

using namespace std::chrono_literals;

TEST(UdpReceiver, PortZeroBindsAFreePortAndReceivesADatagram)
{
    UdpReceiver receiver(0, BindScope::loopback, 2000ms);
    ASSERT_NE(receiver.port(), 0);
    UdpSender sender("127.0.0.1", receiver.port());
    ASSERT_TRUE(sender.send("TFC,4735190,47.4582").ok);

    const ReceiveResult result = receiver.receive();
    ASSERT_EQ(result.status, ReceiveStatus::data);
    EXPECT_EQ(result.size, 19u);
    EXPECT_EQ(receiver.datagram(), "TFC,4735190,47.4582");
}

TEST(UdpReceiver, AllInterfacesScopeAlsoReceivesOnLoopback)
{
    UdpReceiver receiver(0, BindScope::anyAddress, 2000ms);
    UdpSender sender("localhost", receiver.port());
    ASSERT_TRUE(sender.send("{\"QNH\":1013}").ok);
    ASSERT_EQ(receiver.receive().status, ReceiveStatus::data);
    EXPECT_EQ(receiver.datagram(), "{\"QNH\":1013}");
}

TEST(UdpReceiver, EmptyDatagramIsDataOfSizeZero)
{
    UdpReceiver receiver(0, BindScope::loopback, 2000ms);
    UdpSender sender("127.0.0.1", receiver.port());
    ASSERT_TRUE(sender.send("").ok);
    const ReceiveResult result = receiver.receive();
    EXPECT_EQ(result.status, ReceiveStatus::data);
    EXPECT_EQ(result.size, 0u);
}

TEST(UdpReceiver, ReturnsTimedOutAfterTheReceiveTimeOut)
{
    UdpReceiver receiver(0, BindScope::loopback, 150ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(receiver.receive().status, ReceiveStatus::timedOut);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 120ms);
    EXPECT_LT(waited, 1500ms);
}

// A datagram that fills the buffer may have been cut, so it is refused with its real length.
struct SizeCase {
    std::size_t bufferSize;
    std::size_t datagramSize;
    ReceiveStatus expected;
};

class UdpReceiverSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(UdpReceiverSize, DatagramsOfTheBufferSizeOrMoreAreOverruns)
{
    const SizeCase c = GetParam();
    UdpReceiver receiver(0, BindScope::loopback, 2000ms, c.bufferSize);
    UdpSender sender("127.0.0.1", receiver.port());
    ASSERT_TRUE(sender.send(std::string(c.datagramSize, 'x')).ok);

    const ReceiveResult result = receiver.receive();
    EXPECT_EQ(result.status, c.expected);
    EXPECT_EQ(result.size, c.datagramSize);
    if (c.expected == ReceiveStatus::overrun) {
        EXPECT_TRUE(receiver.datagram().empty());
    } else {
        EXPECT_EQ(receiver.datagram().size(), c.datagramSize);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, UdpReceiverSize,
                         ::testing::Values(SizeCase{64, 63, ReceiveStatus::data},
                                           SizeCase{64, 64, ReceiveStatus::overrun},
                                           SizeCase{64, 1000, ReceiveStatus::overrun},
                                           SizeCase{16384, 16383, ReceiveStatus::data},
                                           SizeCase{16384, 16384, ReceiveStatus::overrun},
                                           SizeCase{16384, 40000, ReceiveStatus::overrun}));

TEST(UdpReceiver, AfterAnOverrunTheNextDatagramIsReceivedWhole)
{
    UdpReceiver receiver(0, BindScope::loopback, 2000ms, 32);
    UdpSender sender("127.0.0.1", receiver.port());
    ASSERT_TRUE(sender.send(std::string(100, 'x')).ok);
    ASSERT_TRUE(sender.send("short").ok);
    EXPECT_EQ(receiver.receive().status, ReceiveStatus::overrun);
    ASSERT_EQ(receiver.receive().status, ReceiveStatus::data);
    EXPECT_EQ(receiver.datagram(), "short");
}

TEST(UdpReceiver, WakeReleasesABlockedReceiveLongBeforeItsTimeOut)
{
    UdpReceiver receiver(0, BindScope::loopback, 20000ms);
    auto pending = std::async(std::launch::async, [&receiver] { return receiver.receive().status; });
    std::this_thread::sleep_for(100ms);
    const auto start = std::chrono::steady_clock::now();
    receiver.wake();
    ASSERT_EQ(pending.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(pending.get(), ReceiveStatus::woken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(receiver.receive().status, ReceiveStatus::woken);
}

TEST(UdpReceiver, BindingAPortInUseThrowsTheBindText)
{
    UdpReceiver first(0, BindScope::loopback);
    try {
        UdpReceiver second(first.port(), BindScope::loopback);
        FAIL() << "second bind succeeded";
    } catch (const SocketError& error) {
        EXPECT_EQ(std::string(error.what()), "bind to stream socket failed, error: 98 Address already in use");
        EXPECT_EQ(error.code(), 98);
    }
}

TEST(NetErrorText, IsTheCodeFollowedByTheSystemText)
{
    EXPECT_EQ(gf_errorText(111), "111 Connection refused");
    EXPECT_EQ(gf_errorText(32), "32 Broken pipe");
    EXPECT_EQ(gf_errorText(110), "110 Connection timed out");
    EXPECT_EQ(ReceiveResult(ReceiveStatus::failed, 0, 104).errorText(), "104 Connection reset by peer");
    EXPECT_EQ(SendResult(true).errorText(), "");
}

} // namespace
} // namespace hlw::net
