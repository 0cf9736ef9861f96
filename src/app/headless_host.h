#pragma once
// The window thread of a program without a window: the entry's thread pumps the messages that the worker and the
// settings post (start a worker, quit, repaint), runs the window's close command when the process is asked to
// end (SIGINT, SIGTERM), and shows the message line on the console. It joins each worker before starting the next
// one and before it returns, so no worker outlives it.
#include "app/window_messages.h"
#include "engine/run/window_port.h"
#include "engine/run/worker_context.h"
#include "platform/ui/control_port.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace hlw {

class HeadlessHost final : public WindowPort, public ui::ControlPort {
public:
    // closeSignal is set (from a signal handler) when the process is asked to end; out and err take the message
    // and error lines.
    HeadlessHost(const std::atomic<bool>& closeSignal, std::FILE* out, std::FILE* err);
    ~HeadlessHost() override;
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    // Starts the first worker with the context (whose window is this host) and pumps until the quit message.
    // Returns the exit code: the one set by the run, or 1 when the last run ended with "SYSTEM ERROR".
    int run(WorkerContext& context);

    // How many workers this host started.
    int32_t workersStarted() const noexcept { return workersStarted_.load(); }
    // True while a worker thread has not been joined (window thread only).
    bool workerRunning() const noexcept { return worker_.joinable(); }

    void postStartWorker() override { postMessage(startWorkerMessage); }
    void postQuit() override { postMessage(quitMessage); }
    void setTopmost(bool topmost) override { topmost_.store(topmost); }
    void setExitCode(int code) override { exitCode_.store(code); }
    // The console shows the error line once; the run then ends by itself.
    bool userCanClose() const override { return false; }

    // The control port: no controls, only the posted messages.
    bool hasControl(ui::ControlId) const override { return false; }
    bool showsControls() const override { return false; }
    void enable(ui::ControlId, bool) override {}
    void setChecked(ui::ControlId, bool) override {}
    void setText(ui::ControlId, std::string) override {}
    void comboReset(ui::ControlId) override {}
    void comboAddItem(ui::ControlId, std::string) override {}
    void comboSelect(ui::ControlId, std::optional<int32_t>) override {}
    void comboFill(ui::ControlId, std::vector<std::string>, std::optional<int32_t>) override {}
    std::optional<int32_t> comboSelection(ui::ControlId) const override { return std::nullopt; }
    void invalidate(ui::Rect, bool) override {}
    void postMessage(uint32_t message) override;

private:
    // The window's close command: closing text, userClosing, the link closed, the stop "USER CLOSED SIM".
    void closeCommand(WorkerContext& context);
    void startWorker(WorkerContext& context);
    void joinWorker();
    void showMessageLine();

    const std::atomic<bool>& closeSignal_;
    std::FILE* const out_;
    std::FILE* const err_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<uint32_t> messages_;
    std::thread worker_;
    std::atomic<int32_t> workersStarted_{0};
    std::atomic<bool> topmost_{false};
    std::atomic<int> exitCode_{0};
    bool closing_ = false;
    std::string shownMessage_;
    std::string shownError_;
};

} // namespace hlw
