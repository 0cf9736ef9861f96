#include "feed_process.h"

#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace hlw::feed::test {

FeedProcess::FeedProcess(const std::vector<std::string>& arguments, const std::filesystem::path& folder)
    : stdoutFile_(folder / "feed.out"), stderrFile_(folder / "feed.err")
{
    std::vector<std::string> all{HLMR_TRAFFIC_FEED};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderrFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int result = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + all[0]);
    }
}

FeedProcess::~FeedProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> FeedProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

std::optional<int> FeedProcess::stop()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
    }
    return waitForExit(std::chrono::milliseconds(5000));
}

std::string FeedProcess::output() const
{
    return hlw::test::readWholeFile(stdoutFile_);
}

std::string FeedProcess::errors() const
{
    return hlw::test::readWholeFile(stderrFile_);
}

} // namespace hlw::feed::test
