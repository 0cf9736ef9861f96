#include "engine/traffic_queue.h"

namespace hlw {

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

} // namespace hlw
