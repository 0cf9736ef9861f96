#pragma once
// Runs tools/http_test_server/server.py as a child process for one test: it serves a folder on 127.0.0.1 and
// injects failures chosen by path prefix ("404/", "status/<code>/", "cut/", "stall/<s>/", "stallbody/<s>/",
// "slow/<bytes per second>/", "endless/", "redirect/", "junk/", "nolength/", "agent", "only/<name>/<mode>/" for
// the files of one name, and "stopafter/<name>/", which stops listening when that file is asked for, as a server
// that goes away). The child ends with the object, and also when the test process dies, because the server exits
// when its standard input closes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace hlw::test {

class HttpTestServer {
public:
    // Starts the server and waits (at most 10 s) for the port it prints; throws std::runtime_error on failure.
    explicit HttpTestServer(const std::filesystem::path& folder);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>/" followed by path.
    std::string url(std::string_view path) const;
    pid_t processId() const { return pid_; }

private:
    // Ends the child and waits for it, so no process outlives the test.
    void stop() noexcept;

    pid_t pid_ = -1;
    int stdinWrite_ = -1;
    int stdoutRead_ = -1;
    uint16_t port_ = 0;
};

} // namespace hlw::test
