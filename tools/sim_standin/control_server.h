#pragma once
// The text control port: one command per line, one JSON line in reply. Commands that concern the
// connections themselves (offline, drop, quit) and waiting for frames are handled here; the rest go to
// the simulation.
#include "client_server.h"
#include "simulation.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace hlw::standin {

// Splits a control line into words; `rest` receives the text after the second word, trimmed.
std::vector<std::string> gf_splitCommand(const std::string& line, std::string& rest);

class ControlServer {
public:
    // Binds 127.0.0.1:port (0: a free port). Throws std::runtime_error when it cannot.
    ControlServer(uint16_t port, Simulation& simulation, ClientServer& clients);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    uint16_t port() const { return port_; }
    void start();
    void stop();
    // One command line to its JSON reply text (also for commands given on the command line).
    std::string execute(const std::string& line);

private:
    struct Session {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(Session& session);

    Simulation& simulation_;
    ClientServer& clients_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex sessionsMutex_;
    std::list<Session> sessions_;
};

} // namespace hlw::standin
