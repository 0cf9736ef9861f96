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

void PendingCreations::dropSentBefore(SteadyTime cutoff) {
    std::erase_if(entries_, [cutoff](const PendingCreate& p) {
        if (p.sentAt >= cutoff) {
            return false;
        }
        gf_log(fmt::format("{:>8}: creation (hexid {:x}, packet {}) not confirmed by the simulator within {} s, "
                           "forgotten",
                           p.callsign, p.hexId, p.packetId, kCreationMemory.count()));
        return true;
    });
}

void AddedObjects::add(uint32_t objectId, SteadyTime now) { announced_.insert_or_assign(objectId, now); }

bool AddedObjects::take(uint32_t objectId) { return announced_.erase(objectId) > 0; }

void AddedObjects::dropAnnouncedBefore(SteadyTime cutoff) {
    std::erase_if(announced_, [cutoff](const auto& entry) { return entry.second < cutoff; });
}

} // namespace hlw
