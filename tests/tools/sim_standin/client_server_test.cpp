// The client listener under abuse, in this process over real sockets on 127.0.0.1: clients beyond the
// cap, thread starts that fail, and broken frame streams end in a closed connection and a log line, never
// in a stopped stand-in.
#include "client_server.h"

#include "platform/net/tcp_client.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <system_error>

namespace hlw::standin {
namespace {

using namespace std::chrono_literals;

std::string lf_text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::unique_ptr<net::TcpClient> lf_connect(uint16_t port) {
    auto client = std::make_unique<net::TcpClient>();
    EXPECT_TRUE(client->connect("127.0.0.1", port, 2000ms));
    return client;
}

// True when the server closes the connection within two seconds; what it sends first is skipped.
bool lf_closedByServer(net::TcpClient& client) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
        const net::ReceiveStatus status = client.receive(text, 65536, 100ms).status;
        if (status == net::ReceiveStatus::closed || status == net::ReceiveStatus::failed) {
            return true;
        }
    }
    return false;
}

// True when a HELLO is answered by a record, i.e. the connection is served.
bool lf_served(net::TcpClient& client) {
    std::string reply;
    return client.sendText(lf_text(gf_encodeHello("Probe"))).ok &&
           client.receive(reply, 65536, 2000ms).status == net::ReceiveStatus::data;
}

// A listener with its world; thread starts are numbered from 1 and those in `failing` throw as an exhausted
// system would.
struct Listener {
    explicit Listener(std::set<int> failing = {})
        : server(0, true, [this, failing](std::function<void()> body) {
              if (failing.contains(++starts)) {
                  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
              }
              return std::thread(std::move(body));
          }) {
        server.start(simulation);
    }
    ~Listener() { server.stop(); }

    int starts = 0; // the accept thread's own count
    ClientServer server;
    Simulation simulation{server, StartOptions{0.0, "", 1, 0}};
};

TEST(StandinListener, ClientsWithoutThreadsOrBeyondTheCapAreRefusedAndTheRestAreServed) {
    Listener listener({1, 3}); // the first client's writer, the second client's reader
    ::testing::internal::CaptureStderr();
    for (int refused = 0; refused < 2; ++refused) {
        EXPECT_TRUE(lf_closedByServer(*lf_connect(listener.server.port()))) << refused;
    }
    std::vector<std::unique_ptr<net::TcpClient>> clients;
    for (size_t i = 0; i < ClientServer::kMaxConnections; ++i) {
        clients.push_back(lf_connect(listener.server.port()));
        ASSERT_TRUE(lf_served(*clients.back())) << i;
    }
    EXPECT_TRUE(lf_closedByServer(*lf_connect(listener.server.port())));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("connection 1 refused: its threads cannot start"), std::string::npos) << log;
    EXPECT_NE(log.find("connection 2 refused: its threads cannot start"), std::string::npos) << log;
    EXPECT_NE(log.find(fmt::format("{} clients are connected; refusing one more", ClientServer::kMaxConnections)),
              std::string::npos) << log;
    EXPECT_EQ(listener.simulation.command({"stats"}, "")["clients"], ClientServer::kMaxConnections);
}

TEST(StandinListener, ABrokenFrameStreamIsClosed) {
    Listener listener;
    for (const uint32_t length : {3u, kWireMaxFrameBytes + 1}) {
        auto client = lf_connect(listener.server.port());
        ASSERT_TRUE(lf_served(*client));
        const uint8_t head[8] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24), 2, 0, 0, 0};
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(client->sendText(std::string_view(reinterpret_cast<const char*>(head), sizeof head)).ok);
        EXPECT_TRUE(lf_closedByServer(*client)) << length;
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("broken frame stream, closing"), std::string::npos);
    }
}

} // namespace
} // namespace hlw::standin
