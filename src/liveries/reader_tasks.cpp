#include "liveries/reader_tasks.h"

#include "core/log.h"
#include "core/run_state_port.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <iterator>
#include <mutex>
#include <string>
#include <utility>

namespace hlw {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the stop flags, which do not wake it.
constexpr std::chrono::milliseconds stopPollInterval{100};
// Results not yet collected, in units of the limit: keeps memory bounded behind one slow file.
constexpr std::size_t pendingPerSlot = 4;

std::atomic<uint64_t> lf_scanGeneration{0};
// The generation of the pool whose thread this is; 0 on every other thread.
thread_local uint64_t tl_taskGeneration = 0;

bool lf_stopRequested() noexcept
{
    const RunStatePort& state = gf_runState();
    return state.stopRequested() || state.userClosing();
}

std::string lf_seconds(std::chrono::milliseconds timeout)
{
    return fmt::format("{:g}", std::chrono::duration<double>(timeout).count());
}

} // namespace

int32_t gf_readerTaskLimit() noexcept
{
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 2 : static_cast<int32_t>(std::min<unsigned>(threads, 4096));
}

bool gf_readerTaskIsLate() noexcept
{
    return tl_taskGeneration != 0 && tl_taskGeneration != lf_scanGeneration.load();
}

struct ReaderTaskPool::Task {
    int32_t sourceIndex = 0;
    std::filesystem::path file;
    LiveryReader reader;
    Clock::time_point deadline;
    // Under Shared::mutex.
    bool ended = false;
    bool givenUp = false;
    std::vector<LiveryData> result;
    std::exception_ptr error;
};

struct ReaderTaskPool::Shared {
    uint64_t generation = 0;
    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable taskEnded;
    std::deque<std::shared_ptr<Task>> queue;
    // Per thread, the task it runs; null while idle.
    std::vector<std::shared_ptr<Task>> busy;
    int32_t idle = 0;
    int32_t counted = 0;
    int32_t unfinished = 0;
    int32_t givenUp = 0;
    bool closing = false;
};

namespace {

// The life of one pool thread: take a task, run it, publish its result; leave once the pool closes. The thread
// owns a share of the pool's state, so a thread left behind by finish() never touches freed memory.
template <typename Shared> void lf_runPoolThread(std::shared_ptr<Shared> shared, std::size_t slot)
{
    tl_taskGeneration = shared->generation;
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->work.wait(lock, [&] { return shared->closing || !shared->queue.empty(); });
        if (shared->queue.empty()) {
            return;
        }
        auto task = std::move(shared->queue.front());
        shared->queue.pop_front();
        --shared->idle;
        shared->busy[slot] = task;
        lock.unlock();

        std::vector<LiveryData> result;
        std::exception_ptr error;
        try {
            result = task->reader(task->sourceIndex, task->file);
        } catch (...) {
            error = std::current_exception();
        }

        lock.lock();
        task->result = std::move(result);
        task->error = std::move(error);
        task->ended = true;
        --shared->unfinished;
        if (!task->givenUp) {
            --shared->counted;
        }
        shared->busy[slot] = nullptr;
        ++shared->idle;
        shared->taskEnded.notify_all();
    }
}

} // namespace

ReaderTaskPool::ReaderTaskPool(ReaderTaskSettings settings)
    : settings_(settings), shared_(std::make_shared<Shared>())
{
    settings_.limit = std::max(settings_.limit, 1);
    shared_->generation = ++lf_scanGeneration;
}

ReaderTaskPool::~ReaderTaskPool()
{
    finish();
}

int32_t ReaderTaskPool::runningCount() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->counted;
}

int32_t ReaderTaskPool::givenUpCount() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->givenUp;
}

void ReaderTaskPool::start(int32_t sourceIndex, std::filesystem::path file, LiveryReader reader)
{
    auto task = std::make_shared<Task>();
    task->sourceIndex = sourceIndex;
    task->file = std::move(file);
    task->reader = std::move(reader);
    task->deadline = Clock::now() + settings_.waitTimeout;
    {
        const std::lock_guard lock(shared_->mutex);
        if (static_cast<int32_t>(shared_->queue.size()) >= shared_->idle) {
            // Every thread is busy (or hung): one more thread takes this task.
            shared_->busy.emplace_back();
            threads_.emplace_back(lf_runPoolThread<Shared>, shared_, shared_->busy.size() - 1);
            ++shared_->idle;
        }
        shared_->queue.push_back(task);
        ++shared_->counted;
        ++shared_->unfinished;
    }
    shared_->work.notify_one();
    pending_.push_back(std::move(task));
}

