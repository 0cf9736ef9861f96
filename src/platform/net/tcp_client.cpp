#include "platform/net/tcp_client.h"

#include "platform/net/socket_helpers.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace hlw::net {

bool TcpClient::connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
{
    socket_.reset();
    lastError_ = 0;
    const sockaddr_in target = gf_resolveIpv4(host, port, SOCK_STREAM);
    SocketHandle handle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP));
    if (!handle.valid()) {
        lastError_ = errno;
        return false;
    }
    if (::connect(handle.fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) {
            lastError_ = errno;
            return false;
        }
        pollfd entry{handle.fd(), POLLOUT, 0};
        const int ready = ::poll(&entry, 1, timeout.count() < 0 ? -1 : static_cast<int>(timeout.count()));
        if (ready <= 0) {
            lastError_ = ready == 0 ? ETIMEDOUT : errno;
            return false;
        }
        int status = 0;
        socklen_t length = sizeof status;
        if (::getsockopt(handle.fd(), SOL_SOCKET, SO_ERROR, &status, &length) != 0 || status != 0) {
            lastError_ = status != 0 ? status : errno;
            return false;
        }
    }
    // Back to blocking mode: sends are bounded by the send time-out, receives by poll().
    const int flags = ::fcntl(handle.fd(), F_GETFL);
    const int on = 1;
    if (flags < 0 || ::fcntl(handle.fd(), F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        ::setsockopt(handle.fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 ||
        !gf_setTimeout(handle.fd(), SO_SNDTIMEO, kDefaultSendTimeout)) {
        lastError_ = errno;
        return false;
    }
    socket_ = std::move(handle);
    return true;
}

SendResult TcpClient::sendText(std::string_view bytes)
{
    if (!socket_.valid()) {
        return {false, ENOTCONN};
    }
    if (const int code = gf_sendAll(socket_.fd(), bytes); code != 0) {
        return {false, code};
    }
    return {true};
}

ReceiveResult TcpClient::receive(std::string& text, std::size_t bound, std::chrono::milliseconds timeout)
{
    text.clear();
    if (woken_.load()) {
        return {ReceiveStatus::woken};
    }
    if (!socket_.valid()) {
        return {ReceiveStatus::closed};
    }
    return gf_receiveStream(socket_.fd(), text, bound, timeout, woken_);
}

void TcpClient::shutdownSending() noexcept
{
    if (socket_.valid()) {
        ::shutdown(socket_.fd(), SHUT_WR);
    }
}

void TcpClient::wake() noexcept
{
    woken_.store(true);
    if (socket_.valid()) {
        ::shutdown(socket_.fd(), SHUT_RDWR);
    }
}

} // namespace hlw::net
