#pragma once
// Command-line options of the simulator stand-in.
#include "simulation.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hlw::standin {

struct StandinOptions {
    uint16_t port = 50500;
    uint16_t controlPort = 50501;
    StartOptions start;
    bool offline = false;
    std::optional<double> durationSeconds;
    // Stop when standard input ends: on by default when it is a pipe or socket, so that a parent that
    // dies takes the stand-in with it.
    std::optional<bool> watchStdin;
    // Control commands run before the first client connects (e.g. "user script flight.csv").
    std::vector<std::string> commands;
    bool help = false;
};

// Throws std::invalid_argument naming the bad option.
StandinOptions gf_parseOptions(const std::vector<std::string>& args);
const char* gf_usage();

} // namespace hlw::standin
