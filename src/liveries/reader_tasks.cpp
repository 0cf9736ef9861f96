#include "liveries/reader_tasks.h"

#include "core/log.h"
#include "core/run_state_port.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
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
    // Set before the task is queued: a walk job's work and folder, or a reader task's file and reader.
    WalkWork work;
    int32_t sourceIndex = 0;
    // The path's text: a path object per waiting task would cost far more memory.
    std::string file;
    LiveryReader reader;
    uint64_t walk = 0;
    // Written by the task's thread before it sets ended; read by the driver once it sees ended.
    std::vector<LiveryData> result;
    std::exception_ptr error;
    // Set under Shared::mutex; the driver may look at it without the mutex.
    std::atomic<bool> ended{false};
    // Under Shared::mutex.
    bool givenUp = false;
    Clock::time_point deadline;
};

struct ReaderTaskPool::Shared {
    uint64_t generation = 0;
    int32_t limit = 1;
    std::chrono::milliseconds waitTimeout{};
    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable taskEnded;
    // Tasks not yet begun; reader tasks go first, so the walk runs only as far ahead as the readers need.
    std::deque<std::shared_ptr<Task>> jobs;
    std::deque<std::shared_ptr<Task>> reads;
    // Per thread, the task it runs; null while idle or after the thread left.
    std::vector<std::shared_ptr<Task>> busy;
    // The walk whose tasks may start; abandoning a walk moves on to the next.
    uint64_t walk = 1;
    // The task the driver waits for, and the count of ended tasks at which it wants to be woken.
    const Task* awaited = nullptr;
    uint64_t endedCount = 0;
    uint64_t wakeAt = 0;
    int32_t alive = 0;
    // Threads waiting for a task.
    int32_t waiting = 0;
    // Threads still running a task that was given up: replaced, they do not count against the limit.
    int32_t stuck = 0;
    int32_t counted = 0;
    int32_t unfinished = 0;
    int32_t givenUp = 0;
    bool closing = false;

    std::size_t queued() const noexcept { return jobs.size() + reads.size(); }

    void dropQueued(std::deque<std::shared_ptr<Task>>& queue)
    {
        for (const std::shared_ptr<Task>& task : queue) {
            task->ended.store(true);
            --unfinished;
        }
        queue.clear();
    }
};

namespace {

template <typename Queue>
void lf_runTask(ReaderTaskPool::Task& task, Queue& queue, std::vector<LiveryData>& result, std::exception_ptr& error)
{
    try {
        if (task.work) {
            task.work(queue);
        } else {
            result = task.reader(task.sourceIndex, std::filesystem::path(task.file));
        }
    } catch (...) {
        error = std::current_exception();
    }
}

// The life of one pool thread: take a task, run it, publish its result; leave once the pool closes, or once it
// is one too many after the task it was replaced for has ended. The thread owns a share of the pool's state,
// so a thread left behind by finish() never touches freed memory.
template <typename Shared, typename Queue> void lf_runPoolThread(std::shared_ptr<Shared> shared, std::size_t slot)
{
    tl_taskGeneration = shared->generation;
    std::unique_lock lock(shared->mutex);
    for (;;) {
        ++shared->waiting;
        shared->work.wait(lock, [&] { return shared->closing || shared->queued() != 0; });
        --shared->waiting;
        auto& queue = shared->reads.empty() ? shared->jobs : shared->reads;
        if (queue.empty()) {
            --shared->alive;
            return;
        }
        auto task = std::move(queue.front());
        queue.pop_front();
        ++shared->counted;
        task->deadline = Clock::now() + shared->waitTimeout;
        shared->busy[slot] = task;
        lock.unlock();

        std::vector<LiveryData> result;
        std::exception_ptr error;
        Queue started(*task);
        // After a stop request no task begins its work; the scan drops what is left.
        if (!lf_stopRequested()) {
            lf_runTask(*task, started, result, error);
        }

        task->result = std::move(result);
        task->error = std::move(error);
        task->work = nullptr;
        lock.lock();
        started.pushUnderLock(*shared);
        task->ended.store(true);
        --shared->unfinished;
        ++shared->endedCount;
        if (task->givenUp) {
            --shared->stuck;
        } else {
            --shared->counted;
        }
        shared->busy[slot] = nullptr;
        // The driver is woken once what it waits for has ended and a batch of tasks behind it too (or the
        // queue is empty), not for every task: it then collects many at once.
        const auto* awaited = shared->awaited;
        if (shared->closing ||
            (awaited != nullptr && awaited->ended && (shared->queued() == 0 || shared->endedCount >= shared->wakeAt))) {
            shared->taskEnded.notify_all();
        }
        if (shared->alive - shared->stuck > shared->limit) {
            --shared->alive;
            return;
        }
    }
}

} // namespace

