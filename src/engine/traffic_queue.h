#pragma once
// The traffic queue between the traffic reader and the worker. Its lock guards trafficRunning: the reader queues
// a received record only while the flag is set, and the worker changes the flag only under the lock, so no record
// is queued after the worker has stopped taking them. The worker of a run owns the queue; the reader gets it
// from the worker.
// Lock order: the traffic-queue lock is taken before the log lock and holds no other.
#include <mutex>

namespace hlw {

class TrafficQueue {
public:
    TrafficQueue() = default;
    TrafficQueue(const TrafficQueue&) = delete;
    TrafficQueue& operator=(const TrafficQueue&) = delete;

    void setRunning(bool running);
    bool running() const;

    // Runs the action under the lock with the running flag; for what must change together with it.
    template <typename Action> void withLock(Action&& action)
    {
        std::lock_guard lock(mutex_);
        action(trafficRunning_);
    }

private:
    mutable std::mutex mutex_;
    bool trafficRunning_ = false;
};

} // namespace hlw
