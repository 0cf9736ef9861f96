#pragma once
// The live-traffic application's side of the program's TCP link: connects (and re-connects), answers the
// version request in the chosen way, checks and records every line the program sends, and takes the user
// position of each good "Qs121=" line as the new traffic centre.
#include "platform/net/tcp_client.h"
#include "traffic_feed/feed_geo.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace hlw::feed {

enum class ReplyMode {
    normal,  // {"level":L,"version":"V"} at once
    late,    // the same after the reply delay
    partial, // its first half at once, the rest after the reply delay
    none,    // no reply, the connection stays
    empty,   // the sending side is closed: the program reads an empty reply
    broken,  // a cut JSON text
    array,   // valid JSON that is no object
    drop     // the connection is closed instead of a reply
};

// Reads a mode name ("normal", "late", ...).
std::optional<ReplyMode> gf_replyModeFromName(std::string_view name);

struct LinkOptions {
    bool enabled = false;
    std::string host = "127.0.0.1";
    std::uint16_t port = 10747;
    int level = 2;
    std::string version = "1.2.3";
    ReplyMode reply = ReplyMode::normal;
    double replyDelay = 2.0;            // seconds, for late and partial
    std::optional<double> dropAfter;    // seconds after each connect: close the connection
    bool reconnect = false;             // connect again after the connection ended
    double retryInterval = 0.2;         // seconds between connection attempts
    bool stopOnExit = false;            // the feed ends when "exit" arrives
    std::filesystem::path logFile;      // one line per event: "{seconds:.3f} {event} {text}"
};

struct LinkStats {
    int connections = 0;
    int versionRequests = 0;
    int qs121Ok = 0;
    int qs121Bad = 0;
    int qs123Ok = 0;
    int qs123Bad = 0;
    int exits = 0;
    int unknown = 0;

    int badLines() const noexcept { return qs121Bad + qs123Bad + unknown; }
};

class LinkClient {
public:
    explicit LinkClient(LinkOptions options);

    // Connection attempts, timed replies and drops, and reading; waits at most maxWait. now: feed seconds.
    void step(double now, std::chrono::milliseconds maxWait);
    // The user position of the latest good "Qs121=" line not yet taken.
    std::optional<GeoPoint> takeNewCentre();
    // "exit" arrived and the options ask the feed to end then.
    bool wantsStop() const noexcept { return exitSeen_ && options_.stopOnExit; }
    const LinkStats& stats() const noexcept { return stats_; }
    // Ends the connection at the end of the feed.
    void close(double now);

private:
    enum class State { waiting, connected, done };

    void handleLine(double now, std::string_view line, bool endsWithCarriageReturn);
    void answerVersion(double now);
    void dropLongLine(double now);
    void endConnection(double now, std::string_view event);
    void record(double now, std::string_view event, std::string_view text);

    LinkOptions options_;
    net::TcpClient client_;
    State state_ = State::waiting;
    double nextAttempt_ = 0.0;
    double connectedAt_ = 0.0;
    std::optional<double> replyAt_;
    std::string replyRest_;
    std::string pending_;
    bool exitSeen_ = false;
    int qs123ThisConnection_ = 0;
    std::optional<GeoPoint> newCentre_;
    LinkStats stats_;
    std::ofstream log_;
};

} // namespace hlw::feed
