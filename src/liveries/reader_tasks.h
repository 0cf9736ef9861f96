#pragma once
// The reader tasks of a livery scan: each aircraft.cfg file is read by a task of its own on a pool of threads
// that the scan owns. The tasks' results are collected in the order the files were started, whatever order the
// tasks finish in.
//
// Limits and time-outs:
// - At most `limit` tasks count as running. A task whose result was not ready within `waitTimeout` of its start
//   is given up: its result is dropped, it no longer counts, and the pool starts another thread for the next
//   task, so hung readers (a file on a hung share) can neither block the scan nor make it spin.
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
#include <deque>
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
    explicit ReaderTaskPool(ReaderTaskSettings settings = {});
    ~ReaderTaskPool();
    ReaderTaskPool(const ReaderTaskPool&) = delete;
    ReaderTaskPool& operator=(const ReaderTaskPool&) = delete;

    const ReaderTaskSettings& settings() const noexcept { return settings_; }

    // Makes room for one more task: appends the results of the oldest tasks that have ended, and waits while
    // `limit` tasks run (giving up the oldest one at its time-out). False, at once, when a stop is requested.
    bool waitForRoom(ScannedLiveryList& out);
    // Starts reading the file.
    void start(int32_t sourceIndex, std::filesystem::path file, LiveryReader reader);
    // Waits for every started task in start order, appending its liveries; a task is given up at its time-out.
    void drain(ScannedLiveryList& out);
    // Drops every task not yet collected (after a stop request); they end on their own.
    void abandon();
    // Waits for the running tasks (bounded), joins the threads and closes the scan generation. Called by the
    // destructor when not called before.
    void finish();

    // Tasks counted against the limit now; tasks given up so far.
    int32_t runningCount() const;
    int32_t givenUpCount() const;

private:
    struct Task;
    struct Shared;

    enum class Wait { ended, room, timedOut, stopped };
    // Waits until the task has ended, its deadline has passed or a stop is requested; with room set, also
    // until fewer than `limit` tasks are counted and the uncollected results are within their bound.
    Wait waitFor(const std::shared_ptr<Task>& task, bool room);
    void collect(const std::shared_ptr<Task>& task, ScannedLiveryList& out, const char* where);
    // False when the task ended meanwhile (its result is then collected as usual).
    bool giveUp(const std::shared_ptr<Task>& task, const char* where);

    ReaderTaskSettings settings_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
    std::deque<std::shared_ptr<Task>> pending_;
    bool finished_ = false;
};

} // namespace hlw
