#include "engine/sim/sim_replies.h"

#include <stdexcept>

namespace hlw {

void SimReplyQueue::push(const SimReply& reply) {
    const std::lock_guard lock(mutex_);
    replies_.push_back(reply);
}

std::vector<SimReply>& SimReplyQueue::entries(const std::unique_lock<std::recursive_mutex>& held) {
    if (held.mutex() != &mutex_ || !held.owns_lock()) {
        throw std::logic_error("reply queue used without its lock");
    }
    return replies_;
}

std::vector<SimReply> SimReplyQueue::snapshot() const {
    const std::lock_guard lock(mutex_);
    return replies_;
}

void SimReplyQueue::clear() {
    const std::lock_guard lock(mutex_);
    replies_.clear();
}

} // namespace hlw
