#pragma once
// Small POSIX helpers shared by the socket classes.
#include "platform/net/net_results.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <string_view>

namespace hlw::net {

// An IPv4 address for bind(): 127.0.0.1 or INADDR_ANY, with the port in network order.
sockaddr_in gf_ipv4Address(std::uint16_t port, BindScope scope) noexcept;

// The IPv4 address of host (numeric or a name) with port. Throws SocketError "getaddrinfo failed with error {}".
sockaddr_in gf_resolveIpv4(const std::string& host, std::uint16_t port, int socketType);

// The local port a socket is bound to (useful after binding port 0), 0 when it cannot be read.
std::uint16_t gf_boundPort(int fd) noexcept;

enum class WaitOutcome { ready, timedOut, failed };
// Waits until fd is readable (or hung up) or the time-out passes; kWaitForever waits without limit.
// EINTR is reported as timedOut so that callers simply loop.
WaitOutcome gf_waitReadable(int fd, std::chrono::milliseconds timeout, int& errorCode) noexcept;

// True when the peer of a connected stream socket has already closed its side, reset the connection or left an
// error on it; looks without waiting and without taking any byte.
bool gf_peerGone(int fd) noexcept;

// Sets SO_RCVTIMEO or SO_SNDTIMEO; false with errno set on failure.
bool gf_setTimeout(int fd, int option, std::chrono::milliseconds timeout) noexcept;

// Sends every byte with MSG_NOSIGNAL; a partial send (a signal or a full buffer) continues where it stopped.
// 0 when all went out, else the errno value.
int gf_sendAll(int fd, std::string_view bytes) noexcept;

// What a recv() that returned -1 with errno code means: nothing yet (would block, time-out, signal) is
// timedOut, anything else failed with the code.
ReceiveResult gf_recvFailure(int code) noexcept;

// One receive on a connected stream socket: waits up to timeout until fd is readable, then takes at most
// bound - 1 bytes into text without blocking (bound bytes or more: overrun, the bytes discarded). woken is
// checked after the wait, so a wake() that released the wait reports woken.
ReceiveResult gf_receiveStream(int fd, std::string& text, std::size_t bound, std::chrono::milliseconds timeout,
                               const std::atomic<bool>& woken);

} // namespace hlw::net
