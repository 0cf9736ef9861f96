#include "core/capped_alerts.h"

#include "core/log.h"

#include <algorithm>

namespace hlw {

CappedAlerts::CappedAlerts(std::string source, std::size_t limit) : source_(std::move(source)), limit_(limit) {}

CappedAlerts::~CappedAlerts()
{
    for (const KindCount& kind : kinds_) {
        if (kind.count <= limit_) {
            continue;
        }
        const std::size_t held = kind.count - limit_;
        if (kind.alert) {
            gf_logAlert(fmt::format("{} more '{}' alerts for {} not logged", held, kind.kind, source_));
        } else {
            gf_log(fmt::format("{} more '{}' lines for {} not logged", held, kind.kind, source_));
        }
    }
}

bool CappedAlerts::countAndAsk(std::string_view kind, bool alert)
{
    auto known = std::ranges::find(kinds_, kind, &KindCount::kind);
    if (known == kinds_.end()) {
        kinds_.push_back({std::string(kind), alert, 0});
        known = kinds_.end() - 1;
    }
    return ++known->count <= limit_;
}

void CappedAlerts::logAlert(const std::string& text) { gf_logAlert(text); }

void CappedAlerts::logLine(const std::string& text) { gf_log(text); }

} // namespace hlw
