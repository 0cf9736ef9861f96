#pragma once
// Runs hlmr-traffic-feed as a child process for a test and always ends it.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace hlw::feed::test {

class FeedProcess {
public:
    // Starts the feed with arguments; its output goes to files in folder.
    FeedProcess(const std::vector<std::string>& arguments, const std::filesystem::path& folder);
    ~FeedProcess();
    FeedProcess(const FeedProcess&) = delete;
    FeedProcess& operator=(const FeedProcess&) = delete;

    // The exit status once it ended within timeout (killed then otherwise: nullopt).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    // Asks it to stop (SIGTERM) and waits for its exit status.
    std::optional<int> stop();
    std::string output() const;
    std::string errors() const;

private:
    pid_t pid_ = -1;
    std::filesystem::path stdoutFile_;
    std::filesystem::path stderrFile_;
};

} // namespace hlw::feed::test
