#pragma once
// The TCP link to the live-traffic application on this PC, behind the worker's link seam: a server on 127.0.0.1
// and "PORT_NUMBER" for one client, the version handshake, the user position once per second and the simulator
// time at level 2 (engine/link_lines.h).
//
// The link never blocks the worker for long: the wait for the first client polls the stop flags, the version
// reply is gathered for at most 5 s, every send ends within 200 ms, and after a lost client the engine goes on
// ticking while each position send tries one accept without waiting. A client that sends no version reply in
// time is dropped and the wait goes on, so that a silent connection never holds the one client slot; a queued
// connection whose peer has already gone is never taken for the application.
//
// Threads: the worker calls everything but close(), which any thread may call: it sends "exit" to a connected
// client and wakes the worker's waits; the worker alone closes descriptors (the next start or the run reset).
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "engine/base/log_throttle.h"
#include "engine/base/reset_registry.h"
#include "engine/link/link_events.h"
#include "engine/link/live_traffic_link.h"
#include "platform/net/net_results.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace hlw {

namespace net {
class TcpServer;
}

struct LinkTimings {
    std::chrono::milliseconds acceptPoll{100};
    std::chrono::milliseconds versionReplyTimeout{5000};
    std::chrono::milliseconds sendTimeout{200};
};

struct LinkCounts {
    uint64_t handshakes = 0;
    uint64_t userPositions = 0; // "Qs121=" lines sent
    uint64_t simTimes = 0;      // "Qs123=" lines sent
    uint64_t lostClients = 0;
    uint64_t userPositionsSkipped = 0; // the client's buffer was full
    uint64_t closedPeersDropped = 0;   // queued connections whose peer had gone before they were taken
};

class LiveTrafficServer final : public LiveTrafficLink {
public:
    LiveTrafficServer(LinkEvents& events, StatusBoard& status, ResetRegistry& resets, LinkTimings timings = {});
    ~LiveTrafficServer() override;
    LiveTrafficServer(const LiveTrafficServer&) = delete;
    LiveTrafficServer& operator=(const LiveTrafficServer&) = delete;

    // Listens on "PORT_NUMBER" (a decimal port; "0" picks a free one) on 127.0.0.1, after closing the server of
    // an earlier run. A setting that is no port, or a port that cannot be bound, throws std::runtime_error.
    void startServer() override;
    // While the live-traffic application runs on this PC and a server listens: waits for the application until a
    // stop or a close, asks for its version and reads the reply; level 2 sets simTimeEnabled and simTimeInUse.
    void connectAndHandshake() override;
    // "Qs121=" to a connected client without waiting (a full buffer skips this position); a failed send is a
    // lost client, which clears simTimeInUse and the simulator time. Without a client: one accept that does not
    // wait, while no stop is requested; a returning client takes the level of the first handshake.
    void sendUserPosition() override;
    // "Qs123=" to a connected client at level 2, when the simulator time is at least 1 s.
    void sendSimTime() override;
    void close() override;

    // The listening port; 0 while there is no server.
    uint16_t port() const;
    LinkCounts counts() const;

private:
    std::shared_ptr<net::TcpServer> server() const;
    // One accept; connections found closed in the queue are counted and logged at most once a minute.
    net::AcceptResult accept(net::TcpServer& server, std::chrono::milliseconds timeout);
    // The handshake with a client just accepted; false when it gave no reply in time and was dropped.
    bool handshake(net::TcpServer& server);
    std::string readVersionReply(net::TcpServer& server, bool& silent);
    void clientLost(net::TcpServer& server, const std::string& error);
    void setLiveSourceReady(bool ready);
    void release();

    LinkEvents& events_;
    StatusBoard& status_;
    const LinkTimings timings_;
    mutable std::mutex serverMutex_; // guards server_ (the pointer, not the server)
    std::shared_ptr<net::TcpServer> server_;
    std::atomic<bool> closed_{false};
    std::atomic<uint64_t> handshakes_{0};
    std::atomic<uint64_t> userPositions_{0};
    std::atomic<uint64_t> simTimes_{0};
    std::atomic<uint64_t> lostClients_{0};
    std::atomic<uint64_t> userPositionsSkipped_{0};
    std::atomic<uint64_t> closedPeersDropped_{0};
    LogThrottle closedPeerLines_{gf_systemSteadyTime()}; // the worker's
};

} // namespace hlw
