#include "engine/sim/idle_sim_link.h"

#include "engine/base/run_state.h"

namespace hlw {

IdleSimLink::IdleSimLink(UserAircraftFix user, std::chrono::milliseconds reportPeriod)
    : user_(user), reportPeriod_(reportPeriod)
{
}

IdleSimLink::~IdleSimLink()
{
    stop();
    join();
}

void IdleSimLink::start()
{
    stop();
    join();
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    flightRunning.store(true);
    thread_ = std::thread([this] { report(); });
}

void IdleSimLink::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}

void IdleSimLink::join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void IdleSimLink::report()
{
    auto next = std::chrono::steady_clock::now() + reportPeriod_;
    std::unique_lock lock(mutex_);
    while (!wake_.wait_until(lock, next, [this] { return stopping_; })) {
        userDataArrived.store(true);
        next += reportPeriod_;
    }
}

} // namespace hlw
