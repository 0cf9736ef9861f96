#include "client_server.h"

#include <fmt/format.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace hlw::standin {
namespace {

// A client that stops reading must not make the stand-in grow without bound.
constexpr size_t lf_maxQueuedBytes = 64u << 20;
constexpr int lf_pollMs = 20;

} // namespace

int gf_listenLoopback(uint16_t port, uint16_t& boundPort) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    boundPort = ntohs(address.sin_port);
    return fd;
}

bool gf_sendAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

std::thread gf_startThread(std::function<void()> body) { return std::thread(std::move(body)); }

ClientServer::ClientServer(uint16_t port, bool online, ThreadStarter startThread)
    : startThread_(std::move(startThread)), wantOnline_(online) {
    listenFd_ = gf_listenLoopback(port, port_);
    if (listenFd_ < 0) {
        throw std::runtime_error(fmt::format("cannot listen on 127.0.0.1:{}: {}", port, std::strerror(errno)));
    }
    if (!online) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
}

ClientServer::~ClientServer() { stop(); }

void ClientServer::start(Simulation& simulation) {
    simulation_ = &simulation;
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

void ClientServer::stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    reapFinished(true);
    std::lock_guard lock(listenMutex_);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
    appliedGeneration_ = requestedGeneration_;
    listenApplied_.notify_all();
}

bool ClientServer::setOnline(bool online) {
    std::unique_lock lock(listenMutex_);
    wantOnline_ = online;
    const uint64_t generation = ++requestedGeneration_;
    listenApplied_.wait_for(lock, std::chrono::seconds(5), [&] { return appliedGeneration_ >= generation; });
    return (listenFd_ >= 0) == online;
}

// Runs on the accept thread only, so the listener is never closed under a poll of another thread.
void ClientServer::applyListenState() {
    std::lock_guard lock(listenMutex_);
    if (!wantOnline_ && listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    } else if (wantOnline_ && listenFd_ < 0) {
        uint16_t bound = 0;
        listenFd_ = gf_listenLoopback(port_, bound);
        if (listenFd_ < 0) {
            fmt::print(stderr, "sim-standin: cannot listen again on port {}: {}\n", port_, std::strerror(errno));
        }
    }
    appliedGeneration_ = requestedGeneration_;
    listenApplied_.notify_all();
}

void ClientServer::acceptLoop() {
    while (!stopping_) {
        applyListenState();
        reapFinished(false);
        int fd = -1;
        {
            std::lock_guard lock(listenMutex_);
            fd = listenFd_;
        }
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(lf_pollMs));
            continue;
        }
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, lf_pollMs) <= 0 || (waiting.revents & POLLIN) == 0) {
            continue;
        }
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const int yes = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        admit(client);
    }
}

// Takes a new client on, or closes it with a log line when the stand-in is full or gets no threads for it.
void ClientServer::admit(int fd) {
    auto connection = std::make_shared<Connection>();
    connection->fd = fd;
    {
        std::lock_guard lock(connectionsMutex_);
        if (connections_.size() >= kMaxConnections) {
            fmt::print(stderr, "sim-standin: {} clients are connected; refusing one more\n", kMaxConnections);
            ::close(fd);
            return;
        }
        connection->id = nextConnectionId_++;
        connections_[connection->id] = connection;
    }
    try {
        startThreads(connection);
    } catch (const std::exception& e) {
        fmt::print(stderr, "sim-standin: connection {} refused: its threads cannot start: {}\n", connection->id,
                   e.what());
        std::lock_guard lock(connectionsMutex_);
        connections_.erase(connection->id);
        ::close(fd);
    }
}

// Starts both threads of a connection or neither: a writer whose reader failed to start is ended again.
void ClientServer::startThreads(const std::shared_ptr<Connection>& connection) {
    connection->writer = startThread_([this, connection] { writeLoop(connection); });
    try {
        connection->reader = startThread_([this, connection] { readLoop(connection); });
    } catch (...) {
        {
            std::lock_guard lock(connection->mutex);
            connection->stopWriter = true;
        }
        connection->wake.notify_all();
        connection->writer.join();
        throw;
    }
}

