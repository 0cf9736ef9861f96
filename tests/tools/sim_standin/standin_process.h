#pragma once
// Runs the simulator stand-in as a child process for one test, talks to its control port, and always
// stops it again (standard input closed, then SIGTERM, then SIGKILL as the last resort).
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace hlw::test {

class StandinProcess {
public:
    explicit StandinProcess(const std::vector<std::string>& extraArgs = {});
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    uint16_t simPort() const { return simPort_; }
    uint16_t controlPort() const { return controlPort_; }
    // Sends one control command and returns its JSON reply; throws when the port fails.
    nlohmann::json control(const std::string& command);
    // Stops the process; returns its exit status (the code, or -signal).
    int stop();

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int controlFd_ = -1;
    uint16_t simPort_ = 0;
    uint16_t controlPort_ = 0;
    std::string controlBuffer_;
};

} // namespace hlw::test
