// The real back end against a small loopback server that speaks the wire protocol.
#include "platform/sim/sim_records.h"
#include "platform/sim/sim_socket_connection.h"
#include "platform/sim/sim_wire.h"
#include "platform/sim/simconnect_shim.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void lf_usePort(uint16_t port) { ::setenv(kSimPortVariable, std::to_string(port).c_str(), 1); }

// A listening socket on a free loopback port and the one client it accepted.
class WireServer {
public:
    explicit WireServer(int backlog = 8) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        EXPECT_EQ(::listen(listener_, backlog), 0);
        lf_usePort(port_);
    }
    ~WireServer() {
        closeClient();
        ::close(listener_);
    }
    WireServer(const WireServer&) = delete;
    WireServer& operator=(const WireServer&) = delete;

    uint16_t port() const { return port_; }

    bool accept() {
        pollfd waitFor{listener_, POLLIN, 0};
        if (::poll(&waitFor, 1, 2000) != 1) {
            return false;
        }
        client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return client_ >= 0;
    }

    std::optional<WireFrame> readFrame(milliseconds timeout = milliseconds(2000)) {
        const Clock::time_point deadline = Clock::now() + timeout;
        while (true) {
            if (std::optional<WireFrame> frame = splitter_.next()) {
                return frame;
            }
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
            pollfd waitFor{client_, POLLIN, 0};
            if (left <= 0 || ::poll(&waitFor, 1, static_cast<int>(left)) != 1) {
                return std::nullopt;
            }
            uint8_t chunk[4096];
            const ssize_t n = ::recv(client_, chunk, sizeof chunk, 0);
            if (n <= 0) {
                return std::nullopt;
            }
            splitter_.feed(std::span<const uint8_t>(chunk, static_cast<size_t>(n)));
        }
    }

    std::optional<SimCall> readCall() {
        std::optional<WireFrame> frame = readFrame();
        return frame ? gf_decodeSimCall(*frame) : std::nullopt;
    }

    void send(std::span<const uint8_t> bytes) {
        EXPECT_EQ(::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }

    void closeClient() {
        if (client_ >= 0) {
            ::close(client_);
            client_ = -1;
        }
    }

private:
    int listener_ = -1;
    int client_ = -1;
    uint16_t port_ = 0;
    FrameSplitter splitter_;
};

std::vector<uint8_t> lf_eventRecord(DWORD eventId, DWORD data) {
    SIMCONNECT_RECV_EVENT event{};
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.uEventID = eventId;
    event.dwData = data;
    return gf_encodeRecordFrame(gf_simRecordBytes(event));
}

void lf_collectData(SIMCONNECT_RECV* record, DWORD, void* context) {
    static_cast<std::vector<DWORD>*>(context)->push_back(static_cast<SIMCONNECT_RECV_EVENT*>(record)->dwData);
}

// Dispatches until count records arrived or the time is up.
HRESULT lf_dispatchUntil(HANDLE handle, std::vector<DWORD>& seen, size_t count) {
    const Clock::time_point deadline = Clock::now() + milliseconds(2000);
    HRESULT result = S_OK;
    while (seen.size() < count && Clock::now() < deadline) {
        result = SimConnect_CallDispatch(handle, lf_collectData, &seen);
        if (result != S_OK) {
            return result;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return result;
}

class SimSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
        ASSERT_TRUE(server.accept());
        const std::optional<WireFrame> hello = server.readFrame();
        ASSERT_TRUE(hello.has_value());
        ASSERT_EQ(gf_decodeHello(*hello), "Hollowmere");
    }
    void TearDown() override { SimConnect_Close(handle); }

    WireServer server;
    HANDLE handle = nullptr;
};

TEST(SimSocketOpen, FailsAtOnceWhileNothingListens) {
    uint16_t freePort = 0;
    {
        WireServer probe;
        freePort = probe.port();
    }
    lf_usePort(freePort);
    HANDLE handle = reinterpret_cast<HANDLE>(uintptr_t{1});
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_LT(Clock::now() - start, milliseconds(50));
    EXPECT_EQ(handle, nullptr);
}

// A listener whose queue is full drops the handshake, so the connect would hang without the time-out.
TEST(SimSocketOpen, GivesUpOnAnUnansweredConnectWithinTheTimeout) {
    WireServer server(0);
    std::vector<HANDLE> queued;
    for (int i = 0; i < 4; ++i) {
        HANDLE h = nullptr;
        if (SimConnect_Open(&h, "filler", nullptr, 0, nullptr, 0) == S_OK) {
            queued.push_back(h);
        }
    }
    HANDLE handle = nullptr;
    const Clock::time_point start = Clock::now();
    const HRESULT result = SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0);
    const auto took = Clock::now() - start;
    EXPECT_EQ(result, E_FAIL);
    EXPECT_GE(took, milliseconds(40));
    EXPECT_LT(took, milliseconds(150));
    for (const HANDLE h : queued) {
        SimConnect_Close(h);
    }
}

