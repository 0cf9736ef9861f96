#pragma once
// The run reset before a restart: every part of the engine that keeps state across a run registers a hook that
// sets it back to its start value, so that no part is forgotten. Closing down runs them all, in the order of
// registration, after the readers and the simulator link have stopped.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace hlw {

class ResetRegistry {
public:
    using Hook = std::function<void()>;

    ResetRegistry() = default;
    ResetRegistry(const ResetRegistry&) = delete;
    ResetRegistry& operator=(const ResetRegistry&) = delete;

    // The name is what the log shows when the hook fails.
    void add(std::string name, Hook hook);
    // Runs every hook; a hook that throws is logged ("Reset of {} failed: {}") and the others still run.
    void runAll();

private:
    struct Entry {
        std::string name;
        Hook hook;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

} // namespace hlw
