#include "engine/link/live_traffic_server.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/time_text.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_wait.h"
#include "engine/link/link_lines.h"
#include "platform/net/tcp_server.h"
#include "settings/catalogue.h"

#include <cerrno>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <stdexcept>

namespace hlw {

namespace {

using namespace std::chrono_literals;

// A decimal port number of at most 65535 ("0": any free port); anything else would reach the name look-up.
std::string lf_checkedPort(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(text) > 65535) {
        throw std::runtime_error(fmt::format("PORT_NUMBER '{}' is no port number", gf_logExcerpt(text, 40)));
    }
    return text;
}

enum class ReplyEnd { complete, peerClosed, timedOut, interrupted };

} // namespace

LiveTrafficServer::LiveTrafficServer(LinkEvents& events, StatusBoard& status, ResetRegistry& resets,
                                     LinkTimings timings)
    : events_(events), status_(status), timings_(timings)
{
    resets.add("live-traffic link", [this] { release(); });
}

LiveTrafficServer::~LiveTrafficServer() { release(); }

std::shared_ptr<net::TcpServer> LiveTrafficServer::server() const
{
    const std::lock_guard lock(serverMutex_);
    return server_;
}

void LiveTrafficServer::release()
{
    std::shared_ptr<net::TcpServer> old;
    {
        const std::lock_guard lock(serverMutex_);
        old = std::move(server_);
    }
    if (old) {
        old->wake();
    }
}

void LiveTrafficServer::startServer()
{
    release();
    const std::string port = lf_checkedPort(settings::portNumber.get());
    auto server = std::make_shared<net::TcpServer>(port, net::BindScope::loopback, timings_.sendTimeout);
    closed_.store(false);
    const std::lock_guard lock(serverMutex_);
    server_ = std::move(server);
}

void LiveTrafficServer::connectAndHandshake()
{
    const std::shared_ptr<net::TcpServer> server = this->server();
    if (!rtOnThisPc.load() || !server || closed_.load()) {
        return;
    }
    gf_setMessage(fmt::format("Waiting for RealTraffic to connect to {} ...", productName), true);
    gf_logFlushNow();
    events_.resetReaders();
    while (!gf_runEnding() && !closed_.load()) {
        const net::AcceptResult accepted = accept(*server, timings_.acceptPoll);
        if (accepted.status == net::AcceptStatus::timedOut) {
            continue;
        }
        if (accepted.status == net::AcceptStatus::failed && !gf_runEnding()) {
            gf_log(fmt::format("waitForClient interrupted: {}", accepted.errorText));
        }
        if (accepted.status != net::AcceptStatus::accepted || handshake(*server)) {
            break;
        }
    }
    gf_clearMessage();
}

net::AcceptResult LiveTrafficServer::accept(net::TcpServer& server, std::chrono::milliseconds timeout)
{
    net::AcceptResult result = server.acceptClient(timeout);
    if (result.closedPeersDropped > 0) {
        const auto dropped = static_cast<uint64_t>(result.closedPeersDropped);
        const uint64_t total = closedPeersDropped_.fetch_add(dropped) + dropped;
        if (!gf_runEnding()) {
            closedPeerLines_.log(
                "closed peers",
                fmt::format("RealTraffic link: connection closed before it was served; dropped ({} so far)", total));
        }
    }
    return result;
}

bool LiveTrafficServer::handshake(net::TcpServer& server)
{
    if (!server.sendLine(versionRequestLine).ok) {
        server.dropClient();
        return false;
    }
    bool silent = false;
    const std::string reply = readVersionReply(server, silent);
    if (silent) {
        gf_setMessage("No RealTraffic version received?", true);
        gf_log(fmt::format("RealTraffic client sent no version within {} ms and is dropped",
                           timings_.versionReplyTimeout.count()));
        server.dropClient();
        return false;
    }
    if (gf_runEnding() || closed_.load()) {
        return true;
    }
    const VersionReply version = gf_readVersionReply(reply);
    if (!version.received) {
        gf_setMessage("No RealTraffic version received?", true);
    }
    if (!version.problem.empty()) {
        gf_log(version.problem);
    }
    simTimeEnabled.store(version.simTime);
    simTimeInUse.store(version.simTime);
    status_.update([&version](StatusValues& values) { values.rtEditionText = version.editionText; });
    setLiveSourceReady(true);
    handshakes_.fetch_add(1);
    rtLinkPending.store(false);
    gf_logFlush("RealTraffic connected");
    return true;
}

