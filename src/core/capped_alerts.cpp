#include "core/capped_alerts.h"

#include "core/log.h"

#include <algorithm>

namespace hlw {

CappedAlerts::CappedAlerts(std::string source, std::size_t limit)
    : CappedAlerts(
          std::move(source), [](const std::string& text) { gf_logAlert(text); },
          [](const std::string& text) { gf_log(text); }, limit)
{
}

CappedAlerts::CappedAlerts(std::string source, Output output, std::size_t limit)
    : CappedAlerts(std::move(source), output, output, limit)
{
}

CappedAlerts::CappedAlerts(std::string source, Output alertOutput, Output lineOutput, std::size_t limit)
    : source_(std::move(source)), alertOutput_(std::move(alertOutput)), lineOutput_(std::move(lineOutput)),
      limit_(limit)
{
}

CappedAlerts::~CappedAlerts()
{
    // An output that fails cannot take the count either; a destructor must not throw.
    try {
        for (const KindCount& kind : kinds_) {
            if (kind.count <= limit_) {
                continue;
            }
            const std::size_t held = kind.count - limit_;
            if (kind.alert) {
                alertOutput_(fmt::format("{} more '{}' alerts for {} not logged", held, kind.kind, source_));
            } else {
                lineOutput_(fmt::format("{} more '{}' lines for {} not logged", held, kind.kind, source_));
            }
        }
    } catch (...) {
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

} // namespace hlw
