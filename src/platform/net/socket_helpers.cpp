#include "platform/net/socket_helpers.h"

#include "platform/net/socket_error.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

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

bool gf_setTimeout(int fd, int option, std::chrono::milliseconds timeout) noexcept
{
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return ::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) == 0;
}

} // namespace hlw::net
