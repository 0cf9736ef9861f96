// The main window with the FLTK back end on a display (run it under Xvfb: xvfb-run -a <program>): one control
// call from a worker thread, with the window thread idle and while it is busy (each posted message keeps it
// 20 ms); the start-up state of all 43 controls (the call, and until the window shows it); and the window's
// creation with its controls until its first paint.
#include "app/control_table.h"
#include "app/sim_controls.h"
#include "platform/ui/fltk_window.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace hlw;
using Clock = std::chrono::steady_clock;

class BenchEvents final : public ui::WindowEvents {
  public:
    void onMessage(uint32_t message) override
    {
        // A busy window thread: every message 0x9000 keeps it 20 ms.
        if (message == 0x9000) {
            const auto end = Clock::now() + std::chrono::milliseconds(20);
            while (Clock::now() < end) {
            }
        }
    }
    void onCommand(ui::Command) override {}
    void onClose() override {}
    void onPaint(ui::Painter& painter) override
    {
        if (!painted.load()) {
            // Written before the flag, so that whoever sees the flag reads the time.
            firstPaint = Clock::now();
            painted.store(true);
        }
        painter.fillRect({0, 0, 880, 476}, 0xFFCC99);
    }

    // Written on the window thread only; the benchmark's thread reads firstPaint once painted is set.
    std::atomic<bool> painted{false};
    Clock::time_point firstPaint;
};

// A window with the program's 43 controls on a window thread of its own, for the length of one benchmark.
class WindowThread {
  public:
    WindowThread()
    {
        std::promise<ui::FltkWindow*> opened;
        std::future<ui::FltkWindow*> answer = opened.get_future();
        thread_ = std::thread([this, &opened] {
            std::unique_ptr<ui::FltkWindow> owned = ui::FltkWindow::open();
            if (!owned) {
                opened.set_value(nullptr);
                return;
            }
            const Clock::time_point start = Clock::now();
            if (!owned->create({"Window bench", {100, 100}, 880, 476, 0xFFCC99}, gf_controlsAtCreation(), events)) {
                opened.set_value(nullptr);
                return;
            }
            created = start;
            opened.set_value(owned.get());
            owned->run(closeSignal_);
        });
        window = answer.get();
        while (window != nullptr && !events.painted.load()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }
    ~WindowThread()
    {
        if (window != nullptr) {
            window->quit(0);
        }
        thread_.join();
    }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    BenchEvents events;
    ui::FltkWindow* window = nullptr;
    Clock::time_point created;

  private:
    std::atomic<bool> closeSignal_{false};
    std::thread thread_;
};

void BM_ControlCallFromWorker(benchmark::State& state)
{
    WindowThread window;
    if (window.window == nullptr) {
        state.SkipWithError("no display (run under xvfb-run)");
        return;
    }
    const bool busy = state.range(0) != 0;
    std::atomic<bool> keepBusy{busy};
    std::thread busyMaker([&] {
        while (keepBusy.load()) {
            window.window->postMessage(0x9000);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    });
    const ui::ControlId check = 32771;
    const ui::ControlId list = 32848;
    int64_t i = 0;
    for (auto _ : state) {
        switch (i++ % 3) {
        case 0:
            window.window->setChecked(check, i % 2 == 0);
            break;
        case 1:
            window.window->comboSelect(list, static_cast<int32_t>(i % 7));
            break;
        default:
            window.window->invalidate({0, 28, 880, 112}, false);
            break;
        }
    }
    keepBusy.store(false);
    busyMaker.join();
    state.counters["wake_ups"] = static_cast<double>(window.window->wakeUps());
}
BENCHMARK(BM_ControlCallFromWorker)->Arg(0)->Arg(1)->ArgNames({"busy"})->Unit(benchmark::kMicrosecond);

void BM_StartUpStateOfAllControls(benchmark::State& state)
{
    WindowThread window;
    if (window.window == nullptr) {
        state.SkipWithError("no display (run under xvfb-run)");
        return;
    }
    ui::gf_installControlPort(window.window);
    StatusBoard status;
    SimControls controls(status);
    const bool untilShown = state.range(0) != 0;
    for (auto _ : state) {
        controls.enableForStartUp();
        if (untilShown) {
            benchmark::DoNotOptimize(window.window->shownControl(32854));
        }
    }
    ui::gf_installControlPort(nullptr);
}
BENCHMARK(BM_StartUpStateOfAllControls)->Arg(0)->Arg(1)->ArgNames({"until_shown"})->Unit(benchmark::kMillisecond);

void BM_CreationToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        WindowThread window;
        if (window.window == nullptr) {
            state.SkipWithError("no display (run under xvfb-run)");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(window.events.firstPaint - window.created).count());
    }
}
BENCHMARK(BM_CreationToFirstPaint)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
