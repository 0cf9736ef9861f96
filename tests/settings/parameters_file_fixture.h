#pragma once
// Shared set-up of the "parameters.xml" suites: a temporary program folder and data folder, an open log,
// a window whose controls record what the settings show, and every setting back at its default.
#include "core/log.h"
#include "platform/ui/control_port.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

// Knows every control and keeps the last check state and text of each.
class RecordingControls final : public ui::ControlPort {
public:
    bool hasControl(ui::ControlId) const override { return true; }
    void enable(ui::ControlId, bool) override {}
    void setChecked(ui::ControlId id, bool checked) override
    {
        std::lock_guard lock(mutex_);
        checked_[id] = checked;
    }
    void setText(ui::ControlId id, std::string text) override
    {
        std::lock_guard lock(mutex_);
        texts_[id] = std::move(text);
    }
    void comboReset(ui::ControlId) override {}
    void comboAddItem(ui::ControlId, std::string) override {}
    void comboSelect(ui::ControlId, std::optional<int32_t>) override {}
    void comboFill(ui::ControlId, std::vector<std::string>, std::optional<int32_t>) override {}
    std::optional<int32_t> comboSelection(ui::ControlId) const override { return std::nullopt; }
    void invalidate(ui::Rect, bool) override {}
    void postMessage(uint32_t) override {}

    std::optional<bool> checked(ui::ControlId id) const
    {
        std::lock_guard lock(mutex_);
        const auto found = checked_.find(id);
        return found == checked_.end() ? std::nullopt : std::optional<bool>(found->second);
    }
    std::optional<std::string> text(ui::ControlId id) const
    {
        std::lock_guard lock(mutex_);
        const auto found = texts_.find(id);
        return found == texts_.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

private:
    mutable std::mutex mutex_;
    std::map<ui::ControlId, bool> checked_;
    std::map<ui::ControlId, std::string> texts_;
};

using StoredSettings = std::vector<std::pair<std::string, std::string>>;

// Every value back at its default, and "PROGRAM_VERSION" with the empty default of a fresh process.
void resetSettingsToDefaults();

// The keys of the six storage lists in their order.
std::vector<std::string> listedKeys();

// The "parameter" elements of a settings file (either layout) as name and value, in file order.
StoredSettings storedSettings(const std::filesystem::path& path);
// The first stored value of a key, or none.
std::optional<std::string> storedValue(const std::filesystem::path& path, const std::string& key);

// A settings file of the given elements; the older layout has no "root".
std::string settingsFileText(const StoredSettings& settings, bool withRoot = true);

class ParametersFileTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The log so far.
    std::string logText() const;
    std::filesystem::path settingsPath() const { return dataFolder / "parameters.xml"; }
    std::filesystem::path generationPath() const { return dataFolder / "parameters0.xml"; }

    TempDir programFolder;
    ScopedCurrentPath currentFolder{programFolder.path()};
    std::filesystem::path dataFolder = programFolder / "Hollowmere";
    FakeRunState runState;
    RecordingControls controls;
};

} // namespace hlw::test
