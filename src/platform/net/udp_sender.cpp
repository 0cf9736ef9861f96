#include "platform/net/udp_sender.h"

#include "platform/net/socket_error.h"
#include "platform/net/socket_helpers.h"

#include <cerrno>
#include <sys/socket.h>

namespace hlw::net {

UdpSender::UdpSender(const std::string& host, std::uint16_t port)
    : target_(gf_resolveIpv4(host, port, SOCK_DGRAM))
{
    socket_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
    if (!socket_.valid()) {
        const int code = errno;
        throw SocketError("failed to create the socket, error: " + gf_errorText(code), code);
    }
}

SendResult UdpSender::send(std::string_view bytes)
{
    const ssize_t sent = ::sendto(socket_.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&target_), sizeof target_);
    if (sent < 0) {
        return {false, errno};
    }
    return {true};
}

} // namespace hlw::net
