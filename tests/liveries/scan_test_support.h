#pragma once
// Helpers of the livery scan suites: a run state whose stop flag another thread may set, aircraft.cfg files in a
// temporary tree, and stand-in readers that make one livery per file with the file's path as title.
#include "core/run_state_port.h"
#include "liveries/reader_tasks.h"

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {

class SwitchableRunState final : public RunStatePort {
public:
    SwitchableRunState() { gf_installRunStatePort(this); }
    ~SwitchableRunState() override { gf_installRunStatePort(nullptr); }
    SwitchableRunState(const SwitchableRunState&) = delete;
    SwitchableRunState& operator=(const SwitchableRunState&) = delete;

    bool stopRequested() const noexcept override { return stop.load(); }
    bool userClosing() const noexcept override { return closing.load(); }
    bool simIsMsfs2020() const noexcept override { return true; }
    int32_t simCode() const noexcept override { return 1; }
    bool simTimeInUse() const noexcept override { return false; }
    int64_t simUtcSeconds() const noexcept override { return 0; }

    std::atomic<bool> stop{false};
    std::atomic<bool> closing{false};
};

// Creates the file with its folders.
void writeFile(const std::filesystem::path& file, const std::string& content = "[fltsim.0]\n");

// One livery per file: title = the file's path, airline "DLH", model "A320", the task's source index.
ScannedLiveryList pathLivery(int32_t sourceIndex, const std::filesystem::path& file);
std::vector<std::string> titles(const ScannedLiveryList& liveries);

// The aircraft.cfg files under the root in the order a recursive listing meets them.
std::vector<std::string> cfgFilesInListingOrder(const std::filesystem::path& root);

} // namespace hlw::test
