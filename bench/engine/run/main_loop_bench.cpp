// The main loop on the real clock with the idle simulator link and an empty engine tick, for
// HLMR_LOOP_SECONDS seconds (default 60): the period between steps (mean and 99th percentile), the steps between
// two once-per-second reports, and the CPU time the loop's thread used as a share of one core.
#include "engine/base/run_state.h"
#include "engine/run/main_loop.h"
#include "engine/sim/idle_sim_link.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

using namespace hlw;
using Clock = std::chrono::steady_clock;

double lf_threadCpuSeconds()
{
    timespec spent{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent);
    return static_cast<double>(spent.tv_sec) + static_cast<double>(spent.tv_nsec) * 1e-9;
}

// Records when each step began and at which step each report arrived; ends the run after the given time.
class TimedTick final : public EngineTick {
public:
    explicit TimedTick(std::chrono::seconds length) : end_(Clock::now() + length)
    {
        stepTimes.reserve(static_cast<std::size_t>(length.count()) * 110);
    }
    void tick() override
    {
        const Clock::time_point now = Clock::now();
        if (userDataArrived.load()) {
            reportSteps.push_back(static_cast<int64_t>(stepTimes.size()));
        }
        stepTimes.push_back(now);
        if (now >= end_) {
            gf_requestStop(ExitReason::userClosedSim, 0);
        }
    }

    std::vector<Clock::time_point> stepTimes;
    std::vector<int64_t> reportSteps;

private:
    const Clock::time_point end_;
};

void BM_MainLoopOnTheRealClock(benchmark::State& state)
{
    const char* seconds = std::getenv("HLMR_LOOP_SECONDS");
    const std::chrono::seconds length(seconds != nullptr ? std::atoi(seconds) : 60);
    for (auto _ : state) {
        gf_resetRunFlags();
        IdleSimLink link;
        TrafficReaders readers;
        LiveTrafficLink liveLink;
        TimedTick tick(length);
        LifecycleHooks lifecycle;
        ParkingPort parking;
        AddonScanPort addonScan;
        AppServices app;
        class NoWindow final : public WindowPort {
            void postStartWorker() override {}
            void postQuit() override {}
            void setTopmost(bool) override {}
            void setExitCode(int) override {}
        } window;
        StatusBoard status;
        TrafficQueue traffic;
        WorkerRequests requests;
        ResetRegistry resets;
        WorkerContext context{link, readers, liveLink, tick, lifecycle, parking, addonScan, app, window,
                              gf_systemSteadyTime(), status, traffic, requests, resets};
        link.start();
        const double cpuBefore = lf_threadCpuSeconds();
        const Clock::time_point begin = Clock::now();
        MainLoop loop(context);
        loop.run();
        const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
        const double cpu = lf_threadCpuSeconds() - cpuBefore;
        link.stop();
        link.join();

        std::vector<double> periods;
        for (std::size_t i = 1; i < tick.stepTimes.size(); ++i) {
            periods.push_back(std::chrono::duration<double, std::milli>(tick.stepTimes[i] - tick.stepTimes[i - 1])
                                  .count());
        }
        std::ranges::sort(periods);
        double sum = 0.0;
        for (const double period : periods) {
            sum += period;
        }
        int64_t fewest = 1 << 30;
        int64_t most = 0;
        for (std::size_t i = 1; i < tick.reportSteps.size(); ++i) {
            const int64_t steps = tick.reportSteps[i] - tick.reportSteps[i - 1];
            fewest = std::min(fewest, steps);
            most = std::max(most, steps);
        }
        state.counters["mean_period_ms"] = periods.empty() ? 0.0 : sum / static_cast<double>(periods.size());
        state.counters["p99_period_ms"] = periods.empty() ? 0.0 : periods[periods.size() * 99 / 100];
        state.counters["max_period_ms"] = periods.empty() ? 0.0 : periods.back();
        state.counters["steps_per_report_min"] = static_cast<double>(fewest);
        state.counters["steps_per_report_max"] = static_cast<double>(most);
        state.counters["reports"] = static_cast<double>(tick.reportSteps.size());
        state.counters["loop_cpu_percent"] = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
    }
    gf_resetRunFlags();
}
BENCHMARK(BM_MainLoopOnTheRealClock)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
