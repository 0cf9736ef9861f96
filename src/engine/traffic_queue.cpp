#include "engine/traffic_queue.h"

#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {

TrafficQueue::TrafficQueue(SteadyTimeSource& time) : overflowAlerts_(time) {}

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
    if (records_.size() >= capacity) {
        records_.pop_front();
        ++counts_.overflowDropped;
        if (uint64_t heldBack = 0; overflowAlerts_.admit("traffic queue full", heldBack)) {
            gf_logAlert(fmt::format("Traffic queue full: the oldest record was dropped ({} so far)",
                                    counts_.overflowDropped));
        }
    }
    records_.push_back(std::move(record));
    ++counts_.queued;
    counts_.highWaterMark = std::max(counts_.highWaterMark, records_.size());
    return true;
}

std::optional<TrafficRecord> TrafficQueue::pop()
{
    std::lock_guard lock(mutex_);
    if (records_.empty()) {
        return std::nullopt;
    }
    std::optional<TrafficRecord> record(std::move(records_.front()));
    records_.pop_front();
    return record;
}

void TrafficQueue::clear()
{
    std::lock_guard lock(mutex_);
    records_.clear();
    counts_ = {};
}

TrafficQueueCounts TrafficQueue::counts() const
{
    std::lock_guard lock(mutex_);
    TrafficQueueCounts counts = counts_;
    counts.size = records_.size();
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
