// hlmr-sim-standin: a small simulator for the client layer to talk to, scripted over a control port.
#include "client_server.h"
#include "control_server.h"
#include "options.h"
#include "simulation.h"

#include <fmt/format.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

using namespace hlw::standin;

bool lf_stdinIsPipe() {
    struct stat info {};
    return ::fstat(STDIN_FILENO, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

// True once standard input has ended (its content is ignored).
bool lf_stdinEnded() {
    pollfd waiting{STDIN_FILENO, POLLIN, 0};
    if (::poll(&waiting, 1, 0) <= 0) {
        return false;
    }
    if ((waiting.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (waiting.revents & POLLIN) == 0) {
        return true;
    }
    char buffer[256];
    return ::read(STDIN_FILENO, buffer, sizeof buffer) <= 0;
}

// Advances the world on its own thread until told to stop.
class SimulationThread {
public:
    explicit SimulationThread(Simulation& simulation)
        : simulation_(simulation), thread_([this] { run(); }) {}
    ~SimulationThread() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    SimulationThread(const SimulationThread&) = delete;
    SimulationThread& operator=(const SimulationThread&) = delete;

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            lock.unlock();
            simulation_.advance(std::chrono::steady_clock::now());
            const auto due = simulation_.nextDue();
            lock.lock();
            wake_.wait_until(lock, due, [this] { return stop_; });
        }
    }

    Simulation& simulation_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

int lf_run(const StandinOptions& options) {
    // Signals are taken by the main thread alone; every other thread inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    ClientServer clients(options.port, !options.offline);
    Simulation simulation(clients, options.start);
    ControlServer control(options.controlPort, simulation, clients);
    for (const std::string& command : options.commands) {
        fmt::print(stderr, "sim-standin: {} -> {}\n", command, control.execute(command));
    }
    clients.start(simulation);
    control.start();
    std::fputs(fmt::format("{{\"sim_port\":{},\"control_port\":{}}}\n", clients.port(), control.port()).c_str(), stdout);
    std::fflush(stdout);

    const bool watchStdin = options.watchStdin.value_or(lf_stdinIsPipe());
    const auto startedAt = std::chrono::steady_clock::now();
    {
        SimulationThread ticking(simulation);
        while (true) {
            const timespec wait{0, 100'000'000};
            const int signal = sigtimedwait(&stopSignals, nullptr, &wait);
            if (signal == SIGINT || signal == SIGTERM) {
                fmt::print(stderr, "sim-standin: signal {}, stopping\n", signal);
                break;
            }
            if (watchStdin && lf_stdinEnded()) {
                fmt::print(stderr, "sim-standin: standard input ended, stopping\n");
                break;
            }
            if (options.durationSeconds &&
                std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt).count() >=
                    *options.durationSeconds) {
                break;
            }
        }
        control.stop();
        clients.stop();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const StandinOptions options = gf_parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(gf_usage(), stdout);
            return 0;
        }
        return lf_run(options);
    } catch (const std::exception& e) {
        fmt::print(stderr, "sim-standin: {}\n{}", e.what(), gf_usage());
        return 2;
    }
}
