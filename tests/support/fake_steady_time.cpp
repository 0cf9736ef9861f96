#include "support/fake_steady_time.h"

#include <thread>

namespace hlw::test {

FakeSteadyTime::FakeSteadyTime() : start_(TimePoint(std::chrono::hours(1000))), now_(start_) {}

SteadyTimeSource::TimePoint FakeSteadyTime::now()
{
    std::lock_guard lock(mutex_);
    return now_;
}

void FakeSteadyTime::sleepUntil(TimePoint deadline)
{
    moveTo(deadline);
    std::this_thread::yield();
}

void FakeSteadyTime::advance(Duration duration) { moveTo(now() + duration); }

void FakeSteadyTime::setListener(Listener listener) { listener_ = std::move(listener); }

SteadyTimeSource::Duration FakeSteadyTime::elapsed() { return now() - start_; }

void FakeSteadyTime::moveTo(TimePoint target)
{
    TimePoint reached;
    {
        std::lock_guard lock(mutex_);
        if (target > now_) {
            now_ = target;
        }
        reached = now_;
    }
    if (listener_) {
        listener_(reached);
    }
}

} // namespace hlw::test
