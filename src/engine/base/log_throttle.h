#pragma once
// Keeps a flood of one log line out of the log. A line is written at most once a minute per key; the lines
// that came in between are counted, and the count goes into the log with the next line written for that key.
// The keys are bounded: when all slots hold keys seen within the minute, a new key shares one overflow slot.
// One thread uses an object, or its owner's lock guards it.
#include "core/steady_time_source.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace hlw {

class LogThrottle {
public:
    static constexpr std::size_t defaultMaxKeys = 64;

    explicit LogThrottle(SteadyTimeSource& time, SteadyTimeSource::Duration interval = std::chrono::minutes(1),
                         std::size_t maxKeys = defaultMaxKeys);

    // True when a line of the key may be written now; it then counts as written, and heldBack is the number of
    // lines of the key held back since the last one. For callers that build the text only when it is written.
    bool admit(std::string_view key, uint64_t& heldBack);
    // The continuation line "({} more since last logged)" after an admitted line, when lines were held back.
    static void logHeldBack(uint64_t heldBack);

    // Writes text with gf_log when admitted, then the held-back count; true when written.
    bool log(std::string_view key, std::string_view text);
    // The same with gf_logAlert.
    bool alert(std::string_view key, std::string_view text);
    // The line's own key is its text.
    bool log(std::string_view text) { return log(text, text); }

private:
    struct Entry {
        SteadyTimeSource::TimePoint written;
        uint64_t heldBack = 0;
    };

    bool write(std::string_view key, std::string_view text, void (*writer)(std::string_view) noexcept);
    Entry* slotFor(std::string_view key, SteadyTimeSource::TimePoint now);

    SteadyTimeSource& time_;
    const SteadyTimeSource::Duration interval_;
    const std::size_t maxKeys_;
    std::map<std::string, Entry, std::less<>> entries_;
    bool overflowUsed_ = false;
    Entry overflow_;
};

} // namespace hlw
