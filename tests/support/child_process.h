#pragma once
// A program run as a child process for one test, never outliving the object. Its standard input is a pipe
// that stays open while the object lives, so a child that watches it also ends when the test process dies.
// Its standard output is a pipe the test reads lines from, or a file; its standard error a file or the
// test's own.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hlw::test {

// One line from the descriptor, with `buffer` keeping what came after it; throws std::runtime_error when no
// whole line arrives within the time or the stream ends first.
std::string gf_readLine(int fd, std::string& buffer, std::chrono::milliseconds timeout);

class ChildProcess {
public:
    // Starts argv[0] (looked up in PATH when it holds no slash). Empty file names: standard output stays a
    // pipe for readLine(), standard error is the test's. Throws std::runtime_error when it cannot start.
    explicit ChildProcess(std::vector<std::string> argv, const std::filesystem::path& outputFile = {},
                          const std::filesystem::path& errorFile = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    std::string readLine(std::chrono::milliseconds timeout) { return gf_readLine(stdoutRead_, pending_, timeout); }
    // The exit status (the code, or 128 + the signal) once the child ended within the time; nullopt when it
    // had to be killed.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    // Closes its standard input and sends SIGTERM, then waits as waitForExit(5 s).
    std::optional<int> stop();

private:
    pid_t pid_ = -1;
    int stdinWrite_ = -1;
    int stdoutRead_ = -1;
    std::string pending_;
};

} // namespace hlw::test
