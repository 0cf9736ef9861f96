#pragma once
// The reader tasks of a livery scan: each aircraft.cfg file is read by a task of its own on a pool of threads
// that the scan owns. The folders are listed on the pool as well (walk jobs), and a walk job starts the tasks
// for what its folder holds, so the walk and the reading run in parallel. The walk's driver only waits for the
// tasks in walk order and collects their results, whatever order they finish in.
//
// Limits and time-outs:
// - At most `limit` tasks (reader tasks and walk jobs together) run at a time; started tasks beyond that wait in
//   a queue, reader tasks ahead of walk jobs.
// - A task still running `waitTimeout` after it began is given up: its result is dropped, it no longer counts,
//   and the pool starts another thread in its place, so hung readers (a file on a hung share) can neither block
//   the scan nor make it spin.
// - After a stop request no further task begins.
// - finish() waits at most `finishTimeout` for the tasks still running (given-up ones included) and joins their
//   threads; a thread still busy after that is logged by its file and left to end on its own.
//
// Late tasks: every pool opens a new scan generation and finish() closes it. A task still running after that is
// late: gf_readerTaskIsLate() is then true on its thread, and the scan's shared lists drop what it adds.
//
// Threads: one pool at a time, driven from one thread (the worker); only its tasks run on the pool's threads.
// Lock order: the pool's mutex is a leaf; the log is written after it is released.
#include "liveries/livery_data.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace hlw {

// Reads one aircraft.cfg: the source index of its scanned folder and the file's path to the file's liveries.
// A reader may throw; the exception is logged when its result is collected.
using LiveryReader = std::function<ScannedLiveryList(int32_t sourceIndex, const std::filesystem::path& file)>;

// The processor's hardware threads, or 2 when it reports none.
int32_t gf_readerTaskLimit() noexcept;

// True on the thread of a reader task whose scan has ended (or been replaced by a later one).
bool gf_readerTaskIsLate() noexcept;

struct ReaderTaskSettings {
    int32_t limit = gf_readerTaskLimit();
    std::chrono::milliseconds waitTimeout{10'000};
    std::chrono::milliseconds finishTimeout{30'000};
};

class ReaderTaskPool {
public:
    struct Task;
    // A reader task or a walk job, as its starter sees it.
    using TaskHandle = std::shared_ptr<Task>;
    class Queue;
    // The work of a walk job: it touches only what it owns (it may outlive the scan) and may start further
    // tasks of the same walk through the queue it is given.
    using WalkWork = std::function<void(Queue& queue)>;
    enum class Wait { ended, timedOut, stopped };

    explicit ReaderTaskPool(ReaderTaskSettings settings = {});
    ~ReaderTaskPool();
    ReaderTaskPool(const ReaderTaskPool&) = delete;
    ReaderTaskPool& operator=(const ReaderTaskPool&) = delete;

    const ReaderTaskSettings& settings() const noexcept { return settings_; }

    // Starts a walk: queues its first job, on the folder named when the job is left behind.
    TaskHandle startWalk(std::string folder, WalkWork work);
    // Waits until the task has ended, was given up at its time-out, or a stop is requested. Meanwhile every
    // running task whose time is over is given up, and a new thread takes its place.
    Wait waitFor(const TaskHandle& task);
    // Appends the liveries of an ended reader task, or logs the exception that ended it.
    void collect(const TaskHandle& task, ScannedLiveryList& out) const;
    // Logs a reader task that was given up.
    void logGivenUp(const TaskHandle& task) const;
    // Ends the walk early (after a stop request): its tasks not yet begun never begin, its running jobs start
    // nothing more.
    void abandon();
    // Waits for the running tasks (bounded), joins the threads and closes the scan generation. Called by the
    // destructor when not called before.
    void finish();

    // Tasks running now and not given up; tasks given up so far.
    int32_t runningCount() const;
    int32_t givenUpCount() const;

private:
    struct Shared;
    // Under the mutex: threads until `limit` of them run tasks that were not given up.
    void addThreads();

    ReaderTaskSettings settings_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
    bool finished_ = false;
};

// What a walk job starts: tasks of its own walk, queued when the job
// ends, all under one lock. When the walk was abandoned or the job given up meanwhile they never begin and
// count as ended with nothing.
class ReaderTaskPool::Queue {
public:
    explicit Queue(const Task& job) noexcept : job_(job) {}
    TaskHandle startReader(int32_t sourceIndex, std::string file, LiveryReader reader);
    TaskHandle startJob(std::string folder, WalkWork work);
    // Called by the pool with its mutex held.
    void pushUnderLock(Shared& shared);

private:
    const Task& job_;
    std::vector<TaskHandle> jobs_;
    std::vector<TaskHandle> reads_;
};

} // namespace hlw
