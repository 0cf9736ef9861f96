#pragma once
// The simulator client thread's memory of its own creations: the creations sent and not yet confirmed, and
// the aircraft announced by "ObjectAdded" that no by-type reply has shown yet. Both are used only on that
// thread and forget entries older than kCreationMemory, so that neither grows without bound nor binds a late
// object to a stale creation.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hlw {

using SteadyTime = std::chrono::steady_clock::time_point;

inline constexpr std::chrono::seconds kCreationMemory{60};

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
    // Forgets, with a log line each, the creations sent before cutoff.
    void dropSentBefore(SteadyTime cutoff);

    size_t size() const { return entries_.size(); }
    void reserve(size_t entries) { entries_.reserve(entries); }
    void clear() { entries_.clear(); }

private:
    std::vector<PendingCreate> entries_; // in send order
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
