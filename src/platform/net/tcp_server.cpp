#include "platform/net/tcp_server.h"

#include "platform/net/socket_error.h"
#include "platform/net/socket_helpers.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace hlw::net {

namespace {

struct AddressListDeleter {
    void operator()(addrinfo* list) const noexcept { ::freeaddrinfo(list); }
};

} // namespace

TcpServer::TcpServer(const std::string& port, BindScope scope, std::chrono::milliseconds sendTimeout)
    : sendTimeout_(sendTimeout)
{
    addrinfo hints{};
    hints.ai_flags = AI_PASSIVE;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const char* host = scope == BindScope::loopback ? "127.0.0.1" : nullptr;
    if (const int code = ::getaddrinfo(host, port.c_str(), &hints, &found); code != 0) {
        throw SocketError("getaddrinfo failed with error " + std::to_string(code) + " " + ::gai_strerror(code), code);
    }
    const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);

    listener_.reset(::socket(addresses->ai_family, addresses->ai_socktype | SOCK_CLOEXEC, addresses->ai_protocol));
    if (!listener_.valid()) {
        const int code = errno;
        throw SocketError("socket failed with error " + gf_errorText(code), code);
    }
    const int on = 1;
    if (::setsockopt(listener_.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        throw SocketError("setsockopt(SO_REUSEADDR) failed", errno);
    }
    if (::bind(listener_.fd(), addresses->ai_addr, addresses->ai_addrlen) != 0) {
        const int code = errno;
        throw SocketError("Bind failed at port " + port + " with error " + gf_errorText(code), code);
    }
    if (::listen(listener_.fd(), kListenBacklog) != 0) {
        const int code = errno;
        throw SocketError("listen failed with error " + gf_errorText(code), code);
    }
    port_ = gf_boundPort(listener_.fd());
}

AcceptResult TcpServer::acceptClient(std::chrono::milliseconds timeout)
{
    if (woken_.load()) {
        return {AcceptStatus::woken};
    }
    if (connected_.load()) {
        return {AcceptStatus::alreadyConnected};
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int closedPeers = 0;
    for (;;) {
        std::chrono::milliseconds left = timeout;
        if (timeout != kWaitForever) {
            const auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            left = std::max(rest, std::chrono::milliseconds::zero());
        }
        SocketHandle accepted;
        AcceptResult result = takeQueued(left, accepted);
        // A client that connected and went while it waited in the queue would be lost at the first send.
        if (result.status == AcceptStatus::accepted && gf_peerGone(accepted.fd())) {
            ++closedPeers;
            continue;
        }
        result.closedPeersDropped = closedPeers;
        if (result.status != AcceptStatus::accepted) {
            return result;
        }
        const int on = 1;
        if (::setsockopt(accepted.fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
            const int code = errno;
            result = {AcceptStatus::failed, code, "setsockopt failed with error " + gf_errorText(code)};
            result.closedPeersDropped = closedPeers;
            return result;
        }
        const std::lock_guard lock(fdMutex_);
        if (woken_.load()) {
            return {AcceptStatus::woken};
        }
        client_ = std::move(accepted);
        connected_.store(true);
        return result;
    }
}

AcceptResult TcpServer::takeQueued(std::chrono::milliseconds timeout, SocketHandle& accepted)
{
    int errorCode = 0;
    const WaitOutcome outcome = gf_waitReadable(listener_.fd(), timeout, errorCode);
    if (woken_.load()) {
        return {AcceptStatus::woken};
    }
    if (outcome == WaitOutcome::timedOut) {
        return {AcceptStatus::timedOut};
    }
    if (outcome == WaitOutcome::failed) {
        return {AcceptStatus::failed, errorCode, "poll failed with error " + gf_errorText(errorCode)};
    }
    accepted.reset(::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!accepted.valid()) {
        const int code = errno;
        if (woken_.load()) {
            return {AcceptStatus::woken};
        }
        if (code == EINTR || code == EAGAIN || code == ECONNABORTED) {
            return {AcceptStatus::timedOut};
        }
        return {AcceptStatus::failed, code, "accept failed with error " + gf_errorText(code)};
    }
    return {AcceptStatus::accepted};
}

int TcpServer::sendWithin(int fd, std::string_view bytes) const
{
    const auto deadline = std::chrono::steady_clock::now() + sendTimeout_;
    while (!bytes.empty()) {
        if (woken_.load()) {
            return ESHUTDOWN;
        }
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return errno;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return ETIMEDOUT;
        }
        // A shutdown by wake() or the peer going away ends the wait with POLLHUP or POLLERR.
        pollfd entry{fd, POLLOUT, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

SendResult TcpServer::sendText(std::string_view bytes)
{
    const std::lock_guard sendLock(sendMutex_);
    // The descriptor stays open during the send: only the owner closes it, and it takes sendMutex_ first.
    const int fd = clientFd();
    if (fd < 0) {
        return {false, ENOTCONN};
    }
    if (const int code = sendWithin(fd, bytes); code != 0) {
        const std::lock_guard lock(fdMutex_);
        connected_.store(false);
        if (client_.valid()) {
            ::shutdown(client_.fd(), SHUT_RDWR);
        }
        return {false, code};
    }
    return {true};
}

SendResult TcpServer::sendLine(std::string_view line)
{
    std::string text;
    text.reserve(line.size() + 2);
    text.append(line).append("\r\n");
    return sendText(text);
}

SendResult TcpServer::trySendLine(std::string_view line)
{
    std::string text;
    text.reserve(line.size() + 2);
    text.append(line).append("\r\n");
    const std::lock_guard sendLock(sendMutex_);
    const int fd = clientFd();
    if (fd < 0) {
        return {false, ENOTCONN};
    }
    const ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == static_cast<ssize_t>(text.size())) {
        return {true};
    }
    const int code = sent < 0 ? errno : EMSGSIZE;
    if (sent < 0 && (code == EAGAIN || code == EWOULDBLOCK || code == EINTR)) {
        return {false, EAGAIN};
    }
    const std::lock_guard lock(fdMutex_);
    connected_.store(false);
    if (client_.valid()) {
        ::shutdown(client_.fd(), SHUT_RDWR);
    }
    return {false, code};
}

int TcpServer::clientFd() const
{
    const std::lock_guard lock(fdMutex_);
    return connected_.load() ? client_.fd() : -1;
}

ReceiveResult TcpServer::receive(std::string& text, std::size_t bound, std::chrono::milliseconds timeout)
{
    text.clear();
    if (woken_.load()) {
        return {ReceiveStatus::woken};
    }
    // The descriptor stays open while this thread uses it: only this thread closes it.
    const int fd = clientFd();
    if (fd < 0) {
        return {ReceiveStatus::closed};
    }
    const ReceiveResult result = gf_receiveStream(fd, text, bound, timeout, woken_);
    // A wake() during the receive wins over what the receive returned.
    if (woken_.load()) {
        text.clear();
        return {ReceiveStatus::woken};
    }
    return result;
}

void TcpServer::dropClient() noexcept
{
    const std::lock_guard sendLock(sendMutex_);
    const std::lock_guard lock(fdMutex_);
    connected_.store(false);
    client_.reset();
}

void TcpServer::wake() noexcept
{
    woken_.store(true);
    const std::lock_guard lock(fdMutex_);
    ::shutdown(listener_.fd(), SHUT_RDWR);
    if (client_.valid()) {
        ::shutdown(client_.fd(), SHUT_RDWR);
    }
}

} // namespace hlw::net
