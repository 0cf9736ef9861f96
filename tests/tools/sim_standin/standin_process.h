#pragma once
// Runs the simulator stand-in as a child process for one test and talks to its control port.
#include "support/child_process.h"

#include <cstdint>
#include <optional>
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
    // Sends one control command and returns its JSON reply; throws when the port fails.
    nlohmann::json control(const std::string& command);
    // How many of the objects it holds now are static aircraft: those whose ATC id ends in '*'.
    int staticObjectCount();
    // Stops the process; returns its exit status.
    std::optional<int> stop();

private:
    ChildProcess child_;
    int controlFd_ = -1;
    uint16_t simPort_ = 0;
    std::string controlBuffer_;
};

} // namespace hlw::test
