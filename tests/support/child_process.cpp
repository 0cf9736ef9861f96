#include "support/child_process.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hlw::test {
namespace {

void lf_close(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

std::string gf_readLine(int fd, std::string& buffer, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const std::size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            throw std::runtime_error("no line within the time");
        }
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            throw std::runtime_error("the stream ended before a whole line");
        }
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

ChildProcess::ChildProcess(std::vector<std::string> argv, const std::filesystem::path& outputFile,
                           const std::filesystem::path& errorFile)
{
    // Close-on-exec, so that a second child never inherits the first one's pipe ends.
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (::pipe2(input, O_CLOEXEC) != 0 || (outputFile.empty() && ::pipe2(output, O_CLOEXEC) != 0)) {
        throw std::runtime_error(std::string("pipe failed: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    if (outputFile.empty()) {
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    if (!errorFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    std::vector<char*> arguments;
    for (std::string& argument : argv) {
        arguments.push_back(argument.data());
    }
    arguments.push_back(nullptr);
    const int spawned = ::posix_spawnp(&pid_, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    lf_close(input[0]);
    lf_close(output[1]);
    stdinWrite_ = input[1];
    stdoutRead_ = output[0];
    if (spawned != 0) {
        pid_ = -1;
        stop();
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(spawned));
    }
}

ChildProcess::~ChildProcess() { stop(); }

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

std::optional<int> ChildProcess::stop()
{
    lf_close(stdinWrite_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
    }
    const std::optional<int> status = waitForExit(std::chrono::seconds(5));
    lf_close(stdoutRead_);
    return status;
}

} // namespace hlw::test
