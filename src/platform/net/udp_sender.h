#pragma once
// Sends datagrams to one IPv4 address and port (the stand-in peers and tests play the sending side).
#include "platform/net/net_results.h"
#include "platform/net/socket_handle.h"

#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <string_view>

namespace hlw::net {

class UdpSender {
public:
    // host is a numeric IPv4 address or a name that resolves to one. Throws SocketError with
    // "failed to create the socket, error: {}" or "getaddrinfo failed with error {}".
    UdpSender(const std::string& host, std::uint16_t port);

    // One datagram; MSG_NOSIGNAL. A datagram that nobody receives is not an error for UDP.
    SendResult send(std::string_view bytes);

private:
    SocketHandle socket_;
    sockaddr_in target_{};
};

} // namespace hlw::net
