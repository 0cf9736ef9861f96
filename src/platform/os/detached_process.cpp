#include "platform/os/detached_process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw::os {
namespace {

bool lf_isExecutableFile(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The PATH search happens here, before fork: the child may only call async-signal-safe functions.
std::optional<std::string> lf_findProgram(const std::string& program)
{
    if (program.empty()) {
        return std::nullopt;
    }
    if (program.find('/') != std::string::npos) {
        return lf_isExecutableFile(program) ? std::optional{program} : std::nullopt;
    }
    const char* pathVariable = std::getenv("PATH");
    const std::string searchPath = pathVariable != nullptr ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos) {
            end = searchPath.size();
        }
        const std::string folder = end > start ? searchPath.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        if (lf_isExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace

bool startDetachedProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    const std::optional<std::string> executable = lf_findProgram(program);
    if (!executable) {
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    // The grandchild runs the program, so it is adopted by init and never becomes our zombie. A close-on-exec
    // pipe tells whether exec succeeded: it closes silently on success and carries errno on failure.
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return false;
    }
    if (child == 0) {
        close(pipeEnds[0]);
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            setsid();
            execv(executable->c_str(), argv.data());
            const int error = errno;
            [[maybe_unused]] const auto written = write(pipeEnds[1], &error, sizeof error);
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    close(pipeEnds[1]);
    int childStatus = 0;
    while (waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
    }
    int execError = 0;
    ssize_t got = 0;
    do {
        got = read(pipeEnds[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    close(pipeEnds[0]);
    const bool forked = WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0;
    return forked && got == 0;
}

} // namespace hlw::os
