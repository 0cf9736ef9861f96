#include "engine/sim/sim_commands.h"

#include "core/log.h"

#include <fmt/format.h>

#include <stdexcept>
#include <utility>

namespace hlw {

void QueuedCommands::clear() {
    positions.clear();
    events.clear();
    creations.clear();
    removals.clear();
}

bool SimCommandQueues::roomFor(size_t size, bool& overflowLogged, const char* what) {
    if (size < kQueueLimit) {
        return true;
    }
    if (!overflowLogged) {
        overflowLogged = true;
        gf_logAlert(fmt::format("SimConnect {} queue holds {} entries and no frame sends them; further {} are dropped",
                                what, kQueueLimit, what));
    }
    return false;
}

void SimCommandQueues::queueEvent(const ClientEventRequest& event) { queueEvents(&event, 1); }

void SimCommandQueues::queueEvents(const ClientEventRequest* first, size_t count) {
    const std::lock_guard held(mutex_);
    for (size_t i = 0; i < count; ++i) {
        if (!roomFor(queued_.events.size(), eventOverflowLogged_, "client event")) {
            return;
        }
        queued_.events.push_back(first[i]);
    }
}

void SimCommandQueues::queueCreate(AiCreateRequest request) {
    const std::lock_guard held(mutex_);
    if (roomFor(queued_.creations.size(), creationOverflowLogged_, "creation")) {
        queued_.creations.push_back(std::move(request));
    }
}

void SimCommandQueues::queueRemoval(uint32_t objectId) {
    const std::lock_guard held(mutex_);
    if (roomFor(queued_.removals.size(), removalOverflowLogged_, "removal")) {
        queued_.removals.push_back(objectId);
    }
}

bool SimCommandQueues::publishPositions() {
    const Lock held = tryLock();
    if (held.owns_lock()) {
        std::swap(fill_, queued_.positions);
    }
    fill_.clear();
    return held.owns_lock();
}

void SimCommandQueues::clearPositions() {
    const std::lock_guard held(mutex_);
    fill_.clear();
    queued_.positions.clear();
}

QueuedCommands& SimCommandQueues::queued(const Lock& held) {
    if (held.mutex() != &mutex_ || !held.owns_lock()) {
        throw std::logic_error("command queues used without their lock");
    }
    return queued_;
}

void SimCommandQueues::reserve(size_t entries) {
    const std::lock_guard held(mutex_);
    fill_.reserve(entries);
    queued_.positions.reserve(entries);
    queued_.creations.reserve(entries);
    queued_.removals.reserve(entries);
}

void SimCommandQueues::clear() {
    const std::lock_guard held(mutex_);
    fill_.clear();
    queued_.clear();
    eventOverflowLogged_ = false;
    creationOverflowLogged_ = false;
    removalOverflowLogged_ = false;
}

} // namespace hlw
