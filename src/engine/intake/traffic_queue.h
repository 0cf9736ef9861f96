#pragma once
// The traffic queue between the traffic reader and the worker. Its lock guards trafficRunning: the reader queues
// a received record only while the flag is set, and the worker changes the flag only under the lock, so no record
// is queued after the worker has stopped taking them. The worker of a run owns the queue; the reader gets it
// from the worker.
//
// The queue is bounded: a full queue drops its oldest record for a new one, counts it and alerts at most once a
// minute with the drops since the last alert and in all. Its slots are made once, so queuing allocates nothing
// beyond what a record's strings need. The same lock guards the set of callsigns heard while a parking adjustment
// collects them: the reader inserts, the worker empties, arms, copies and disarms. The engine tick the reader stamps
// records with is an atomic that only the worker writes.
// Lock order: the traffic-queue lock is taken before the log lock and holds no other.
#include "core/steady_time_source.h"
#include "engine/base/log_throttle.h"
#include "records/flight_record.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace hlw {

struct TrafficQueueCounts {
    std::size_t size = 0;
    std::size_t highWaterMark = 0; // the most records held at once since the last clear
    uint64_t queued = 0;           // records queued since the last clear
    uint64_t overflowDropped = 0;  // oldest records dropped from a full queue since the last clear
};

class TrafficQueue {
public:
    static constexpr std::size_t capacity = 4096;
    static constexpr std::size_t maxHeardCallsigns = 4096;

    explicit TrafficQueue(SteadyTimeSource& time = gf_systemSteadyTime());
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

    // Reader: moves the record to the back while traffic runs; false (the record untouched) otherwise.
    bool push(TrafficRecord&& record);
    // Worker: the oldest record.
    std::optional<TrafficRecord> pop();
    // Run reset: no records, counts from zero.
    void clear();
    TrafficQueueCounts counts() const;

    // The worker's engine tick, which received positions are due after.
    void publishEngineTick(int32_t tick) noexcept { engineTick_.store(tick, std::memory_order_relaxed); }
    int32_t engineTick() const noexcept { return engineTick_.load(std::memory_order_relaxed); }

    // Worker: empties the heard callsigns and collects from now on.
    void startCallsignCollection();
    // Reader: adds a heard callsign while collecting (at most maxHeardCallsigns are kept).
    void noteCallsign(std::string_view callsign);
    // Worker: a copy of the heard callsigns; collecting stops.
    std::unordered_set<std::string> takeCallsigns();
    // Run reset: no callsigns, not collecting.
    void clearCallsigns();

private:
    mutable std::mutex mutex_;
    bool trafficRunning_ = false;
    // A ring of capacity slots: size_ records from head_ on.
    std::vector<TrafficRecord> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    TrafficQueueCounts counts_;
    LogThrottle overflowAlerts_;
    uint64_t dropsSinceAlert_ = 0;
    std::atomic<int32_t> engineTick_{0};
    // Read without the lock first, so that a reader that is not collecting never takes it for a callsign.
    std::atomic<bool> collecting_{false};
    std::unordered_set<std::string> heardCallsigns_;
};

} // namespace hlw
