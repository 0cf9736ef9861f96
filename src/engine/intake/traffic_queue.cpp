#include "engine/intake/traffic_queue.h"

#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {

TrafficQueue::TrafficQueue(SteadyTimeSource& time) : slots_(capacity), overflowAlerts_(time) {}

void TrafficQueue::setRunning(bool running)
{
    std::lock_guard lock(mutex_);
    trafficRunning_ = running;
}

bool TrafficQueue::running() const
{
    std::lock_guard lock(mutex_);
    return trafficRunning_;
}

bool TrafficQueue::push(TrafficRecord&& record)
{
    std::lock_guard lock(mutex_);
    if (!trafficRunning_) {
        return false;
    }
    if (size_ == capacity) {
        // The oldest slot takes the new record.
        head_ = (head_ + 1) % capacity;
        --size_;
        ++counts_.overflowDropped;
        ++dropsSinceAlert_;
        if (uint64_t heldBack = 0; overflowAlerts_.admit("traffic queue full", heldBack)) {
            gf_logAlert(fmt::format("Traffic queue full: the oldest record was dropped ({} since the last alert, {} "
                                    "so far)",
                                    dropsSinceAlert_, counts_.overflowDropped));
            dropsSinceAlert_ = 0;
        }
    }
    slots_[(head_ + size_) % capacity] = std::move(record);
    ++size_;
    ++counts_.queued;
    counts_.highWaterMark = std::max(counts_.highWaterMark, size_);
    return true;
}

std::optional<TrafficRecord> TrafficQueue::pop()
{
    std::lock_guard lock(mutex_);
    if (size_ == 0) {
        return std::nullopt;
    }
    std::optional<TrafficRecord> record(std::move(slots_[head_]));
    head_ = (head_ + 1) % capacity;
    --size_;
    return record;
}

void TrafficQueue::clear()
{
    std::lock_guard lock(mutex_);
    for (; size_ > 0; --size_, head_ = (head_ + 1) % capacity) {
        slots_[head_] = TrafficRecord();
    }
    head_ = 0;
    counts_ = {};
    dropsSinceAlert_ = 0;
}

TrafficQueueCounts TrafficQueue::counts() const
{
    std::lock_guard lock(mutex_);
    TrafficQueueCounts counts = counts_;
    counts.size = size_;
    return counts;
}

void TrafficQueue::startCallsignCollection()
{
    std::lock_guard lock(mutex_);
    heardCallsigns_.clear();
    collecting_.store(true);
}

void TrafficQueue::noteCallsign(std::string_view callsign)
{
    if (!collecting_.load()) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (collecting_.load() && heardCallsigns_.size() < maxHeardCallsigns) {
        heardCallsigns_.emplace(callsign);
    }
}

std::unordered_set<std::string> TrafficQueue::takeCallsigns()
{
    std::lock_guard lock(mutex_);
    collecting_.store(false);
    return heardCallsigns_;
}

void TrafficQueue::clearCallsigns()
{
    std::lock_guard lock(mutex_);
    collecting_.store(false);
    heardCallsigns_.clear();
}

} // namespace hlw
