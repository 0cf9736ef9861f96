#pragma once
// The livery titles the simulator refused. The simulator link fills the set when a creation fails; the worker's
// livery matching reads it. The set has its own mutex (a leaf lock: nothing is called while it is held).
#include "core/text_hash.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>

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

RefusedTitles& gf_refusedTitles();

} // namespace hlw