ReaderTaskPool::ReaderTaskPool(ReaderTaskSettings settings)
    : settings_(settings), shared_(std::make_shared<Shared>())
{
    settings_.limit = std::max(settings_.limit, 1);
    shared_->limit = settings_.limit;
    shared_->waitTimeout = settings_.waitTimeout;
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

void ReaderTaskPool::addThreads()
{
    while (shared_->alive - shared_->stuck < settings_.limit) {
        shared_->busy.emplace_back();
        threads_.emplace_back(lf_runPoolThread<Shared, Queue>, shared_, shared_->busy.size() - 1);
        ++shared_->alive;
    }
}

ReaderTaskPool::TaskHandle ReaderTaskPool::startWalk(std::string folder, WalkWork work)
{
    auto task = std::make_shared<Task>();
    task->file = std::move(folder);
    task->work = std::move(work);
    {
        const std::lock_guard lock(shared_->mutex);
        task->walk = shared_->walk;
        shared_->jobs.push_back(task);
        ++shared_->unfinished;
        addThreads();
    }
    shared_->work.notify_one();
    return task;
}

void ReaderTaskPool::Queue::pushUnderLock(Shared& shared)
{
    if (reads_.empty() && jobs_.empty()) {
        return;
    }
    if (job_.givenUp || job_.walk != shared.walk || shared.closing) {
        // Dropped: they count as ended with nothing, and nobody waits for them.
        for (const TaskHandle& task : jobs_) {
            task->ended.store(true);
        }
        for (const TaskHandle& task : reads_) {
            task->ended.store(true);
        }
        return;
    }
    for (TaskHandle& task : jobs_) {
        task->walk = job_.walk;
        shared.jobs.push_back(std::move(task));
    }
    for (TaskHandle& task : reads_) {
        task->walk = job_.walk;
        shared.reads.push_back(std::move(task));
    }
    const std::size_t count = jobs_.size() + reads_.size();
    shared.unfinished += static_cast<int32_t>(count);
    // Threads busy with tasks come back for these without being woken.
    if (shared.waiting > 0) {
        if (count == 1) {
            shared.work.notify_one();
        } else {
            shared.work.notify_all();
        }
    }
}

ReaderTaskPool::TaskHandle ReaderTaskPool::Queue::startReader(int32_t sourceIndex, std::string file,
                                                              LiveryReader reader)
{
    auto task = std::make_shared<Task>();
    task->sourceIndex = sourceIndex;
    task->file = std::move(file);
    task->reader = std::move(reader);
    reads_.push_back(task);
    return task;
}

ReaderTaskPool::TaskHandle ReaderTaskPool::Queue::startJob(std::string folder, WalkWork work)
{
    auto task = std::make_shared<Task>();
    task->file = std::move(folder);
    task->work = std::move(work);
    jobs_.push_back(task);
    return task;
}

ReaderTaskPool::Wait ReaderTaskPool::waitFor(const TaskHandle& task)
{
    // The driver is mostly behind the pool: most tasks it looks at have ended already.
    if (task->ended.load(std::memory_order_acquire)) {
        return Wait::ended;
    }
    std::unique_lock lock(shared_->mutex);
    for (;;) {
        if (task->ended) {
            return Wait::ended;
        }
        if (task->givenUp) {
            return Wait::timedOut;
        }
        if (lf_stopRequested()) {
            return Wait::stopped;
        }
        const Clock::time_point now = Clock::now();
        Clock::time_point wakeUp = now + stopPollInterval;
        for (const std::shared_ptr<Task>& running : shared_->busy) {
            if (!running || running->givenUp) {
                continue;
            }
            if (now >= running->deadline) {
                running->givenUp = true;
                --shared_->counted;
                ++shared_->stuck;
                ++shared_->givenUp;
            } else {
                wakeUp = std::min(wakeUp, running->deadline);
            }
        }
        addThreads();
        if (task->givenUp) {
            return Wait::timedOut;
        }
        shared_->awaited = task.get();
        shared_->wakeAt = shared_->endedCount + 2 * static_cast<uint64_t>(settings_.limit);
        shared_->taskEnded.wait_until(lock, wakeUp);
        shared_->awaited = nullptr;
    }
}

void ReaderTaskPool::collect(const TaskHandle& task, ScannedLiveryList& out) const
{
    // The task has ended: its result is no longer written by its thread.
    if (task->error) {
        try {
            std::rethrow_exception(task->error);
        } catch (const std::exception& error) {
            gf_logAlert(fmt::format("liveries inner search aborted: {}", error.what()));
        } catch (...) {
            gf_logAlert(fmt::format("liveries inner search aborted: unknown exception reading {}", task->file));
        }
        return;
    }
    out.insert(out.end(), std::make_move_iterator(task->result.begin()), std::make_move_iterator(task->result.end()));
    task->result.clear();
}

void ReaderTaskPool::logGivenUp(const TaskHandle& task) const
{
    gf_logAlert(fmt::format("liveries inner search aborted: Future wait timed out after {} seconds, file {}",
                            lf_seconds(settings_.waitTimeout), task->file));
}

void ReaderTaskPool::abandon()
{
    const std::lock_guard lock(shared_->mutex);
    ++shared_->walk;
    shared_->dropQueued(shared_->jobs);
    shared_->dropQueued(shared_->reads);
}

void ReaderTaskPool::finish()
{
    if (finished_) {
        return;
    }
    finished_ = true;

    std::vector<bool> busy;
    std::vector<std::string> leftBehind;
    {
        std::unique_lock lock(shared_->mutex);
        // Tasks that never began do not begin any more.
        shared_->dropQueued(shared_->jobs);
        shared_->dropQueued(shared_->reads);
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
    for (const std::string& file : leftBehind) {
        gf_logAlert(fmt::format("liveries reader still running after {} seconds, left behind: {}",
                                lf_seconds(settings_.finishTimeout), file));
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
