#pragma once
// The client side of the stand-in's network: a loopback listener that can go offline, and per
// connection a reader thread that always drains the socket and a writer thread with its own queue, so
// a slow client never holds up the simulation.
//
// Lock order: the world mutex (Simulation) before connections_ before a connection's queue mutex.
#include "simulation.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace hlw::standin {

// Starts one thread running the body; throws (std::system_error) when the system has no thread to give.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;
std::thread gf_startThread(std::function<void()> body);

class ClientServer final : public ClientSink {
public:
    // More clients than this are refused: each costs two threads and a queue.
    static constexpr size_t kMaxConnections = 32;

    // Binds 127.0.0.1:port (0: a free port). Throws std::runtime_error when it cannot.
    explicit ClientServer(uint16_t port, bool online = true, ThreadStarter startThread = gf_startThread);
    ~ClientServer() override;
    ClientServer(const ClientServer&) = delete;
    ClientServer& operator=(const ClientServer&) = delete;

    uint16_t port() const { return port_; }
    void start(Simulation& simulation);
    // Closes every connection and joins every thread; safe to call twice.
    void stop();

    // Offline closes the listener so that connecting is refused; returns once that holds.
    bool setOnline(bool online);
    // Closes every connection at once, dropping what was still queued.
    void dropAll();
    // Closes every connection once its queue is written out.
    void closeAllAfterFlush();

    void sendFrame(uint32_t clientId, Bytes frame) override;
    void closeAfterFlush(uint32_t clientId) override;

private:
    struct Connection {
        int fd = -1;
        uint32_t id = 0;
        std::thread reader;
        std::thread writer;
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<Bytes> queue;
        size_t queuedBytes = 0;
        bool closeAfterFlush = false;
        bool stopWriter = false;
        std::atomic<bool> readerDone{false};
    };

    void acceptLoop();
    void admit(int fd);
    void startThreads(const std::shared_ptr<Connection>& connection);
    void applyListenState();
    void readLoop(const std::shared_ptr<Connection>& connection);
    void writeLoop(const std::shared_ptr<Connection>& connection);
    void reapFinished(bool all);

    Simulation* simulation_ = nullptr;
    ThreadStarter startThread_;
    uint16_t port_ = 0;
    std::thread acceptThread_;
    std::atomic<bool> stopping_{false};

    std::mutex listenMutex_;
    std::condition_variable listenApplied_;
    int listenFd_ = -1;
    bool wantOnline_ = true;
    uint64_t requestedGeneration_ = 0;
    uint64_t appliedGeneration_ = 0;

    std::mutex connectionsMutex_;
    std::map<uint32_t, std::shared_ptr<Connection>> connections_;
    uint32_t nextConnectionId_ = 1;
};

// Binds a TCP listener on 127.0.0.1; port 0 picks a free one. Returns the fd and the bound port, or -1.
int gf_listenLoopback(uint16_t port, uint16_t& boundPort);
// Sends every byte (MSG_NOSIGNAL); false on any error.
bool gf_sendAll(int fd, const uint8_t* data, size_t size);

} // namespace hlw::standin
