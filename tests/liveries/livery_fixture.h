#pragma once
// A temporary program folder for the livery suites: made the current folder, with "output", an open log, a
// data folder for "parameters.xml", a window that records what the livery code does to its controls, code
// tables holding a small fleet of models with their categories and similar-model groups, empty livery tables and
// a view that counts what the livery code announces. Everything is emptied again at the end.
#include "liveries/livery_view_port.h"
#include "platform/ui/control_port.h"
#include "support/temp_dir.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace hlw::test {

class RecordingWindow final : public ui::ControlPort {
public:
    bool hasControl(ui::ControlId) const override { return true; }
    void enable(ui::ControlId id, bool enabled) override;
    void setChecked(ui::ControlId, bool) override {}
    void setText(ui::ControlId, std::string) override {}
    void comboReset(ui::ControlId) override {}
    void comboAddItem(ui::ControlId, std::string) override {}
    void comboSelect(ui::ControlId, std::optional<int32_t>) override {}
    void comboFill(ui::ControlId, std::vector<std::string>, std::optional<int32_t>) override {}
    std::optional<int32_t> comboSelection(ui::ControlId) const override { return std::nullopt; }
    void invalidate(ui::Rect, bool) override {}
    void postMessage(uint32_t) override {}

    std::optional<bool> enabled(ui::ControlId id) const;

private:
    mutable std::mutex mutex_;
    std::map<ui::ControlId, bool> enabled_;
};

class CountingLiveryView final : public LiveryViewPort {
public:
    void liveryStatusChanged() override { ++statusChanges; }
    void scanSwitchShown() override { ++scanSwitchShows; }

    std::atomic<int> statusChanges{0};
    std::atomic<int> scanSwitchShows{0};
};

class LiveryFolder {
public:
    LiveryFolder();
    ~LiveryFolder();
    LiveryFolder(const LiveryFolder&) = delete;
    LiveryFolder& operator=(const LiveryFolder&) = delete;

    std::filesystem::path scannedPath() const { return dir / "output" / "LiveriesScanned.xml"; }
    // Writes "output/LiveriesScanned.xml" with the meta block and the given <l .../> lines.
    void writeScannedFile(const std::string& liveryLines) const;
    std::string logText() const;
    // The stored value of a setting in "parameters.xml"; empty when the file or the setting is missing.
    std::optional<std::string> storedSetting(const std::string& key) const;

    TempDir dir;
    RecordingWindow window;
    CountingLiveryView view;

private:
    ScopedCurrentPath current_{dir.path()};
    FakeRunState runState_;
};

} // namespace hlw::test
