// One restart cycle on the real clock: a worker in a program folder with the bundled samples, the idle simulator
// link and readers that report traffic at once; its main loop is stopped with "NEW SETTINGS" (3 s countdown) and
// the time until the next worker's main loop runs its first step is measured. Goal: the countdown + 5 s.
#include "app/headless_host.h"
#include "core/log.h"
#include "engine/base/run_state.h"
#include "engine/sim/idle_sim_link.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace hlw;
using Clock = std::chrono::steady_clock;

class TrafficAtOnce final : public TrafficReaders {
public:
    double latestTimestamp() const override { return 1.7e9; }
};

class RestartTick final : public EngineTick {
public:
    explicit RestartTick(std::atomic<bool>& closeSignal) : closeSignal_(closeSignal) {}
    void tick() override
    {
        ++ticks_;
        if (ticks_ == 100) {
            stopAt = Clock::now();
            gf_requestStop(ExitReason::newSettings, 3);
        } else if (ticks_ > 100 && secondLoopAt == Clock::time_point{}) {
            secondLoopAt = Clock::now();
            closeSignal_.store(true);
        }
    }

    Clock::time_point stopAt{};
    Clock::time_point secondLoopAt{};

private:
    std::atomic<bool>& closeSignal_;
    int64_t ticks_ = 0;
};

void BM_RestartCycle(benchmark::State& state)
{
    for (auto _ : state) {
        test::TempDir dir;
        test::gf_makeProgramFolder(dir.path());
        test::ScopedCurrentPath current(dir / "program");
        gf_overrideDataFolderPath(dir / "user");
        setenv("HLMR_ROAMING_APPDATA", (dir / "roaming").c_str(), 1);
        gf_startLog(dir / "Log.txt");
        gf_installEngineRunState();
        gf_resetRunFlags();
        userClosing.store(false);

        std::atomic<bool> closeSignal{false};
        std::FILE* sink = std::tmpfile();
        HeadlessHost host(closeSignal, sink, sink);
        IdleSimLink link;
        TrafficAtOnce readers;
        LiveTrafficLink liveLink;
        RestartTick tick(closeSignal);
        LifecycleHooks lifecycle;
        ParkingPort parking;
        AddonScanPort addonScan;
        AppServices app;
        StatusBoard status;
        TrafficQueue traffic;
        WorkerRequests requests;
        ResetRegistry resets;
        WorkerContext context{link, readers, liveLink, tick, lifecycle, parking, addonScan, app, host,
                              gf_systemSteadyTime(), status, traffic, requests, resets};
        host.run(context);
        const double seconds = std::chrono::duration<double>(tick.secondLoopAt - tick.stopAt).count();
        state.SetIterationTime(seconds);
        state.counters["stop_to_next_loop_s"] = seconds;
        state.counters["beyond_countdown_s"] = seconds - 3.0;
        std::fclose(sink);
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        gf_resetRunFlags();
        userClosing.store(false);
        isRestart.store(false);
    }
}
BENCHMARK(BM_RestartCycle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
