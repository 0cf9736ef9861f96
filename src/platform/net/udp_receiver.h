#pragma once
// A bound IPv4 UDP socket that receives one datagram at a time with a receive time-out.
// receive() and the destructor belong to one thread; wake() may be called from any other thread while the
// object lives and makes a blocked or later receive() return ReceiveStatus::woken.
#include "platform/net/net_results.h"
#include "platform/net/socket_handle.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace hlw::net {

class UdpReceiver {
public:
    static constexpr std::size_t kDefaultBufferSize = 16384;
    static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

    // Binds port (0 picks a free one) on 127.0.0.1 or all interfaces. Throws SocketError with
    // "failed to create the socket, error: {}", "bind to stream socket failed, error: {}" or
    // "setsockopt(SO_RCVTIMEO) failed, error: {}".
    UdpReceiver(std::uint16_t port, BindScope scope, std::chrono::milliseconds timeout = kDefaultTimeout,
                std::size_t bufferSize = kDefaultBufferSize);
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    std::uint16_t port() const noexcept { return port_; }
    std::size_t bufferSize() const noexcept { return buffer_.size(); }

    // Waits up to the time-out for one datagram. A datagram of bufferSize() bytes or more is dropped and
    // reported as overrun with its full length.
    ReceiveResult receive();
    // The bytes of the last datagram received; valid until the next receive().
    std::string_view datagram() const noexcept { return {buffer_.data(), datagramSize_}; }

    void wake() noexcept;
    bool woken() const noexcept { return woken_.load(); }

private:
    SocketHandle socket_;
    std::uint16_t port_ = 0;
    std::vector<char> buffer_;
    std::size_t datagramSize_ = 0;
    std::atomic<bool> woken_{false};
};

} // namespace hlw::net
