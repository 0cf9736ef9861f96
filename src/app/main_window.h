#pragma once
// The main window's own logic on the window thread: it creates the window at its stored place with its
// controls, starts each worker when asked (joining the one before), runs the close command, paints the band
// backgrounds, the status area and the message band, and on the quit message saves its place and ends the loop.
// No worker outlives it: before it returns it asks a running worker to stop and joins it, however long that takes,
// with a log line after every workerEndTimeout of waiting.
#include "app/main_window_state.h"
#include "engine/run/window_port.h"
#include "engine/run/worker_context.h"
#include "platform/ui/window.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace hlw {

inline constexpr auto workerEndTimeout = std::chrono::seconds(10);

class MainWindow final : public ui::WindowEvents, public WindowPort {
  public:
    // Starts a thread running the body; throws std::system_error when no thread can be started.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    // A worker that has not ended when the window goes is waited for, with a log line after every waitLogInterval.
    MainWindow(ui::Window& window, MainWindowState& state, ThreadStarter startThread = &lf_startThread,
               std::chrono::milliseconds waitLogInterval = workerEndTimeout);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Reads the stored place, creates the window there with its controls and repaints the panel. False when the
    // window could not be created.
    bool create();
    // Starts the first worker with the context (whose window is this one) and runs the window thread's loop
    // until the quit message; closeSignal turning true runs the close command. Returns the exit code.
    int run(WorkerContext& context, const std::atomic<bool>& closeSignal);

    int32_t workersStarted() const noexcept { return workersStarted_.load(); }
    // True while a worker thread has not been joined (window thread only).
    bool workerRunning() const noexcept { return worker_.joinable(); }

    void postStartWorker() override;
    void postQuit() override;
    void setTopmost(bool topmost) override;
    void setExitCode(int code) override { exitCode_.store(code); }

    void onMessage(uint32_t message) override;
    void onCommand(ui::Command command) override;
    void onClose() override;
    void onPaint(ui::Painter& painter) override;

  private:
    static std::thread lf_startThread(std::function<void()> body) { return std::thread(std::move(body)); }

    void startWorker();
    void quit();
    // Joins the worker once it has ended, waiting at most the time given; false when it has not ended by then.
    bool joinWorker(std::chrono::milliseconds wait);
    // Joins the worker however long it takes, logging after every waitLogInterval_ that it is still waited for.
    void joinWorkerWaiting();

    ui::Window& window_;
    MainWindowState& state_;
    ThreadStarter startThread_;
    WorkerContext* context_ = nullptr;
    const std::chrono::milliseconds waitLogInterval_;
    std::thread worker_;
    // Set by the worker's thread as its last step.
    std::mutex workerMutex_;
    std::condition_variable workerEnded_;
    bool workerDone_ = false;
    // The last start failed: no worker will post the quit message.
    bool workerFailed_ = false;
    std::atomic<int32_t> workersStarted_{0};
    std::atomic<int> exitCode_{0};
};

} // namespace hlw
