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
    std::filesystem::path file;
    LiveryReader reader;
    uint64_t walk = 0;
    // Under Shared::mutex.
    bool ended = false;
    bool givenUp = false;
    Clock::time_point deadline;
    std::vector<LiveryData> result;
    std::exception_ptr error;
};

struct ReaderTaskPool::Shared {
    uint64_t generation = 0;
    int32_t limit = 1;
    std::chrono::milliseconds waitTimeout{};
    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable taskEnded;
    // Tasks not yet begun; walk jobs go first.
    std::deque<std::shared_ptr<Task>> jobs;
    std::deque<std::shared_ptr<Task>> reads;
    // Per thread, the task it runs; null while idle or after the thread left.
    std::vector<std::shared_ptr<Task>> busy;
    // The walk whose tasks may start; abandoning a walk moves on to the next.
    uint64_t walk = 1;
    // The task the driver waits for: only its end wakes the driver.
    const Task* awaited = nullptr;
    int32_t alive = 0;
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
            task->ended = true;
            --unfinished;
        }
        queue.clear();
    }
};

namespace {

template <typename Shared, typename Queue>
void lf_runTask(Shared& shared, ReaderTaskPool::Task& task, std::vector<LiveryData>& result, std::exception_ptr& error)
{
    try {
        if (task.work) {
            Queue queue(shared, task);
            task.work(queue);
        } else {
            result = task.reader(task.sourceIndex, task.file);
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
        shared->work.wait(lock, [&] { return shared->closing || shared->queued() != 0; });
        auto& queue = shared->jobs.empty() ? shared->reads : shared->jobs;
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
        // After a stop request no task begins its work; the scan drops what is left.
        if (!lf_stopRequested()) {
            lf_runTask<Shared, Queue>(*shared, *task, result, error);
        }

        lock.lock();
        task->result = std::move(result);
        task->error = std::move(error);
        task->ended = true;
        task->work = nullptr;
        --shared->unfinished;
        if (task->givenUp) {
            --shared->stuck;
        } else {
            --shared->counted;
        }
        shared->busy[slot] = nullptr;
        if (shared->awaited == task.get() || shared->closing) {
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

ReaderTaskPool::TaskHandle ReaderTaskPool::startWalk(std::filesystem::path folder, WalkWork work)
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

ReaderTaskPool::TaskHandle ReaderTaskPool::Queue::push(TaskHandle task, bool walkJob)
{
    {
        const std::lock_guard lock(shared_.mutex);
        if (job_.givenUp || job_.walk != shared_.walk || shared_.closing) {
            return nullptr;
        }
        task->walk = job_.walk;
        (walkJob ? shared_.jobs : shared_.reads).push_back(task);
        ++shared_.unfinished;
    }
    shared_.work.notify_one();
    return task;
}

ReaderTaskPool::TaskHandle ReaderTaskPool::Queue::startReader(int32_t sourceIndex, std::filesystem::path file,
                                                              LiveryReader reader)
{
    auto task = std::make_shared<Task>();
    task->sourceIndex = sourceIndex;
    task->file = std::move(file);
    task->reader = std::move(reader);
    return push(std::move(task), false);
}

ReaderTaskPool::TaskHandle ReaderTaskPool::Queue::startJob(std::filesystem::path folder, WalkWork work)
{
    auto task = std::make_shared<Task>();
    task->file = std::move(folder);
    task->work = std::move(work);
    return push(std::move(task), true);
}

ReaderTaskPool::Wait ReaderTaskPool::waitFor(const TaskHandle& task)
{
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
            gf_logAlert(fmt::format("liveries inner search aborted: unknown exception reading {}", task->file.string()));
        }
        return;
    }
    out.insert(out.end(), std::make_move_iterator(task->result.begin()), std::make_move_iterator(task->result.end()));
    task->result.clear();
}

void ReaderTaskPool::logGivenUp(const TaskHandle& task) const
{
    gf_logAlert(fmt::format("liveries inner search aborted: Future wait timed out after {} seconds, file {}",
                            lf_seconds(settings_.waitTimeout), task->file.string()));
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
    std::vector<std::filesystem::path> leftBehind;
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
