#include "platform/net/udp_receiver.h"

#include "platform/net/socket_error.h"
#include "platform/net/socket_helpers.h"

#include <cerrno>
#include <sys/socket.h>

namespace hlw::net {

UdpReceiver::UdpReceiver(std::uint16_t port, BindScope scope, std::chrono::milliseconds timeout,
                         std::size_t bufferSize)
    : buffer_(bufferSize == 0 ? 1 : bufferSize)
{
    socket_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
    if (!socket_.valid()) {
        const int code = errno;
        throw SocketError("failed to create the socket, error: " + gf_errorText(code), code);
    }
    const sockaddr_in address = gf_ipv4Address(port, scope);
    if (::bind(socket_.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int code = errno;
        throw SocketError("bind to stream socket failed, error: " + gf_errorText(code), code);
    }
    if (!gf_setTimeout(socket_.fd(), SO_RCVTIMEO, timeout)) {
        const int code = errno;
        throw SocketError("setsockopt(SO_RCVTIMEO) failed, error: " + gf_errorText(code), code);
    }
    port_ = gf_boundPort(socket_.fd());
}

ReceiveResult UdpReceiver::receive()
{
    datagramSize_ = 0;
    if (woken_.load()) {
        return {ReceiveStatus::woken};
    }
    // MSG_TRUNC makes the kernel report the full length of a datagram that did not fit.
    const ssize_t received = ::recv(socket_.fd(), buffer_.data(), buffer_.size(), MSG_TRUNC);
    if (woken_.load()) {
        return {ReceiveStatus::woken};
    }
    if (received < 0) {
        return gf_recvFailure(errno);
    }
    const auto size = static_cast<std::size_t>(received);
    if (size >= buffer_.size()) {
        return {ReceiveStatus::overrun, size};
    }
    datagramSize_ = size;
    return {ReceiveStatus::data, size};
}

void UdpReceiver::wake() noexcept
{
    woken_.store(true);
    // On an unbound peer Linux answers ENOTCONN but still wakes every thread blocked in recv().
    ::shutdown(socket_.fd(), SHUT_RDWR);
}

} // namespace hlw::net
