#include "platform/sim/sim_socket_connection.h"

#include "platform/sim/sim_problems.h"

#include <fmt/format.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace hlw {
namespace {

using Clock = std::chrono::steady_clock;

// Big buffers let a burst of calls (a frame's positions for hundreds of aircraft) leave at once.
constexpr int kSendBufferBytes = 4 << 20;
constexpr int kReceiveBufferBytes = 4 << 20;
// Bounds one dispatch's reading, so that a flooding peer cannot hold the caller.
constexpr size_t kMaxReadPerDispatch = 8u << 20;

int lf_remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

class SocketConnection final : public SimConnection {
public:
    SocketConnection(std::string clientName, int fd) : SimConnection(std::move(clientName)), fd_(fd) {}
    ~SocketConnection() override { ::close(fd_); }

    bool writeAll(std::span<const uint8_t> bytes) {
        const Clock::time_point deadline = Clock::now() + kSimWriteTimeout;
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd waitFor{fd_, POLLOUT, 0};
                const int wait = lf_remainingMs(deadline);
                if (wait > 0 && ::poll(&waitFor, 1, wait) >= 0) {
                    continue;
                }
            }
            // A frame cut in the middle would corrupt the stream, so the connection ends here.
            if (done > 0) {
                ::shutdown(fd_, SHUT_RDWR);
            }
            return false;
        }
        return true;
    }

protected:
    bool transmit(const SimCall& call) override { return writeAll(gf_encodeSimCall(call)); }

    bool receive(std::vector<WireFrame>& out) override {
        bool open = true;
        size_t readNow = 0;
        std::array<uint8_t, 65536> chunk{};
        while (readNow < kMaxReadPerDispatch) {
            const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (n > 0) {
                readNow += static_cast<size_t>(n);
                splitter_.feed(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(n)));
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            }
            open = false;  // orderly close or a socket error
            break;
        }
        while (std::optional<WireFrame> frame = splitter_.next()) {
            out.push_back(std::move(*frame));
        }
        if (splitter_.broken()) {
            gf_reportSimProblem("simulator sent a frame with an impossible length; connection dropped");
            ::shutdown(fd_, SHUT_RDWR);
            return false;
        }
        if (!open && splitter_.pendingBytes() > 0) {
            gf_reportSimProblem(fmt::format("simulator closed the connection inside a frame; {} bytes dropped",
                                            splitter_.pendingBytes()));
        }
        return open;
    }

    void shutdownTransport() override { ::shutdown(fd_, SHUT_RDWR); }

private:
    const int fd_;
    FrameSplitter splitter_;  // used under the incoming mutex only
};

bool lf_connectWithin(int fd, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return true;
    }
    if (errno != EINPROGRESS && errno != EINTR) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + kSimConnectTimeout;
    pollfd waitFor{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&waitFor, 1, lf_remainingMs(deadline));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

uint16_t gf_simPort() {
    const char* text = std::getenv(kSimPortVariable);
    if (text == nullptr || *text == '\0') {
        return kSimDefaultPort;
    }
    const std::string_view value(text);
    unsigned port = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
    if (error != std::errc{} || end != value.data() + value.size() || port < 1 || port > 65535) {
        gf_reportSimProblem(fmt::format("{}='{}' is no port number; using {}", kSimPortVariable, value, kSimDefaultPort));
        return kSimDefaultPort;
    }
    return static_cast<uint16_t>(port);
}

std::shared_ptr<SimConnection> gf_simConnectSocket(const std::string& clientName, uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBufferBytes, sizeof kSendBufferBytes);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    if (!lf_connectWithin(fd, port)) {
        ::close(fd);
        return nullptr;
    }
    auto connection = std::make_shared<SocketConnection>(clientName, fd);
    if (!connection->writeAll(gf_encodeHello(clientName))) {
        return nullptr;
    }
    return connection;
}

}  // namespace hlw
