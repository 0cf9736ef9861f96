#include "engine/base/reset_registry.h"

#include "core/log.h"

#include <fmt/format.h>

#include <exception>

namespace hlw {

void ResetRegistry::add(std::string name, Hook hook)
{
    std::lock_guard lock(mutex_);
    entries_.push_back({std::move(name), std::move(hook)});
}

void ResetRegistry::runAll()
{
    std::vector<Entry> entries;
    {
        std::lock_guard lock(mutex_);
        entries = entries_;
    }
    for (const Entry& entry : entries) {
        try {
            entry.hook();
        } catch (const std::exception& error) {
            gf_logAlert(fmt::format("Reset of {} failed: {}", entry.name, error.what()));
        } catch (...) {
            gf_logAlert(fmt::format("Reset of {} failed: Unknown exception", entry.name));
        }
    }
}

} // namespace hlw
