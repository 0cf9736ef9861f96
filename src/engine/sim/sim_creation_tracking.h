#pragma once
// The simulator client thread's memory of its own creations: the creations sent and not yet confirmed, and
// the aircraft announced by "ObjectAdded" that no by-type reply has shown yet. Both are used only on that
// thread. A creation unconfirmed after kCreationMemory no longer binds an object: the engine has given its
// aircraft up by then. It is kept apart as overdue, so that its object, should it still come, is known as the
// program's and removed; announced ids are kept while an overdue creation could still be theirs.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hlw {

using SteadyTime = std::chrono::steady_clock::time_point;

inline constexpr std::chrono::seconds kCreationMemory{60};
// Overdue creations kept at most (the simulator holds at most 1000 objects); beyond, the oldest is forgotten.
inline constexpr std::size_t kOverdueCreationLimit = 1000;

struct PendingCreate {
    uint32_t packetId = 0; // 0 when the packet id could not be had
    uint32_t hexId = 0;
    std::string callsign;
    SteadyTime sentAt{};
};

class PendingCreations {
public:
    void add(PendingCreate pending);
    // The hex id of the newest creation with this callsign, which is forgotten.
    std::optional<uint32_t> takeByCallsign(std::string_view callsign);
    // The creation sent in this packet, which is forgotten; packet id 0 never matches.
    std::optional<PendingCreate> takeByPacket(uint32_t packetId);
    // Puts the creations sent before cutoff aside as overdue, with a log line each.
    void setOverdueBefore(SteadyTime cutoff);
    // The oldest overdue creation with this callsign, which is forgotten.
    std::optional<PendingCreate> takeOverdue(std::string_view callsign);
    // When the oldest overdue creation was sent; none without any.
    std::optional<SteadyTime> oldestOverdue() const;

    size_t size() const { return entries_.size(); }
    size_t overdueCount() const { return overdue_.size(); }
    void reserve(size_t entries) { entries_.reserve(entries); }
    void clear()
    {
        entries_.clear();
        overdue_.clear();
    }

private:
    std::vector<PendingCreate> entries_; // in send order
    std::deque<PendingCreate> overdue_;  // in send order
};

class AddedObjects {
public:
    void add(uint32_t objectId, SteadyTime now);
    // True when the id was waiting; it is forgotten.
    bool take(uint32_t objectId);
    void remove(uint32_t objectId) { announced_.erase(objectId); }
    void dropAnnouncedBefore(SteadyTime cutoff);

    size_t size() const { return announced_.size(); }
    void reserve(size_t entries) { announced_.reserve(entries); }
    void clear() { announced_.clear(); }

private:
    std::unordered_map<uint32_t, SteadyTime> announced_;
};

} // namespace hlw
