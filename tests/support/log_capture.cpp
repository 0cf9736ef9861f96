#include "support/log_capture.h"

#include "core/log.h"

#include <thread>

namespace hlw::test {

LogCapture::LogCapture() { gf_startLog(dir_ / "Log.txt"); }

LogCapture::~LogCapture() { gf_stopLog(); }

std::string LogCapture::text()
{
    gf_logFlushNow();
    return readWholeFile(dir_ / "Log.txt");
}

std::string LogCapture::during(const std::function<void()>& action)
{
    const std::size_t before = text().size();
    action();
    return text().substr(before);
}

std::size_t LogCapture::count(std::string_view text)
{
    const std::string all = this->text();
    std::size_t count = 0;
    for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
        ++count;
    }
    return count;
}

bool gf_eventually(const std::function<bool()>& condition, std::chrono::milliseconds within)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace hlw::test
