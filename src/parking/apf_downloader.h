#pragma once
// Downloads of archived airport files beside the worker's main loop, on a thread of this object's own: the worker
// posts a request and takes its result at a later run, so that a slow transfer holds up nothing but the load that
// waits for it. One transfer at a time; a newer request gives up the one before it. The destructor ends a transfer
// in progress within about a second.
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace hlw {

class ApfDownloader {
  public:
    ApfDownloader() = default;
    ~ApfDownloader();
    ApfDownloader(const ApfDownloader&) = delete;
    ApfDownloader& operator=(const ApfDownloader&) = delete;

    // Starts the download of the archived file (its path below the simulator's download folder) into the
    // destination (gf_downloadApf).
    void post(std::string relativePath, std::filesystem::path destination);
    // The result of the latest request once its transfer ended, once: empty on success, else the failure text of
    // gf_downloadApf. None while it runs.
    std::optional<std::string> take();
    // Gives up the latest request: its transfer ends within about a second and leaves no result.
    void cancel();

  private:
    struct Request {
        std::string relativePath;
        std::filesystem::path destination;
        std::stop_token stop;
    };

    void run(const std::stop_token& threadStop);

    // Ends the latest request's transfer; the worker's own.
    std::stop_source latest_;
    std::mutex mutex_;
    std::condition_variable_any posted_;
    std::optional<Request> waiting_;
    std::optional<std::string> result_;
    // Last: stopped and joined before the members above go.
    std::jthread thread_;
};

} // namespace hlw