// Gathers the reply until it is one complete JSON text, fills its bound, the client closes its side, the time is
// up or the run ends. silent: the time passed without a byte.
std::string LiveTrafficServer::readVersionReply(net::TcpServer& server, bool& silent)
{
    std::string reply;
    std::string part;
    const auto deadline = std::chrono::steady_clock::now() + timings_.versionReplyTimeout;
    ReplyEnd end = ReplyEnd::interrupted;
    while (!gf_runEnding() && !closed_.load()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            end = ReplyEnd::timedOut;
            break;
        }
        const net::ReceiveResult result =
            server.receive(part, maxVersionReplyBytes + 1 - reply.size(), std::min(left, timings_.acceptPoll));
        if (result.status == net::ReceiveStatus::timedOut) {
            continue;
        }
        if (result.status == net::ReceiveStatus::data) {
            reply += part;
            if (reply.size() < maxVersionReplyBytes && !nlohmann::json::accept(reply)) {
                continue;
            }
            end = ReplyEnd::complete;
        } else if (result.status == net::ReceiveStatus::closed) {
            end = ReplyEnd::peerClosed;
        } else if (result.status == net::ReceiveStatus::overrun) {
            gf_logUnlessStopping(fmt::format("receive: buffer overrun: {}", reply.size() + result.size));
            end = ReplyEnd::complete;
        } else if (result.status == net::ReceiveStatus::failed) {
            gf_logUnlessStopping(fmt::format("receive: {}", result.errorText()));
            end = ReplyEnd::complete;
        }
        break;
    }
    silent = end == ReplyEnd::timedOut && reply.empty();
    return reply;
}

void LiveTrafficServer::sendUserPosition()
{
    if (!rtOnThisPc.load() || closed_.load()) {
        return;
    }
    const UserAircraftFix user = events_.userAircraft();
    if (std::abs(user.latitude) <= 0.0001 && std::abs(user.longitude) <= 0.0001) {
        return;
    }
    const std::shared_ptr<net::TcpServer> server = this->server();
    if (!server) {
        return;
    }
    if (!server->connected()) {
        if (gf_stopDecision().reason == ExitReason::notYetSet &&
            accept(*server, 0ms).status == net::AcceptStatus::accepted) {
            setLiveSourceReady(true);
            // The level of the one version exchange still holds for the returning application.
            simTimeInUse.store(simTimeEnabled.load());
            gf_setMessage(fmt::format("{} RealTraffic re-connected", gf_nowClockText()), true);
            gf_clearMessage();
        }
        return;
    }
    const std::optional<std::string> line = gf_userPositionLine(user);
    if (!line) {
        return;
    }
    // The engine tick sends this: a client that reads nothing for a while misses a position rather than stall it.
    if (const net::SendResult sent = server->trySendLine(*line); !sent.ok) {
        if (sent.errorCode == EAGAIN) {
            userPositionsSkipped_.fetch_add(1);
            return;
        }
        clientLost(*server, sent.errorText());
        return;
    }
    userPositions_.fetch_add(1);
}

void LiveTrafficServer::sendSimTime()
{
    const std::shared_ptr<net::TcpServer> server = this->server();
    if (!simTimeEnabled.load() || closed_.load() || !server || !server->connected()) {
        return;
    }
    const std::optional<std::string> line = gf_simTimeLine(simUtcSeconds.load());
    if (!line) {
        return;
    }
    if (const net::SendResult sent = server->sendLine(*line); !sent.ok) {
        clientLost(*server, sent.errorText());
        return;
    }
    simTimes_.fetch_add(1);
}

// Whatever send found the client gone, its aircraft go with it: the traffic that follows a re-connect belongs to
// wherever the user is then.
void LiveTrafficServer::clientLost(net::TcpServer& server, const std::string& error)
{
    lostClients_.fetch_add(1);
    gf_logUnlessStopping(fmt::format("sendDataPacket to RealTraffic failed: {}", error));
    server.dropClient();
    gf_logUnlessStopping("RealTraffic client socket closed");
    setLiveSourceReady(false);
    // Without the application the program's clock is the PC's again, and the returning application never gets
    // the simulator time of before the loss: the flag first, so that the simulator link stops writing the time.
    simTimeInUse.store(false);
    simUtcSeconds.store(0);
    if (!userClosing.load()) {
        events_.removeLiveAircraft();
    }
    events_.resetReaders();
    gf_setMessage(fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_nowClockText()), true);
}

void LiveTrafficServer::close()
{
    closed_.store(true);
    const std::shared_ptr<net::TcpServer> server = this->server();
    if (!server) {
        return;
    }
    if (server->connected()) {
        server->sendLine(exitLine);
    }
    server->wake();
}

void LiveTrafficServer::setLiveSourceReady(bool ready)
{
    status_.update([ready](StatusValues& values) { values.liveSourceReady = ready; });
}

uint16_t LiveTrafficServer::port() const
{
    const std::shared_ptr<net::TcpServer> server = this->server();
    return server ? server->port() : 0;
}

LinkCounts LiveTrafficServer::counts() const
{
    return {handshakes_.load(), userPositions_.load(), simTimes_.load(), lostClients_.load(),
            userPositionsSkipped_.load(), closedPeersDropped_.load()};
}

} // namespace hlw
