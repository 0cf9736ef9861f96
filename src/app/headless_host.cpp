#include "app/headless_host.h"

#include "app/close_command.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/pc_clock.h"
#include "core/product.h"
#include "core/time_text.h"
#include "engine/base/run_state.h"
#include "engine/run/worker.h"

#include <fmt/format.h>

#include <chrono>

namespace hlw {
namespace {

// How often the pump looks at the close signal while no message arrives.
constexpr auto signalPoll = std::chrono::milliseconds(20);

} // namespace

HeadlessHost::HeadlessHost(const std::atomic<bool>& closeSignal, std::FILE* out, std::FILE* err)
    : closeSignal_(closeSignal), out_(out), err_(err)
{
}

HeadlessHost::~HeadlessHost() { joinWorker(); }

void HeadlessHost::postMessage(uint32_t message)
{
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
    }
    posted_.notify_one();
}

int HeadlessHost::run(WorkerContext& context)
{
    postStartWorker();
    while (true) {
        std::optional<uint32_t> message;
        {
            std::unique_lock lock(mutex_);
            // Once the close command has run, the signal no longer ends the wait: the pump waits for the worker's
            // messages while the run closes.
            posted_.wait_for(lock, signalPoll,
                             [this] { return !messages_.empty() || (closeSignal_.load() && !closing_); });
            if (!messages_.empty()) {
                message = messages_.front();
                messages_.pop_front();
            }
        }
        if (closeSignal_.load() && !closing_) {
            closeCommand(context);
        }
        if (!message) {
            continue;
        }
        if (*message == startWorkerMessage) {
            startWorker(context);
        } else if (*message == quitMessage) {
            joinWorker();
            showMessageLine();
            gf_log(gf_timeToString(gf_pcClockSeconds()));
            return gf_programExitCode(exitCode_.load());
        } else if (*message == ui::repaintMessage) {
            showMessageLine();
        }
    }
}

void HeadlessHost::closeCommand(WorkerContext& context)
{
    closing_ = true;
    gf_runCloseCommand(context);
}

void HeadlessHost::startWorker(WorkerContext& context)
{
    joinWorker();
    // The user closed the program while a restart was on its way: no new run, the program ends.
    if (userClosing.load()) {
        postQuit();
        return;
    }
    ++workersStarted_;
    worker_ = std::thread([&context] { gf_runWorker(context); });
}

void HeadlessHost::joinWorker()
{
    if (worker_.joinable()) {
        worker_.join();
    }
}

// The console shows each new message and error once.
void HeadlessHost::showMessageLine()
{
    const MessageLineTexts texts = gf_messageLineTexts();
    if (!texts.error.empty() && texts.error != shownError_) {
        fmt::print(err_, "Error {}\n", texts.error);
        std::fflush(err_);
    }
    if (!texts.message.empty() && texts.message != shownMessage_) {
        fmt::print(out_, "{}\n", texts.message);
        std::fflush(out_);
    }
    shownError_ = texts.error;
    shownMessage_ = texts.message;
}

} // namespace hlw
