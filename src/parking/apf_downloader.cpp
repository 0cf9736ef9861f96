#include "parking/apf_downloader.h"

#include "parking/apf_download.h"

#include <utility>

namespace hlw {

ApfDownloader::~ApfDownloader()
{
    latest_.request_stop();
}

void ApfDownloader::post(std::string relativePath, std::filesystem::path destination)
{
    latest_.request_stop();
    latest_ = std::stop_source();
    {
        const std::lock_guard lock(mutex_);
        waiting_ = Request{std::move(relativePath), std::move(destination), latest_.get_token()};
        result_.reset();
    }
    posted_.notify_one();
    if (!thread_.joinable()) {
        thread_ = std::jthread([this](const std::stop_token& threadStop) { run(threadStop); });
    }
}

void ApfDownloader::cancel()
{
    latest_.request_stop();
    const std::lock_guard lock(mutex_);
    waiting_.reset();
    result_.reset();
}

std::optional<std::string> ApfDownloader::take()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(result_, std::nullopt);
}

void ApfDownloader::run(const std::stop_token& threadStop)
{
    for (;;) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait(lock, threadStop, [this] { return waiting_.has_value(); })) {
            return;
        }
        const Request request = std::move(*waiting_);
        waiting_.reset();
        lock.unlock();
        std::string result = gf_downloadApf(request.relativePath, request.destination, request.stop);
        lock.lock();
        // A request given up for a newer one has no result.
        if (!request.stop.stop_requested()) {
            result_ = std::move(result);
        }
    }
}

} // namespace hlw
