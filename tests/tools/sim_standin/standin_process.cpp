#include "standin_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace hlw::test {
namespace {

std::string lf_readLine(int fd, std::string& buffer, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            throw std::runtime_error("stand-in: no reply in time");
        }
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            throw std::runtime_error("stand-in: stream ended");
        }
        buffer.append(chunk, static_cast<size_t>(got));
    }
}

} // namespace

StandinProcess::StandinProcess(const std::vector<std::string>& extraArgs) {
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> args{HLMR_SIM_STANDIN_PATH, "--port", "0", "--control-port", "0", "--facility-dir",
                                  HLMR_SAMPLE_FACILITIES_DIR};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // A test that dies takes the stand-in with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(3);
        }
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    stdinFd_ = toChild[1];
    std::string buffer;
    std::string first;
    try {
        first = lf_readLine(fromChild[0], buffer, std::chrono::seconds(10));
    } catch (...) {
        ::close(fromChild[0]);
        stop();
        throw;
    }
    ::close(fromChild[0]);
    const auto ports = nlohmann::json::parse(first);
    simPort_ = ports.at("sim_port").get<uint16_t>();
    controlPort_ = ports.at("control_port").get<uint16_t>();

    controlFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(controlPort_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(controlFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        stop();
        throw std::runtime_error("control port refused");
    }
}

StandinProcess::~StandinProcess() { stop(); }

nlohmann::json StandinProcess::control(const std::string& command) {
    const std::string line = command + "\n";
    if (::send(controlFd_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        throw std::runtime_error("control send failed");
    }
    return nlohmann::json::parse(lf_readLine(controlFd_, controlBuffer_, std::chrono::seconds(40)));
}

int StandinProcess::stop() {
    if (controlFd_ >= 0) {
        ::close(controlFd_);
        controlFd_ = -1;
    }
    if (stdinFd_ >= 0) {
        ::close(stdinFd_);
        stdinFd_ = -1;
    }
    if (pid_ <= 0) {
        return 0;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool sentTerm = false;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (!sentTerm && std::chrono::steady_clock::now() > deadline - std::chrono::seconds(3)) {
            ::kill(pid_, SIGTERM);
            sentTerm = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

} // namespace hlw::test
