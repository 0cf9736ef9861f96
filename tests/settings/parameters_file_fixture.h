#pragma once
// The "parameters.xml" suites' set-up: temporary program and data folders, a log, a window, default settings.
#include "core/log.h"
#include "settings/catalogue.h"
#include "support/recorded_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <sstream>

namespace hlw::test {

using StoredSettings = std::vector<std::pair<std::string, std::string>>;

// Calls visit on every setting of the six storage lists, in storage order.
template <typename Visit> void forEachListedSetting(Visit&& visit)
{
    const auto each = [&](const auto& list) {
        for (auto* setting : list) {
            visit(*setting);
        }
    };
    each(settings::boolParameterList);
    each(settings::checkBoxParameterList);
    each(settings::intParameterList);
    each(settings::intComboParameterList);
    each(settings::stringParameterList);
    each(settings::controlStringParameterList);
}

inline std::string valueText(bool value)
{
    return value ? "true" : "false";
}
inline std::string valueText(int32_t value)
{
    return std::to_string(value);
}
inline std::string valueText(const std::string& value)
{
    return value;
}

// What a save of defaults writes: every listed setting's default, the running version as the program's.
inline StoredSettings defaultSettings()
{
    StoredSettings all;
    forEachListedSetting(
        [&](const auto& setting) { all.emplace_back(setting.key(), valueText(setting.defaultValue())); });
    std::ranges::find(all, "PROGRAM_VERSION", &StoredSettings::value_type::first)->second = "12.5.1";
    return all;
}

// A settings file of the given elements; the older layout has no "root".
inline std::string settingsFileText(const StoredSettings& stored, bool withRoot = true)
{
    pugi::xml_document document;
    pugi::xml_node parameters = (withRoot ? document.append_child("root") : document).append_child("parameters");
    for (const auto& [name, value] : stored) {
        pugi::xml_node parameter = parameters.append_child("parameter");
        parameter.append_attribute("name").set_value(name.c_str());
        parameter.append_attribute("value").set_value(value.c_str());
    }
    std::ostringstream text;
    document.save(text, "  ");
    return text.str();
}

class ParametersFileTest : public testing::Test {
  protected:
    ParametersFileTest()
    {
        std::filesystem::create_directories(dataFolder);
        gf_overrideDataFolderPath(dataFolder);
        gf_startLog(programFolder / "Log.txt");
        resetSettings();
    }
    ~ParametersFileTest() override
    {
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
    }

    // Every setting at its default, and "PROGRAM_VERSION" with the empty default of a fresh process.
    static void resetSettings()
    {
        settings::programVersion.setDefaultValue("");
        forEachListedSetting([](auto& setting) { setting.set(setting.defaultValue()); });
        settings::parkingPercentage.set(settings::parkingPercentage.defaultValue());
    }
    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(programFolder / "Log.txt");
    }
    std::filesystem::path settingsPath() const { return dataFolder / "parameters.xml"; }
    std::filesystem::path generationPath() const { return dataFolder / "parameters0.xml"; }
    // The "parameter" elements of the settings file (either layout) as name and value in file order.
    StoredSettings stored() const
    {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_file(settingsPath().c_str()));
        const pugi::xml_node root = document.child("root");
        StoredSettings all;
        for (const pugi::xml_node parameter : (root ? root : document).child("parameters").children("parameter")) {
            all.emplace_back(parameter.attribute("name").value(), parameter.attribute("value").value());
        }
        return all;
    }
    // The first stored value of the key, or none.
    std::optional<std::string> stored(const std::string& key) const
    {
        const StoredSettings all = stored();
        const auto hit = std::ranges::find(all, key, &StoredSettings::value_type::first);
        return hit == all.end() ? std::nullopt : std::optional<std::string>(hit->second);
    }

    TempDir programFolder;
    ScopedCurrentPath currentFolder{programFolder.path()};
    std::filesystem::path dataFolder = programFolder / "Hollowmere";
    FakeRunState runState;
    RecordedWindow window;
};

} // namespace hlw::test
