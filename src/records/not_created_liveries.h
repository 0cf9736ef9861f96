#pragma once
// The liveries the simulator could not create, filled by the simulator link when a creation fails. The set has its
// own mutex (a leaf lock: nothing is called while it is held).
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace hlw {

// One entry per livery that could not be created, keyed by the text "model airline"; the matching summary
// prints the keys.
class NotCreatedLiveries {
public:
    // Keeps the first title of a key.
    void add(std::string key, std::string title);
    // The keys in the container's iteration order.
    std::vector<std::string> keys() const;
    bool empty() const;
    bool contains(const std::string& key) const;
    // For tests.
    void clear();

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::string> titles_;
};

NotCreatedLiveries& gf_notCreatedLiveries();

} // namespace hlw
