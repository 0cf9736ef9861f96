#include "engine/records/refused_titles.h"

#include <utility>

namespace hlw {

bool RefusedTitles::add(std::string title)
{
    const std::lock_guard lock(mutex_);
    const bool added = titles_.insert(std::move(title)).second;
    count_.store(titles_.size(), std::memory_order_release);
    return added;
}

bool RefusedTitles::contains(std::string_view title) const
{
    if (size() == 0) {
        return false;
    }
    const std::lock_guard lock(mutex_);
    return titles_.find(title) != titles_.end();
}

void RefusedTitles::clear()
{
    const std::lock_guard lock(mutex_);
    titles_.clear();
    count_.store(0, std::memory_order_release);
}

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

void NotCreatedLiveries::clear()
{
    const std::lock_guard lock(mutex_);
    titles_.clear();
}

RefusedTitles& gf_refusedTitles()
{
    static RefusedTitles titles;
    return titles;
}

NotCreatedLiveries& gf_notCreatedLiveries()
{
    static NotCreatedLiveries liveries;
    return liveries;
}

} // namespace hlw