TEST(SimSocketOpen, PortComesFromTheEnvironment) {
    struct Case {
        const char* value;
        uint16_t port;
    };
    for (const Case& c : {Case{"50600", 50600}, Case{"1", 1}, Case{"65535", 65535}, Case{"0", kSimDefaultPort},
                          Case{"65536", kSimDefaultPort}, Case{"12ab", kSimDefaultPort}, Case{"", kSimDefaultPort},
                          Case{"-5", kSimDefaultPort}}) {
        ::setenv(kSimPortVariable, c.value, 1);
        EXPECT_EQ(gf_simPort(), c.port) << c.value;
    }
    ::unsetenv(kSimPortVariable);
    EXPECT_EQ(gf_simPort(), kSimDefaultPort);
}

TEST_F(SimSocketTest, CallsTravelInOrderWithPacketIds) {
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(handle, sim_ids::kEventObjectAdded, "ObjectAdded"), S_OK);
    EXPECT_EQ(SimConnect_RequestDataOnSimObjectType(handle, sim_ids::kReqInRange, sim_ids::kDefInRange, 185200,
                                                    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              S_OK);
    const SIMCONNECT_DATA_INITPOSITION position{47.5, 8.5, 1400, 0, 0, 90, 0, 0};
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Title", "EZY12", position, sim_ids::kReqCreate), S_OK);
    DWORD packetId = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), S_OK);
    EXPECT_EQ(packetId, 3u);

    const std::optional<SimCall> first = server.readCall();
    const std::optional<SimCall> second = server.readCall();
    const std::optional<SimCall> third = server.readCall();
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->packetId, 1u);
    EXPECT_EQ(first->texts, std::vector<std::string>{"ObjectAdded"});
    EXPECT_EQ(second->packetId, 2u);
    EXPECT_EQ(second->numbers, (std::vector<uint32_t>{101, 404, 185200, 2}));
    EXPECT_EQ(third->kind, SimCallKind::AICreateNonATCAircraft);
    EXPECT_EQ(third->texts, (std::vector<std::string>{"Title", "EZY12"}));
    EXPECT_EQ(third->block.size(), 56u);

    EXPECT_EQ(SimConnect_Close(handle), S_OK);
    const std::optional<SimCall> close = server.readCall();
    ASSERT_TRUE(close.has_value());
    EXPECT_EQ(close->kind, SimCallKind::Close);
    EXPECT_EQ(close->packetId, 4u);
    EXPECT_FALSE(server.readFrame(milliseconds(500)).has_value()) << "the stream ends after Close";
}

TEST_F(SimSocketTest, RecordsSplitAcrossReadsAreDeliveredWholeAndInOrder) {
    std::vector<uint8_t> stream;
    for (DWORD i = 1; i <= 5; ++i) {
        const std::vector<uint8_t> frame = lf_eventRecord(sim_ids::kEventSim, i);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    std::vector<DWORD> seen;
    // Chunks that cut through length fields, heads and records.
    size_t sent = 0;
    for (const size_t chunk : {3u, 7u, 30u, 1u, 40u}) {
        server.send(std::span<const uint8_t>(stream.data() + sent, chunk));
        sent += chunk;
        std::this_thread::sleep_for(milliseconds(5));
        EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collectData, &seen), S_OK);
    }
    server.send(std::span<const uint8_t>(stream.data() + sent, stream.size() - sent));
    EXPECT_EQ(lf_dispatchUntil(handle, seen, 5), S_OK);
    EXPECT_EQ(seen, (std::vector<DWORD>{1, 2, 3, 4, 5}));
}

TEST_F(SimSocketTest, DispatchNeverWaits) {
    std::vector<DWORD> seen;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collectData, &seen), S_OK);
    }
    EXPECT_LT(Clock::now() - start, milliseconds(50));
    EXPECT_TRUE(seen.empty());
}

TEST_F(SimSocketTest, PeerCloseEndsDispatchAfterTheLastRecords) {
    server.send(lf_eventRecord(sim_ids::kEventSim, 7));
    server.send(lf_eventRecord(sim_ids::kEventSim, 8));
    server.closeClient();
    std::vector<DWORD> seen;
    const Clock::time_point deadline = Clock::now() + milliseconds(2000);
    HRESULT result = S_OK;
    while (result == S_OK && Clock::now() < deadline) {
        result = SimConnect_CallDispatch(handle, lf_collectData, &seen);
        std::this_thread::sleep_for(milliseconds(1));
    }
    EXPECT_EQ(result, E_FAIL);
    EXPECT_EQ(seen, (std::vector<DWORD>{7, 8}));
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collectData, &seen), E_FAIL);
}

