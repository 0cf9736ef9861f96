// One full paint of the main window's client area from a snapshot of the status values (the "park airport"
// scenario, which draws the most): with the recording painter, and with the FLTK back end on a display (run it
// under Xvfb: xvfb-run -a <program>), timed inside the window's paint with the X server's work included.
#include "app/client_area_paint.h"
#include "app/control_table.h"
#include "app/status_painter.h"
#include "platform/ui/fltk_window.h"
#include "support/recording_painter.h"
#include "window_scenarios.h"

#include <FL/x.H>
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace hlw;
using Clock = std::chrono::steady_clock;

const demo::WindowScenario& lf_scenario() { return *demo::gf_findWindowScenario("park-reserved-found"); }

void BM_PaintRecording(benchmark::State& state)
{
    const demo::WindowScenario& scenario = lf_scenario();
    StatusBoard board;
    board.update([&](StatusValues& values) { values = scenario.status; });
    demo::gf_applyPanelSettings(scenario.panel);
    StatusAreaPainter painter;
    for (auto _ : state) {
        ui::RecordingPainter recorder;
        gf_paintClientArea(recorder, &painter, board.snapshot(), {scenario.message, scenario.error});
        benchmark::DoNotOptimize(recorder.operations().size());
    }
}
BENCHMARK(BM_PaintRecording)->Unit(benchmark::kMicrosecond);

class TimedEvents final : public ui::WindowEvents {
  public:
    void onMessage(uint32_t) override {}
    void onCommand(ui::Command) override {}
    void onClose() override {}
    void onPaint(ui::Painter& painter) override
    {
        const Clock::time_point start = Clock::now();
        gf_paintClientArea(painter, &statusPainter, board.snapshot(), {});
        XSync(fl_display, False);
        lastPaint.store(Clock::now() - start);
        paints.fetch_add(1);
    }

    StatusBoard board;
    StatusAreaPainter statusPainter;
    std::atomic<Clock::duration> lastPaint{};
    std::atomic<int64_t> paints{0};
};

void BM_PaintFltk(benchmark::State& state)
{
    const demo::WindowScenario& scenario = lf_scenario();
    demo::gf_applyPanelSettings(scenario.panel);
    TimedEvents events;
    events.board.update([&](StatusValues& values) { values = scenario.status; });
    std::atomic<bool> closeSignal{false};
    std::promise<ui::FltkWindow*> opened;
    std::thread windowThread([&] {
        std::unique_ptr<ui::FltkWindow> window = ui::FltkWindow::open();
        if (!window || !window->create({"Paint bench", {50, 50}, 880, 476, 0xFFCC99}, gf_controlsAtCreation(),
                                       events)) {
            opened.set_value(nullptr);
            return;
        }
        opened.set_value(window.get());
        window->run(closeSignal);
    });
    ui::FltkWindow* window = opened.get_future().get();
    if (window == nullptr) {
        windowThread.join();
        state.SkipWithError("no display (run under xvfb-run)");
        return;
    }
    for (auto _ : state) {
        const int64_t before = events.paints.load();
        window->invalidate({0, 0, 880, 476}, false);
        while (events.paints.load() == before) {
            std::this_thread::yield();
        }
        state.SetIterationTime(std::chrono::duration<double>(events.lastPaint.load()).count());
    }
    window->quit(0);
    windowThread.join();
}
BENCHMARK(BM_PaintFltk)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

} // namespace
