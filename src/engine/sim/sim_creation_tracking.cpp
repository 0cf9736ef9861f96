#include "engine/sim/sim_creation_tracking.h"

#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace hlw {

void PendingCreations::add(PendingCreate pending) { entries_.push_back(std::move(pending)); }

std::optional<uint32_t> PendingCreations::takeByCallsign(std::string_view callsign) {
    const auto newest = std::find_if(entries_.rbegin(), entries_.rend(),
                                     [callsign](const PendingCreate& p) { return p.callsign == callsign; });
    if (newest == entries_.rend()) {
        return std::nullopt;
    }
    const uint32_t hexId = newest->hexId;
    entries_.erase(std::next(newest).base());
    return hexId;
}

std::optional<PendingCreate> PendingCreations::takeByPacket(uint32_t packetId) {
    if (packetId == 0) {
        return std::nullopt;
    }
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [packetId](const PendingCreate& p) { return p.packetId == packetId; });
    if (found == entries_.end()) {
        return std::nullopt;
    }
    PendingCreate taken = std::move(*found);
    entries_.erase(found);
    return taken;
}

void PendingCreations::setOverdueBefore(SteadyTime cutoff) {
    for (auto entry = entries_.begin(); entry != entries_.end();) {
        if (entry->sentAt >= cutoff) {
            ++entry;
            continue;
        }
        gf_log(fmt::format("{:>8}: creation (hexid {:x}, packet {}) not confirmed by the simulator within {} s; "
                           "its object is removed should it come later",
                           entry->callsign, entry->hexId, entry->packetId, kCreationMemory.count()));
        if (overdue_.size() == kOverdueCreationLimit) {
            overdue_.pop_front();
        }
        overdue_.push_back(std::move(*entry));
        entry = entries_.erase(entry);
    }
}

std::optional<PendingCreate> PendingCreations::takeOverdue(std::string_view callsign) {
    const auto found = std::find_if(overdue_.begin(), overdue_.end(),
                                    [callsign](const PendingCreate& p) { return p.callsign == callsign; });
    if (found == overdue_.end()) {
        return std::nullopt;
    }
    PendingCreate taken = std::move(*found);
    overdue_.erase(found);
    return taken;
}

std::optional<SteadyTime> PendingCreations::oldestOverdue() const {
    if (overdue_.empty()) {
        return std::nullopt;
    }
    return overdue_.front().sentAt;
}

void AddedObjects::add(uint32_t objectId, SteadyTime now) { announced_.insert_or_assign(objectId, now); }

bool AddedObjects::take(uint32_t objectId) { return announced_.erase(objectId) > 0; }

void AddedObjects::dropAnnouncedBefore(SteadyTime cutoff) {
    std::erase_if(announced_, [cutoff](const auto& entry) { return entry.second < cutoff; });
}

} // namespace hlw
