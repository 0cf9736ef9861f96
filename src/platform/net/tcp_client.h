#pragma once
// The client end of a TCP connection (the stand-in peers and tests play the connecting side).
// One thread uses the object; wake() may come from another thread and makes a blocked receive() return.
#include "platform/net/net_results.h"
#include "platform/net/socket_handle.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace hlw::net {

class TcpClient {
public:
    static constexpr std::chrono::milliseconds kDefaultSendTimeout{2000};

    TcpClient() = default;
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Connects within timeout; false with lastError() set when refused or timed out. A previous connection
    // is closed first.
    bool connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout);
    bool connected() const noexcept { return socket_.valid(); }
    int lastError() const noexcept { return lastError_; }

    // Sends all bytes with MSG_NOSIGNAL.
    SendResult sendText(std::string_view bytes);
    // One receive of at most bound - 1 bytes (bound bytes or more: overrun); closed when the peer closed.
    ReceiveResult receive(std::string& text, std::size_t bound, std::chrono::milliseconds timeout);
    // Ends the sending direction: the peer reads an orderly end, this side can still receive.
    void shutdownSending() noexcept;
    void close() noexcept { socket_.reset(); }
    void wake() noexcept;

private:
    SocketHandle socket_;
    int lastError_ = 0;
    std::atomic<bool> woken_{false};
};

} // namespace hlw::net
