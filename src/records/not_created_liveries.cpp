#include "records/not_created_liveries.h"

#include <utility>

namespace hlw {

void NotCreatedLiveries::add(std::string key, std::string title)
{
    const std::lock_guard lock(mutex_);
    titles_.try_emplace(std::move(key), std::move(title));
}

std::vector<std::string> NotCreatedLiveries::keys() const
{
    const std::lock_guard lock(mutex_);
    std::vector<std::string> keys;
    keys.reserve(titles_.size());
    for (const auto& entry : titles_) {
        keys.push_back(entry.first);
    }
    return keys;
}

bool NotCreatedLiveries::empty() const
{
    const std::lock_guard lock(mutex_);
    return titles_.empty();
}

bool NotCreatedLiveries::contains(const std::string& key) const
{
    const std::lock_guard lock(mutex_);
    return titles_.contains(key);
}

void NotCreatedLiveries::clear()
{
    const std::lock_guard lock(mutex_);
    titles_.clear();
}

NotCreatedLiveries& gf_notCreatedLiveries()
{
    static NotCreatedLiveries liveries;
    return liveries;
}

} // namespace hlw
