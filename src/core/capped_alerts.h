#pragma once
// Alerts that a damaged input may repeat for each of its items (a list with a million wrong registrations), and
// plain lines that it may repeat as well (an archive of a hundred thousand entries): of each kind only the first
// few reach the log, the rest are counted, and one line at the end gives the count. Both may go to another output
// than the log, such as a report of their own. One object serves one input; it is used by one thread.
#include <fmt/format.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hlw {

class CappedAlerts {
public:
    static constexpr std::size_t defaultLimit = 10;
    // Takes each text and count line in place of the log.
    using Output = std::function<void(std::string)>;

    // source names the input in the count lines. Alerts go to the log as alerts, plain lines as plain lines.
    explicit CappedAlerts(std::string source, std::size_t limit = defaultLimit);
    // Alerts and plain lines both go to the output.
    CappedAlerts(std::string source, Output output, std::size_t limit = defaultLimit);
    // Writes "{n} more '{kind}' alerts for {source} not logged" for every kind that had alerts held back, or for a
    // kind of plain lines "{n} more '{kind}' lines for {source} not logged".
    ~CappedAlerts();
    CappedAlerts(const CappedAlerts&) = delete;
    CappedAlerts& operator=(const CappedAlerts&) = delete;

    // Writes the alert text while fewer than the limit of this kind were written, otherwise only counts it; the
    // text is formatted only when it is written. kind is a short fixed text, such as "wrong regcode length".
    template <typename... Args>
    void alert(std::string_view kind, fmt::format_string<Args...> format, Args&&... args)
    {
        if (countAndAsk(kind, true)) {
            alertOutput_(fmt::format(format, std::forward<Args>(args)...));
        }
    }
    // The same for a plain line.
    template <typename... Args>
    void line(std::string_view kind, fmt::format_string<Args...> format, Args&&... args)
    {
        if (countAndAsk(kind, false)) {
            lineOutput_(fmt::format(format, std::forward<Args>(args)...));
        }
    }

private:
    CappedAlerts(std::string source, Output alertOutput, Output lineOutput, std::size_t limit);
    // Counts one text of the kind; true while it is still to be written.
    bool countAndAsk(std::string_view kind, bool alert);

    struct KindCount {
        std::string kind;
        bool alert = true;
        std::size_t count = 0;
    };
    std::string source_;
    Output alertOutput_;
    Output lineOutput_;
    std::size_t limit_;
    std::vector<KindCount> kinds_;
};

} // namespace hlw
