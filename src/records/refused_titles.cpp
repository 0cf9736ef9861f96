#include "records/refused_titles.h"

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

RefusedTitles& gf_refusedTitles()
{
    static RefusedTitles titles;
    return titles;
}

} // namespace hlw
