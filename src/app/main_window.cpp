#include "app/main_window.h"

#include "app/client_area_paint.h"
#include "app/close_command.h"
#include "app/control_table.h"
#include "app/window_layout.h"
#include "app/window_messages.h"
#include "app/window_placement.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/pc_clock.h"
#include "core/product.h"
#include "core/time_text.h"
#include "engine/base/run_state.h"
#include "engine/run/worker.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <exception>

namespace hlw {

MainWindow::MainWindow(ui::Window& window, MainWindowState& state, ThreadStarter startThread,
                       std::chrono::milliseconds waitLogInterval)
    : window_(window), state_(state), startThread_(std::move(startThread)), waitLogInterval_(waitLogInterval)
{
}

// No worker is left running: it uses the window's state and the program's parts, which go with the window.
MainWindow::~MainWindow() { joinWorkerWaiting(); }

bool MainWindow::create()
{
    gf_readWindowPosition(window_);
    ui::WindowSpec spec;
    spec.title = std::string(productName);
    spec.position = {settings::mainWindowX.get(), settings::mainWindowY.get()};
    spec.clientWidth = clientWidth;
    spec.clientHeight = clientHeight;
    spec.fieldBackground = lightBlue;
    if (!window_.create(spec, gf_controlsAtCreation(), *this)) {
        return false;
    }
    window_.invalidate(settingsPanelRect, true);
    return true;
}

int MainWindow::run(WorkerContext& context, const std::atomic<bool>& closeSignal)
{
    context_ = &context;
    postStartWorker();
    const int code = window_.run(closeSignal);
    if (worker_.joinable()) {
        userClosing.store(true);
        gf_requestStop(ExitReason::userClosedSim, 0);
        joinWorkerWaiting();
    }
    context_ = nullptr;
    return code;
}

void MainWindow::postStartWorker() { window_.postMessage(startWorkerMessage); }

void MainWindow::postQuit() { window_.postMessage(quitMessage); }

void MainWindow::setTopmost(bool topmost) { window_.setTopmost(topmost); }

void MainWindow::onMessage(uint32_t message)
{
    if (message == startWorkerMessage) {
        startWorker();
    } else if (message == quitMessage) {
        quit();
    } else if (message == ui::repaintMessage) {
        window_.invalidate(messageBandRect, false);
    }
}

void MainWindow::onCommand(ui::Command command)
{
    if (state_.commands != nullptr) {
        state_.commands->onCommand(command);
    }
}

void MainWindow::onClose()
{
    if (context_ == nullptr) {
        return;
    }
    gf_runCloseCommand(*context_);
    if (workerFailed_) {
        postQuit();
    }
}

void MainWindow::onPaint(ui::Painter& painter)
{
    gf_paintClientArea(painter, state_.statusPainter, state_.status.snapshot(), gf_messageLineTexts());
}

void MainWindow::startWorker()
{
    if (!joinWorker(workerEndTimeout)) {
        gf_logAlert("The previous worker has not ended; no new worker is started");
        return;
    }
    // The user closed the program during a restart countdown: no new run, the program ends.
    if (userClosing.load()) {
        postQuit();
        return;
    }
    {
        std::lock_guard lock(workerMutex_);
        workerDone_ = false;
    }
    try {
        WorkerContext& context = *context_;
        worker_ = startThread_([this, &context] {
            gf_runWorker(context);
            {
                std::lock_guard lock(workerMutex_);
                workerDone_ = true;
            }
            workerEnded_.notify_all();
        });
        workerFailed_ = false;
        ++workersStarted_;
    } catch (const std::exception& error) {
        workerFailed_ = true;
        gf_showError(fmt::format("The worker thread could not be started: {}", error.what()));
        gf_forceSystemErrorStop();
    }
}

void MainWindow::quit()
{
    if (!joinWorker(workerEndTimeout)) {
        gf_logAlert(fmt::format("The worker did not end within {} s", workerEndTimeout.count()));
    }
    gf_saveWindowPosition(window_);
    gf_log(gf_timeToString(gf_pcClockSeconds()));
    window_.quit(gf_programExitCode(exitCode_.load()));
}

bool MainWindow::joinWorker(std::chrono::milliseconds wait)
{
    if (!worker_.joinable()) {
        return true;
    }
    {
        std::unique_lock lock(workerMutex_);
        if (!workerEnded_.wait_for(lock, wait, [this] { return workerDone_; })) {
            return false;
        }
    }
    worker_.join();
    return true;
}

void MainWindow::joinWorkerWaiting()
{
    std::chrono::milliseconds waited{0};
    while (!joinWorker(waitLogInterval_)) {
        waited += waitLogInterval_;
        gf_logAlert(fmt::format("The worker has not ended after {:.1f} s; still waiting for it",
                                std::chrono::duration<double>(waited).count()));
    }
}

} // namespace hlw
