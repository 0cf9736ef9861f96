#pragma once
// What the simulator refused to create. The simulator link fills both sets when a creation fails; the worker's
// livery matching reads them. Each set has its own mutex (a leaf lock: nothing is called while it is held).
#include "engine/records/text_hash.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace hlw {

// The livery titles the simulator refused; a member is never chosen again. Never emptied during a program run.
class RefusedTitles {
public:
    // True when the title was not in the set yet.
    bool add(std::string title);
    // Exact, whole-text comparison. Cheap while the set is empty (no lock is taken).
    bool contains(std::string_view title) const;
    std::size_t size() const noexcept { return count_.load(std::memory_order_acquire); }
    // For tests.
    void clear();

private:
    mutable std::mutex mutex_;
    std::unordered_set<std::string, TextHash, std::equal_to<>> titles_;
    std::atomic<std::size_t> count_{0};
};

// One entry per livery that could not be created, keyed by the text "model airline"; the matching summary
// prints the keys.
class NotCreatedLiveries {
public:
    // Keeps the first title of a key.
    void add(std::string key, std::string title);
    // The keys in the container's iteration order.
    std::vector<std::string> keys() const;
    bool empty() const;
    // For tests.
    void clear();

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::string> titles_;
};

RefusedTitles& gf_refusedTitles();
NotCreatedLiveries& gf_notCreatedLiveries();

} // namespace hlw
