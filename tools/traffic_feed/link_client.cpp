#include "traffic_feed/link_client.h"

#include "traffic_feed/link_checks.h"

#include <fmt/format.h>
#include <thread>

namespace hlw::feed {

namespace {

constexpr std::size_t kReceiveBound = 1 << 16;
// The program's lines are short; a peer that sends this much without a line end is broken.
constexpr std::size_t kMaxLineBytes = 1 << 14;
constexpr std::chrono::milliseconds kConnectTimeout{200};

} // namespace

std::optional<ReplyMode> gf_replyModeFromName(std::string_view name)
{
    static constexpr std::pair<std::string_view, ReplyMode> kNames[] = {
        {"normal", ReplyMode::normal}, {"late", ReplyMode::late},     {"partial", ReplyMode::partial},
        {"none", ReplyMode::none},     {"empty", ReplyMode::empty},   {"broken", ReplyMode::broken},
        {"array", ReplyMode::array},   {"drop", ReplyMode::drop}};
    for (const auto& [text, mode] : kNames) {
        if (text == name) {
            return mode;
        }
    }
    return std::nullopt;
}

LinkClient::LinkClient(LinkOptions options) : options_(std::move(options))
{
    if (!options_.logFile.empty()) {
        log_.open(options_.logFile, std::ios::trunc);
        if (!log_) {
            throw std::runtime_error(fmt::format("cannot write the link log {}", options_.logFile.string()));
        }
    }
}

void LinkClient::record(double now, std::string_view event, std::string_view text)
{
    if (log_.is_open()) {
        log_ << fmt::format("{:.3f} {} {}\n", now, event, text);
        log_.flush();
    }
}

void LinkClient::step(double now, std::chrono::milliseconds maxWait)
{
    if (state_ == State::done) {
        std::this_thread::sleep_for(maxWait);
        return;
    }
    if (state_ == State::waiting) {
        if (now >= nextAttempt_) {
            if (client_.connect(options_.host, options_.port, kConnectTimeout)) {
                state_ = State::connected;
                connectedAt_ = now;
                qs123ThisConnection_ = 0;
                pending_.clear();
                ++stats_.connections;
                record(now, "connected", fmt::format("{}:{}", options_.host, options_.port));
                return;
            }
            nextAttempt_ = now + options_.retryInterval;
        }
        std::this_thread::sleep_for(std::min(maxWait, std::chrono::milliseconds(static_cast<int>(
                                                          std::max(0.0, nextAttempt_ - now) * 1000.0))));
        return;
    }
    if (replyAt_ && now >= *replyAt_) {
        client_.sendText(replyRest_);
        record(now, "reply", replyRest_);
        replyAt_.reset();
        replyRest_.clear();
    }
    if (options_.dropAfter && now - connectedAt_ >= *options_.dropAfter) {
        endConnection(now, "dropped");
        return;
    }
    std::string text;
    const net::ReceiveResult result = client_.receive(text, kReceiveBound, maxWait);
    switch (result.status) {
    case net::ReceiveStatus::data: {
        pending_ += text;
        std::size_t lineEnd = 0;
        while (state_ == State::connected && (lineEnd = pending_.find('\n')) != std::string::npos) {
            std::string line = pending_.substr(0, lineEnd);
            pending_.erase(0, lineEnd + 1);
            const bool carriageReturn = !line.empty() && line.back() == '\r';
            if (carriageReturn) {
                line.pop_back();
            }
            handleLine(now, line, carriageReturn);
        }
        if (state_ == State::connected && pending_.size() > kMaxLineBytes) {
            dropLongLine(now);
        }
        break;
    }
    case net::ReceiveStatus::timedOut:
        break;
    case net::ReceiveStatus::closed:
        endConnection(now, "closed");
        break;
    default:
        endConnection(now, fmt::format("failed {}", result.errorText()));
        break;
    }
}

void LinkClient::handleLine(double now, std::string_view line, bool endsWithCarriageReturn)
{
    const std::string shown(line);
    if (!endsWithCarriageReturn) {
        ++stats_.unknown;
        record(now, "bad", fmt::format("(line without \\r\\n) {}", shown));
        return;
    }
    if (line == "Qs999=version") {
        ++stats_.versionRequests;
        record(now, "request", shown);
        answerVersion(now);
    } else if (line == "exit") {
        ++stats_.exits;
        exitSeen_ = true;
        record(now, "exit", shown);
    } else if (line.substr(0, 6) == "Qs121=") {
        const LineCheck check = gf_checkQs121(line);
        if (check.ok) {
            ++stats_.qs121Ok;
            newCentre_ = check.report->position;
            record(now, "Qs121", shown);
        } else {
            ++stats_.qs121Bad;
            record(now, "Qs121-bad", fmt::format("({}) {}", check.problem, shown));
        }
    } else if (line.substr(0, 6) == "Qs123=") {
        LineCheck check = gf_checkQs123(line);
        // At another level than 2 only the one line right after the handshake may come.
        if (check.ok && options_.level != 2 && qs123ThisConnection_ > 0) {
            check.ok = false;
            check.problem = fmt::format("simulator time at level {}", options_.level);
        }
        ++qs123ThisConnection_;
        if (check.ok) {
            ++stats_.qs123Ok;
            record(now, "Qs123", shown);
        } else {
            ++stats_.qs123Bad;
            record(now, "Qs123-bad", fmt::format("({}) {}", check.problem, shown));
        }
    } else {
        ++stats_.unknown;
        record(now, "unknown", shown);
    }
}

void LinkClient::answerVersion(double now)
{
    const std::string reply = fmt::format(R"({{"level":{},"version":"{}"}})", options_.level, options_.version);
    switch (options_.reply) {
    case ReplyMode::normal:
        client_.sendText(reply);
        record(now, "reply", reply);
        break;
    case ReplyMode::late:
        replyAt_ = now + options_.replyDelay;
        replyRest_ = reply;
        break;
    case ReplyMode::partial: {
        const std::string first = reply.substr(0, reply.size() / 2);
        client_.sendText(first);
        record(now, "reply-part", first);
        replyAt_ = now + options_.replyDelay;
        replyRest_ = reply.substr(first.size());
        break;
    }
    case ReplyMode::none:
        record(now, "reply-none", "");
        break;
    case ReplyMode::empty:
        client_.shutdownSending();
        record(now, "reply-empty", "");
        break;
    case ReplyMode::broken: {
        const std::string cut = reply.substr(0, reply.size() - 4);
        client_.sendText(cut);
        record(now, "reply-broken", cut);
        break;
    }
    case ReplyMode::array: {
        const std::string array = fmt::format(R"([{},"{}"])", options_.level, options_.version);
        client_.sendText(array);
        record(now, "reply-array", array);
        break;
    }
    case ReplyMode::drop:
        endConnection(now, "dropped");
        break;
    }
}

void LinkClient::dropLongLine(double now)
{
    const std::string problem = fmt::format("line over {} bytes without a line end; the link is dropped", kMaxLineBytes);
    fmt::print(stderr, "hlmr-traffic-feed: {}\n", problem);
    ++stats_.unknown;
    record(now, "bad", fmt::format("({}) {}...", problem, pending_.substr(0, 40)));
    pending_.clear();
    endConnection(now, "dropped");
}

void LinkClient::endConnection(double now, std::string_view event)
{
    if (!pending_.empty()) {
        ++stats_.unknown;
        record(now, "bad", fmt::format("(unterminated) {}", pending_));
        pending_.clear();
    }
    client_.close();
    replyAt_.reset();
    record(now, event, "");
    if (options_.reconnect && !wantsStop()) {
        state_ = State::waiting;
        nextAttempt_ = now + options_.retryInterval;
    } else {
        state_ = State::done;
    }
}

std::optional<GeoPoint> LinkClient::takeNewCentre()
{
    std::optional<GeoPoint> centre = newCentre_;
    newCentre_.reset();
    return centre;
}

void LinkClient::close(double now)
{
    if (state_ == State::connected) {
        client_.close();
        record(now, "end", "");
    }
    state_ = State::done;
}

} // namespace hlw::feed
