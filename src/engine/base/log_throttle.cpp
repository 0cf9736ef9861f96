#include "engine/base/log_throttle.h"

#include "core/log.h"

#include <fmt/format.h>

#include <iterator>

namespace hlw {

LogThrottle::LogThrottle(SteadyTimeSource& time, SteadyTimeSource::Duration interval, std::size_t maxKeys)
    : time_(time), interval_(interval), maxKeys_(maxKeys)
{
}

bool LogThrottle::log(std::string_view key, std::string_view text) { return write(key, text, &gf_log); }

bool LogThrottle::alert(std::string_view key, std::string_view text) { return write(key, text, &gf_logAlert); }

LogThrottle::Entry* LogThrottle::slotFor(std::string_view key, SteadyTimeSource::TimePoint now)
{
    if (const auto found = entries_.find(key); found != entries_.end()) {
        return &found->second;
    }
    if (entries_.size() >= maxKeys_) {
        for (auto entry = entries_.begin(); entry != entries_.end();) {
            const bool quiet = now - entry->second.written >= interval_ && entry->second.heldBack == 0;
            entry = quiet ? entries_.erase(entry) : std::next(entry);
        }
    }
    if (entries_.size() >= maxKeys_) {
        return nullptr;
    }
    // A new key counts as written long ago.
    return &entries_.emplace(std::string(key), Entry{now - interval_, 0}).first->second;
}

bool LogThrottle::admit(std::string_view key, uint64_t& heldBack)
{
    const SteadyTimeSource::TimePoint now = time_.now();
    Entry* entry = slotFor(key, now);
    if (entry == nullptr) {
        if (!overflowUsed_) {
            overflowUsed_ = true;
            overflow_.written = now - interval_;
        }
        entry = &overflow_;
    }
    if (now - entry->written < interval_) {
        ++entry->heldBack;
        return false;
    }
    heldBack = entry->heldBack;
    entry->written = now;
    entry->heldBack = 0;
    return true;
}

void LogThrottle::logHeldBack(uint64_t heldBack)
{
    if (heldBack > 0) {
        gf_logContinuation(fmt::format("({} more since last logged)", heldBack));
    }
}

bool LogThrottle::write(std::string_view key, std::string_view text, void (*writer)(std::string_view) noexcept)
{
    uint64_t heldBack = 0;
    if (!admit(key, heldBack)) {
        return false;
    }
    writer(text);
    logHeldBack(heldBack);
    return true;
}

} // namespace hlw
