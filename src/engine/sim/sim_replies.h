#pragma once
// What the simulator answers, on its way from the simulator client thread to the engine: one record per
// answer in a queue under its own mutex. The engine holds that mutex while it applies the replies and may
// take the command-queue mutex inside it; the simulator client thread never holds both.
#include <cstdint>
#include <mutex>
#include <vector>

namespace hlw {

enum class SimReplyType : uint32_t {
    liveCreated = 0,
    staticCreated = 1,
    objectRemoved = 2,
    onGroundStatus = 3,
    staticCg = 4,
    removedWhileBlocked = 5,
    createFailed = 6,
};

struct SimReply {
    uint32_t objectId = 0;    // 0 for createFailed
    uint32_t hexIdOrFlag = 0; // hex id for live/static created and createFailed; on-ground flag for onGroundStatus
    int32_t waitCount = 0;    // the engine counts the ticks a deferred reply waited in it; -1 marks one done
    SimReplyType type = SimReplyType::objectRemoved;
    double value1 = 0.0;
    double value2 = 0.0;

    bool operator==(const SimReply&) const = default;
};

class SimReplyQueue {
public:
    void push(const SimReply& reply);

    // The engine's access: entries() may be used only while the returned lock is held.
    std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(mutex_); }
    std::vector<SimReply>& entries(const std::unique_lock<std::recursive_mutex>& held);

    // A copy, for tests and the log.
    std::vector<SimReply> snapshot() const;
    void clear();

private:
    mutable std::recursive_mutex mutex_;
    std::vector<SimReply> replies_;
};

} // namespace hlw
