#pragma once
// Alerts that a damaged input may repeat for each of its items (a list with a million wrong registrations), and
// plain lines that it may repeat as well (an archive of a hundred thousand entries): of each kind only the first
// few reach the log, the rest are counted, and one line at the end gives the count. One object serves one input;
// it is used by one thread.
#include <fmt/format.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hlw {

class CappedAlerts {
public:
    static constexpr std::size_t defaultLimit = 10;

    // source names the input in the count lines.
    explicit CappedAlerts(std::string source, std::size_t limit = defaultLimit);
    // Logs "{n} more '{kind}' alerts for {source} not logged" for every kind that had alerts held back, or for a
    // kind of plain lines, the plain line "{n} more '{kind}' lines for {source} not logged".
    ~CappedAlerts();
    CappedAlerts(const CappedAlerts&) = delete;
    CappedAlerts& operator=(const CappedAlerts&) = delete;

    // Logs the alert text while fewer than the limit of this kind were logged, otherwise only counts it; the text
    // is formatted only when it is logged. kind is a short fixed text, such as "wrong regcode length".
    template <typename... Args>
    void alert(std::string_view kind, fmt::format_string<Args...> format, Args&&... args)
    {
        if (countAndAsk(kind, true)) {
            logAlert(fmt::format(format, std::forward<Args>(args)...));
        }
    }
    // The same for a plain log line.
    template <typename... Args>
    void line(std::string_view kind, fmt::format_string<Args...> format, Args&&... args)
    {
        if (countAndAsk(kind, false)) {
            logLine(fmt::format(format, std::forward<Args>(args)...));
        }
    }

private:
    // Counts one line of the kind; true while it is still to be logged.
    bool countAndAsk(std::string_view kind, bool alert);
    static void logAlert(const std::string& text);
    static void logLine(const std::string& text);

    struct KindCount {
        std::string kind;
        bool alert = true;
        std::size_t count = 0;
    };
    std::string source_;
    std::size_t limit_;
    std::vector<KindCount> kinds_;
};

} // namespace hlw
