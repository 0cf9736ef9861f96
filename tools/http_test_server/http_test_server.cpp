#include "http_test_server.h"

#include <fmt/format.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hlw::test {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
};

// Both ends close on exec, so a second server never inherits the first one's standard input.
Pipe lf_makePipe()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error(fmt::format("pipe failed: {}", std::strerror(errno)));
    }
    return {ends[0], ends[1]};
}

std::string lf_readFirstLine(int descriptor)
{
    std::string line;
    while (true) {
        pollfd ready{descriptor, POLLIN, 0};
        if (::poll(&ready, 1, 10000) <= 0) {
            throw std::runtime_error("the HTTP test server printed no port within 10 s");
        }
        char c = 0;
        if (::read(descriptor, &c, 1) != 1) {
            throw std::runtime_error("the HTTP test server ended before printing its port");
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
}

} // namespace

HttpTestServer::HttpTestServer(const std::filesystem::path& folder)
{
    const Pipe input = lf_makePipe();
    const Pipe output = lf_makePipe();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
    std::string python = "python3";
    std::string script = HLMR_HTTP_TEST_SERVER_SCRIPT;
    std::string root = folder.string();
    char* argv[] = {python.data(), script.data(), root.data(), nullptr};
    const int spawned = ::posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input.read);
    ::close(output.write);
    stdinWrite_ = input.write;
    stdoutRead_ = output.read;
    if (spawned != 0) {
        pid_ = -1;
        stop();
        throw std::runtime_error(fmt::format("could not start python3: {}", std::strerror(spawned)));
    }
    try {
        port_ = static_cast<uint16_t>(std::stoi(lf_readFirstLine(stdoutRead_)));
    } catch (...) {
        stop();
        throw;
    }
}

HttpTestServer::~HttpTestServer()
{
    stop();
}

void HttpTestServer::stop() noexcept
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    for (int* descriptor : {&stdinWrite_, &stdoutRead_}) {
        if (*descriptor >= 0) {
            ::close(*descriptor);
            *descriptor = -1;
        }
    }
}

std::string HttpTestServer::url(std::string_view path) const
{
    return fmt::format("http://127.0.0.1:{}/{}", port_, path);
}

} // namespace hlw::test
