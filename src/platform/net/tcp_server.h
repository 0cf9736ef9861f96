#pragma once
// A TCP server for exactly one client at a time; lines go out with "\r\n".
//
// Threads: acceptClient(), receive(), dropClient() and the destructor belong to the owning thread.
// sendText(), sendLine(), connected() and wake() may be called from any thread. wake() releases a blocked
// acceptClient(), receive() or send and makes every later one return at once; the object is then finished.
// wake() never waits for a send in progress. A client descriptor is only shut down by other threads and closed
// by the owning thread (which waits for a send in progress first), so no thread ever uses a descriptor number
// that was closed and reused.
#include "platform/net/net_results.h"
#include "platform/net/socket_handle.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace hlw::net {

class TcpServer {
public:
    static constexpr std::size_t kDefaultReceiveBound = 16384;
    static constexpr std::chrono::milliseconds kDefaultSendTimeout{2000};

    // One client is served, so only a few connections wait in the listen queue; more are not completed by the
    // system until the queue has room.
    static constexpr int kListenBacklog = 4;

    // Listens on port (as text; "0" picks a free one) on 127.0.0.1 or all interfaces, with SO_REUSEADDR and
    // backlog kListenBacklog. Throws SocketError: "getaddrinfo failed with error {}", "socket failed with error {}",
    // "setsockopt(SO_REUSEADDR) failed", "Bind failed at port {} with error {}", "listen failed with error {}".
    explicit TcpServer(const std::string& port, BindScope scope = BindScope::loopback,
                       std::chrono::milliseconds sendTimeout = kDefaultSendTimeout);
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    std::uint16_t port() const noexcept { return port_; }
    bool connected() const noexcept { return connected_.load(); }

    // Waits up to timeout (kWaitForever: until a client comes or wake()) for a client; returns at once
    // with alreadyConnected when one is connected. A queued connection whose peer has already closed or failed
    // is closed and the next one taken, within the same time-out. The client gets TCP_NODELAY; a failure there
    // is "setsockopt failed with error {}".
    AcceptResult acceptClient(std::chrono::milliseconds timeout = kWaitForever);

    // Sends all bytes (MSG_NOSIGNAL: a gone peer never raises SIGPIPE) within one deadline of the send time-out
    // for the whole text, however the peer drains it. A failure, a send not done by the deadline (ETIMEDOUT) or a
    // wake() (ESHUTDOWN) drops the client and reports the error; without a client: ENOTCONN. Sends of several
    // threads go out one after the other, each text whole.
    SendResult sendText(std::string_view bytes);
    // sendText(line + "\r\n").
    SendResult sendLine(std::string_view line);
    // line + "\r\n" in one send that never waits: EAGAIN when the client's buffer has no room (nothing was
    // sent, the client stays); a text sent in part leaves the stream cut, so the client is dropped as on a failure.
    SendResult trySendLine(std::string_view line);

    // One receive of at most bound - 1 useful bytes into text: bound bytes or more are an overrun (the
    // bytes are discarded). closed when the peer closed its side or no client is connected.
    ReceiveResult receive(std::string& text, std::size_t bound = kDefaultReceiveBound,
                          std::chrono::milliseconds timeout = kWaitForever);

    // Ends the connection with the client (the server keeps listening).
    void dropClient() noexcept;
    void wake() noexcept;
    bool woken() const noexcept { return woken_.load(); }

private:
    // Waits up to timeout for a queued connection and takes it; timedOut when none came.
    AcceptResult takeQueued(std::chrono::milliseconds timeout, SocketHandle& accepted);
    int clientFd() const;
    int sendWithin(int fd, std::string_view bytes) const;

    SocketHandle listener_;
    SocketHandle client_;
    // Lock order: sendMutex_ before fdMutex_. sendMutex_ is held for a whole send; fdMutex_ only to read,
    // shut down or replace a descriptor, never across a blocking call.
    std::mutex sendMutex_;
    mutable std::mutex fdMutex_; // guards client_ and the shutdowns
    std::atomic<bool> connected_{false};
    std::atomic<bool> woken_{false};
    std::uint16_t port_ = 0;
    std::chrono::milliseconds sendTimeout_;
};

} // namespace hlw::net
