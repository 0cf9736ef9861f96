#pragma once
// The program's log in a temporary folder for one test, read back as text, and a wait for what other threads
// or processes do.
#include "support/temp_dir.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace hlw::test {

class LogCapture {
public:
    // Opens "Log.txt" in a folder of its own; the destructor closes it.
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything logged so far.
    std::string text();
    // What the log gained while the action ran.
    std::string during(const std::function<void()>& action);
    // How often the text occurs in the log.
    std::size_t count(std::string_view text);
    // A folder the test may use for its own files.
    const std::filesystem::path& folder() const { return dir_.path(); }

private:
    TempDir dir_;
};

// Polls the condition every millisecond until it holds; false when it still does not after `within`.
bool gf_eventually(const std::function<bool()>& condition,
                   std::chrono::milliseconds within = std::chrono::milliseconds(5000));

} // namespace hlw::test