TEST_F(SimSocketTest, ImpossibleFrameLengthDropsTheConnection) {
    server.send(lf_eventRecord(sim_ids::kEventSim, 1));
    WireWriter bad;
    bad.u32(kWireMaxFrameBytes + 1);
    bad.u32(0);
    server.send(bad.bytes());
    std::vector<DWORD> seen;
    const Clock::time_point deadline = Clock::now() + milliseconds(2000);
    HRESULT result = S_OK;
    while (result == S_OK && Clock::now() < deadline) {
        result = SimConnect_CallDispatch(handle, lf_collectData, &seen);
    }
    EXPECT_EQ(result, E_FAIL);
    EXPECT_EQ(seen, std::vector<DWORD>{1});
}

TEST_F(SimSocketTest, FramesOfUnknownKindAreSkipped) {
    server.send(gf_wireFrame(55, std::vector<uint8_t>{1, 2, 3}));
    server.send(lf_eventRecord(sim_ids::kEventSim, 4));
    std::vector<DWORD> seen;
    EXPECT_EQ(lf_dispatchUntil(handle, seen, 1), S_OK);
    EXPECT_EQ(seen, std::vector<DWORD>{4});
}

TEST_F(SimSocketTest, FailNextControlMessageFailsCallsWithoutSendingThem) {
    server.send(gf_encodeControl(gf_failNextCommand(SimCallKind::TransmitClientEvent, 1)));
    server.send(lf_eventRecord(sim_ids::kEventSim, 1));
    std::vector<DWORD> seen;
    ASSERT_EQ(lf_dispatchUntil(handle, seen, 1), S_OK);
    EXPECT_EQ(seen, std::vector<DWORD>{1});

    EXPECT_EQ(SimConnect_TransmitClientEvent(handle, 77, 219, 1, 301, 0), E_FAIL);
    EXPECT_EQ(SimConnect_TransmitClientEvent(handle, 77, 219, 0, 301, 0), S_OK);
    const std::optional<SimCall> call = server.readCall();
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->packetId, 1u);
    EXPECT_EQ(call->numbers[2], 0u) << "only the second call went out";
}

// A simulator that stops reading makes calls fail after the write time-out; none blocks for long.
TEST_F(SimSocketTest, WritesToAStalledSimulatorFailInsteadOfBlocking) {
    std::vector<uint8_t> block(65536, 0x5A);
    auto longest = Clock::duration::zero();
    HRESULT result = S_OK;
    int calls = 0;
    const Clock::time_point start = Clock::now();
    while (result == S_OK && Clock::now() - start < std::chrono::seconds(20)) {
        const Clock::time_point before = Clock::now();
        result = SimConnect_SetDataOnSimObject(handle, 402, 77, 0, 0, static_cast<DWORD>(block.size()), block.data());
        longest = std::max(longest, Clock::now() - before);
        ++calls;
    }
    EXPECT_EQ(result, E_FAIL) << "after " << calls << " calls";
    EXPECT_LT(longest, kSimWriteTimeout + milliseconds(150));
    const Clock::time_point before = Clock::now();
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, 105), E_FAIL);
    EXPECT_LT(Clock::now() - before, milliseconds(50)) << "a broken connection fails fast";
}

// Two threads send at once; on the wire the frames stay whole and in packet id order.
TEST_F(SimSocketTest, CallsFromTwoThreadsStayWholeAndOrdered) {
    constexpr int kPerThread = 3000;
    std::vector<uint32_t> received;
    std::thread reader([&] {
        while (received.size() < 2u * kPerThread) {
            const std::optional<SimCall> call = server.readCall();
            if (!call) {
                return;
            }
            received.push_back(call->packetId);
        }
    });
    const auto sender = [this](DWORD object) {
        for (int i = 0; i < kPerThread; ++i) {
            SimConnect_TransmitClientEvent(handle, object, 222, 4914, 301, 0);
        }
    };
    std::thread a(sender, 1);
    std::thread b(sender, 2);
    a.join();
    b.join();
    reader.join();
    ASSERT_EQ(received.size(), 2u * kPerThread);
    for (size_t i = 0; i < received.size(); ++i) {
        ASSERT_EQ(received[i], i + 1);
    }
}

}  // namespace
}  // namespace hlw
