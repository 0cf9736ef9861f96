#include "control_server.h"

#include "core/string_helpers.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace hlw::standin {
namespace {

constexpr size_t lf_maxLineBytes = 64 * 1024;

std::string lf_reply(const nlohmann::json& reply) {
    return reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

constexpr const char* lf_help =
    "sim offline|online|drop|quit|run 0|1|name <text>|version a b c d|flightloaded event|filename|frames <hz>|"
    "frameswhilepaused on|off|orphans keep|remove; user set lat lon alt hdg pitch bank gs onground|script <file>|"
    "title <text>|model <text>|id <n>|teleport lat lon|lights <mask>; time set <year> <day> <sec> [frozen]; "
    "terrain add lat lon radius_nm elev_ft|clear; cg <pattern> <ft> <rad>; obj spawn <atcid> lat lon alt "
    "[onground]|remove <id>|list|get <id>; create fail <pattern>|strict on|off|known <pattern>|delay <ms>|"
    "noadded [on|off]|addedlate [on|off]|maxobjects <n>|idbase <n>|random; exception <code> [sendid] [index] "
    "[client]; raw <dwID> [hex] [client]; short <dwID> [client]; failnext <function> <n> [client]; facility dir "
    "<folder>|noend on|off|noend <icao>|delay <icao> <ms>|short <icao>|drop <icao>|clear [<icao>]; trace [file]; track [file] [hz]; stats; clients; audit [client]; exceptions; wait "
    "frames <n>; reset; help";

} // namespace

std::vector<std::string> gf_splitCommand(const std::string& line, std::string& rest) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    rest.clear();
    if (words.size() > 2) {
        // The text after the second word, as typed (titles and names may hold blanks).
        const size_t first = line.find(words[0]);
        const size_t second = line.find(words[1], first + words[0].size());
        rest = gf_trim(std::string_view(line).substr(second + words[1].size()));
    }
    return words;
}

ControlServer::ControlServer(uint16_t port, Simulation& simulation, ClientServer& clients)
    : simulation_(simulation), clients_(clients) {
    listenFd_ = gf_listenLoopback(port, port_);
    if (listenFd_ < 0) {
        throw std::runtime_error(fmt::format("cannot listen on 127.0.0.1:{}: {}", port, std::strerror(errno)));
    }
}

ControlServer::~ControlServer() { stop(); }

void ControlServer::start() { acceptThread_ = std::thread([this] { acceptLoop(); }); }

void ControlServer::stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    std::lock_guard lock(sessionsMutex_);
    for (Session& session : sessions_) {
        ::shutdown(session.fd, SHUT_RDWR);
    }
    for (Session& session : sessions_) {
        session.thread.join();
        ::close(session.fd);
    }
    sessions_.clear();
    ::close(listenFd_);
    listenFd_ = -1;
}

void ControlServer::acceptLoop() {
    while (!stopping_) {
        {
            std::lock_guard lock(sessionsMutex_);
            for (auto it = sessions_.begin(); it != sessions_.end();) {
                if (it->done) {
                    it->thread.join();
                    ::close(it->fd);
                    it = sessions_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        pollfd waiting{listenFd_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0 || (waiting.revents & POLLIN) == 0) {
            continue;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(sessionsMutex_);
        Session& session = sessions_.emplace_back();
        session.fd = fd;
        session.thread = std::thread([this, &session] { serve(session); });
    }
}

void ControlServer::serve(Session& session) {
    std::string pending;
    char buffer[4096];
    while (true) {
        const ssize_t received = ::recv(session.fd, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            break;
        }
        pending.append(buffer, static_cast<size_t>(received));
        size_t end = 0;
        bool ok = true;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string reply = execute(pending.substr(0, end)) + "\n";
            pending.erase(0, end + 1);
            if (!gf_sendAll(session.fd, reinterpret_cast<const uint8_t*>(reply.data()), reply.size())) {
                ok = false;
                break;
            }
        }
        if (!ok || pending.size() > lf_maxLineBytes) {
            break;
        }
    }
    session.done = true;
}

std::string ControlServer::execute(const std::string& line) {
    std::string rest;
    const std::vector<std::string> words = gf_splitCommand(line, rest);
    if (words.empty()) {
        return lf_reply({{"ok", false}, {"error", "empty command"}});
    }
    if (words[0] == "help") {
        return lf_reply({{"ok", true}, {"help", lf_help}});
    }
    if (words[0] == "sim" && words.size() >= 2) {
        const std::string& what = words[1];
        if (what == "offline" || what == "online") {
            const bool done = clients_.setOnline(what == "online");
            return lf_reply(done ? nlohmann::json{{"ok", true}}
                                 : nlohmann::json{{"ok", false}, {"error", "the listener did not follow"}});
        }
        if (what == "drop") {
            clients_.dropAll();
            return lf_reply({{"ok", true}});
        }
        if (what == "quit") {
            // The simulator says goodbye, closes every connection and is gone until "sim online".
            const nlohmann::json reply = simulation_.command(words, rest);
            clients_.closeAllAfterFlush();
            clients_.setOnline(false);
            return lf_reply(reply);
        }
    }
    if (words[0] == "wait" && words.size() == 3 && words[1] == "frames") {
        uint64_t count = 0;
        const auto [end, error] = std::from_chars(words[2].data(), words[2].data() + words[2].size(), count);
        if (error != std::errc{} || end != words[2].data() + words[2].size() || count > 100000) {
            return lf_reply({{"ok", false}, {"error", "wait frames takes a count up to 100000"}});
        }
        const bool arrived = simulation_.waitFrames(count, std::chrono::seconds(30));
        return lf_reply(arrived ? nlohmann::json{{"ok", true}}
                                : nlohmann::json{{"ok", false}, {"error", "frames did not come"}});
    }
    return lf_reply(simulation_.command(words, rest));
}

} // namespace hlw::standin
