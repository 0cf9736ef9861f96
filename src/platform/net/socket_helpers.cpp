#include "platform/net/socket_helpers.h"

#include "platform/net/socket_error.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <vector>

namespace hlw::net {

sockaddr_in gf_ipv4Address(std::uint16_t port, BindScope scope) noexcept
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(scope == BindScope::loopback ? INADDR_LOOPBACK : INADDR_ANY);
    return address;
}

sockaddr_in gf_resolveIpv4(const std::string& host, std::uint16_t port, int socketType)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = socketType;
    addrinfo* found = nullptr;
    if (const int code = ::getaddrinfo(host.c_str(), nullptr, &hints, &found); code != 0) {
        throw SocketError("getaddrinfo failed with error " + std::to_string(code) + " " + ::gai_strerror(code), code);
    }
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    address.sin_port = htons(port);
    return address;
}

std::uint16_t gf_boundPort(int fd) noexcept
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

WaitOutcome gf_waitReadable(int fd, std::chrono::milliseconds timeout, int& errorCode) noexcept
{
    pollfd entry{fd, POLLIN, 0};
    const int waitMs = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    const int result = ::poll(&entry, 1, waitMs);
    if (result > 0) {
        return WaitOutcome::ready;
    }
    if (result == 0 || errno == EINTR) {
        return WaitOutcome::timedOut;
    }
    errorCode = errno;
    return WaitOutcome::failed;
}

bool gf_peerGone(int fd) noexcept
{
    pollfd entry{fd, POLLIN | POLLRDHUP, 0};
    if (::poll(&entry, 1, 0) <= 0) {
        return false;
    }
    return (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

bool gf_setTimeout(int fd, int option, std::chrono::milliseconds timeout) noexcept
{
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return ::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) == 0;
}

int gf_sendAll(int fd, std::string_view bytes) noexcept
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return 0;
}

ReceiveResult gf_recvFailure(int code) noexcept
{
    if (code == EAGAIN || code == EWOULDBLOCK || code == EINTR) {
        return {ReceiveStatus::timedOut};
    }
    return {ReceiveStatus::failed, 0, code};
}

ReceiveResult gf_receiveStream(int fd, std::string& text, std::size_t bound, std::chrono::milliseconds timeout,
                               const std::atomic<bool>& woken)
{
    int errorCode = 0;
    const WaitOutcome outcome = gf_waitReadable(fd, timeout, errorCode);
    if (woken.load()) {
        return {ReceiveStatus::woken};
    }
    if (outcome == WaitOutcome::timedOut) {
        return {ReceiveStatus::timedOut};
    }
    if (outcome == WaitOutcome::failed) {
        return {ReceiveStatus::failed, 0, errorCode};
    }
    std::vector<char> buffer(bound == 0 ? 1 : bound);
    const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (received < 0) {
        return gf_recvFailure(errno);
    }
    if (received == 0) {
        return {ReceiveStatus::closed};
    }
    const auto size = static_cast<std::size_t>(received);
    if (size >= buffer.size()) {
        return {ReceiveStatus::overrun, size};
    }
    text.assign(buffer.data(), size);
    return {ReceiveStatus::data, size};
}

} // namespace hlw::net