void ClientServer::readLoop(const std::shared_ptr<Connection>& connection) {
    FrameSplitter splitter;
    bool greeted = false;
    uint8_t buffer[65536];
    while (true) {
        const ssize_t received = ::recv(connection->fd, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            break;
        }
        splitter.feed(std::span<const uint8_t>(buffer, static_cast<size_t>(received)));
        while (auto frame = splitter.next()) {
            if (!greeted) {
                const auto name = gf_decodeHello(*frame);
                if (!name) {
                    fmt::print(stderr, "sim-standin: connection {}: first frame is no HELLO\n", connection->id);
                    continue;
                }
                greeted = true;
                simulation_->connect(connection->id, *name);
                continue;
            }
            const auto call = gf_decodeSimCall(*frame);
            if (!call) {
                fmt::print(stderr, "sim-standin: connection {}: frame of kind {} ({} bytes) is no valid call\n",
                           connection->id, frame->kind, frame->payload.size());
                continue;
            }
            try {
                simulation_->handleCall(connection->id, *call);
            } catch (const std::exception& e) {
                fmt::print(stderr, "sim-standin: connection {}: {} failed: {}\n", connection->id,
                           gf_simCallName(call->kind), e.what());
            }
        }
        // Nothing after a bad length field can be trusted, and the client would wait for ever.
        if (splitter.broken()) {
            fmt::print(stderr, "sim-standin: connection {}: broken frame stream, closing\n", connection->id);
            ::shutdown(connection->fd, SHUT_RDWR);
            break;
        }
    }
    if (greeted) {
        simulation_->disconnect(connection->id);
    }
    {
        std::lock_guard lock(connection->mutex);
        connection->stopWriter = true;
    }
    connection->wake.notify_all();
    connection->readerDone = true;
}

void ClientServer::writeLoop(const std::shared_ptr<Connection>& connection) {
    while (true) {
        Bytes frame;
        {
            std::unique_lock lock(connection->mutex);
            connection->wake.wait(lock, [&] {
                return connection->stopWriter || !connection->queue.empty() || connection->closeAfterFlush;
            });
            if (connection->stopWriter) {
                return;
            }
            if (connection->queue.empty()) {
                // Everything asked for is written: end the connection; the reader sees the end.
                ::shutdown(connection->fd, SHUT_RDWR);
                return;
            }
            frame = std::move(connection->queue.front());
            connection->queue.pop_front();
            connection->queuedBytes -= frame.size();
        }
        if (!gf_sendAll(connection->fd, frame.data(), frame.size())) {
            ::shutdown(connection->fd, SHUT_RDWR);
            return;
        }
    }
}

void ClientServer::sendFrame(uint32_t clientId, Bytes frame) {
    std::shared_ptr<Connection> connection;
    {
        std::lock_guard lock(connectionsMutex_);
        const auto found = connections_.find(clientId);
        if (found == connections_.end()) {
            return;
        }
        connection = found->second;
    }
    bool overflow = false;
    {
        std::lock_guard lock(connection->mutex);
        if (connection->stopWriter || connection->closeAfterFlush) {
            return;
        }
        connection->queuedBytes += frame.size();
        connection->queue.push_back(std::move(frame));
        overflow = connection->queuedBytes > lf_maxQueuedBytes;
        if (overflow) {
            connection->queue.clear();
            connection->queuedBytes = 0;
            connection->stopWriter = true;
        }
    }
    if (overflow) {
        fmt::print(stderr, "sim-standin: client {} does not read; dropping its connection\n", clientId);
        ::shutdown(connection->fd, SHUT_RDWR);
    }
    connection->wake.notify_all();
}

void ClientServer::dropAll() {
    std::lock_guard lock(connectionsMutex_);
    for (auto& [id, connection] : connections_) {
        {
            std::lock_guard queueLock(connection->mutex);
            connection->queue.clear();
            connection->queuedBytes = 0;
            connection->stopWriter = true;
        }
        connection->wake.notify_all();
        ::shutdown(connection->fd, SHUT_RDWR);
    }
}

void ClientServer::closeAfterFlush(uint32_t clientId) {
    std::shared_ptr<Connection> connection;
    {
        std::lock_guard lock(connectionsMutex_);
        const auto found = connections_.find(clientId);
        if (found == connections_.end()) {
            return;
        }
        connection = found->second;
    }
    {
        std::lock_guard queueLock(connection->mutex);
        connection->closeAfterFlush = true;
    }
    connection->wake.notify_all();
}

void ClientServer::closeAllAfterFlush() {
    std::lock_guard lock(connectionsMutex_);
    for (auto& [id, connection] : connections_) {
        {
            std::lock_guard queueLock(connection->mutex);
            connection->closeAfterFlush = true;
        }
        connection->wake.notify_all();
    }
}

// Joins the threads of ended connections outside connectionsMutex_: an ending reader still sends
// "ObjectRemoved" to the others through sendFrame.
void ClientServer::reapFinished(bool all) {
    std::vector<std::shared_ptr<Connection>> finished;
    {
        std::lock_guard lock(connectionsMutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (all) {
                ::shutdown(it->second->fd, SHUT_RDWR);
            }
            if (all || it->second->readerDone) {
                finished.push_back(it->second);
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& connection : finished) {
        connection->reader.join();
        {
            std::lock_guard lock(connection->mutex);
            connection->stopWriter = true;
        }
        connection->wake.notify_all();
        connection->writer.join();
        ::close(connection->fd);
    }
}

} // namespace hlw::standin