ReaderTaskPool::Wait ReaderTaskPool::waitFor(const std::shared_ptr<Task>& task, bool room)
{
    const std::size_t maxPending = pendingPerSlot * static_cast<std::size_t>(settings_.limit);
    std::unique_lock lock(shared_->mutex);
    for (;;) {
        if (task->ended) {
            return Wait::ended;
        }
        if (room && shared_->counted < settings_.limit && pending_.size() < maxPending) {
            return Wait::room;
        }
        if (lf_stopRequested()) {
            return Wait::stopped;
        }
        const Clock::time_point now = Clock::now();
        if (now >= task->deadline) {
            return Wait::timedOut;
        }
        shared_->taskEnded.wait_until(lock, std::min(task->deadline, now + stopPollInterval));
    }
}

void ReaderTaskPool::collect(const std::shared_ptr<Task>& task, ScannedLiveryList& out, const char* where)
{
    // The task has ended: its result is no longer written by its thread.
    if (task->error) {
        try {
            std::rethrow_exception(task->error);
        } catch (const std::exception& error) {
            gf_logAlert(fmt::format(fmt::runtime(where), error.what()));
        } catch (...) {
            gf_logAlert(fmt::format(fmt::runtime(where), fmt::format("unknown exception reading {}", task->file.string())));
        }
        return;
    }
    out.insert(out.end(), std::make_move_iterator(task->result.begin()), std::make_move_iterator(task->result.end()));
    task->result.clear();
}

bool ReaderTaskPool::giveUp(const std::shared_ptr<Task>& task, const char* where)
{
    {
        const std::lock_guard lock(shared_->mutex);
        if (task->ended) {
            // It ended between the time-out and now: its result is kept.
            return false;
        }
        task->givenUp = true;
        --shared_->counted;
        ++shared_->givenUp;
    }
    gf_logAlert(fmt::format(fmt::runtime(where), fmt::format("Future wait timed out after {} seconds, file {}",
                                                             lf_seconds(settings_.waitTimeout), task->file.string())));
    return true;
}

bool ReaderTaskPool::waitForRoom(ScannedLiveryList& out)
{
    static constexpr const char* inner = "liveries inner search aborted: {}";
    for (;;) {
        if (pending_.empty()) {
            return !lf_stopRequested();
        }
        const std::shared_ptr<Task> oldest = pending_.front();
        switch (waitFor(oldest, true)) {
        case Wait::ended:
            collect(oldest, out, inner);
            pending_.pop_front();
            break;
        case Wait::room:
            return true;
        case Wait::timedOut:
            if (giveUp(oldest, inner)) {
                pending_.pop_front();
            }
            break;
        case Wait::stopped:
            return false;
        }
    }
}

void ReaderTaskPool::drain(ScannedLiveryList& out)
{
    static constexpr const char* outer = "liveries search aborted, futs outer, {}";
    while (!pending_.empty()) {
        const std::shared_ptr<Task> oldest = pending_.front();
        switch (waitFor(oldest, false)) {
        case Wait::ended:
        case Wait::room:
            collect(oldest, out, outer);
            pending_.pop_front();
            break;
        case Wait::timedOut:
            if (giveUp(oldest, outer)) {
                pending_.pop_front();
            }
            break;
        case Wait::stopped:
            abandon();
            return;
        }
    }
}

void ReaderTaskPool::abandon()
{
    const std::lock_guard lock(shared_->mutex);
    for (const std::shared_ptr<Task>& task : pending_) {
        if (!task->ended && !task->givenUp) {
            task->givenUp = true;
            --shared_->counted;
        }
    }
    pending_.clear();
}

void ReaderTaskPool::finish()
{
    if (finished_) {
        return;
    }
    finished_ = true;
    abandon();

    std::vector<bool> busy;
    std::vector<std::filesystem::path> leftBehind;
    {
        std::unique_lock lock(shared_->mutex);
        // Tasks that never started are not started any more.
        for (const std::shared_ptr<Task>& task : shared_->queue) {
            task->ended = true;
            --shared_->unfinished;
        }
        shared_->queue.clear();
        shared_->closing = true;
        shared_->work.notify_all();
        shared_->taskEnded.wait_for(lock, settings_.finishTimeout, [&] { return shared_->unfinished == 0; });
        for (const std::shared_ptr<Task>& task : shared_->busy) {
            busy.push_back(task != nullptr);
            if (task) {
                leftBehind.push_back(task->file);
            }
        }
    }
    // From here on a task still running is late: it may no longer add to the scan's lists.
    ++lf_scanGeneration;
    for (const std::filesystem::path& file : leftBehind) {
        gf_logAlert(fmt::format("liveries reader still running after {} seconds, left behind: {}",
                                lf_seconds(settings_.finishTimeout), file.string()));
    }
    for (std::size_t slot = 0; slot < threads_.size(); ++slot) {
        if (busy[slot]) {
            threads_[slot].detach();
        } else {
            threads_[slot].join();
        }
    }
    threads_.clear();
}

} // namespace hlw
