#pragma once
// The command line of hlmr-traffic-feed.
#include "traffic_feed/feed_runner.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace hlw::feed {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    FeedOptions options;
    std::filesystem::path scenarioFile; // empty: no file (generated traffic or the link alone)
    bool help = false;
};

// Throws UsageError with a one-line reason.
CommandLine gf_parseCommandLine(const std::vector<std::string>& arguments);
std::string gf_helpText();

} // namespace hlw::feed
