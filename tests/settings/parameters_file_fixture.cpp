#include "parameters_file_fixture.h"

#include <sstream>

namespace hlw::test {

namespace {

template <typename List>
void lf_resetList(const List& list)
{
    for (auto* setting : list) {
        setting->set(setting->defaultValue());
    }
}

template <typename List>
void lf_addKeys(const List& list, std::vector<std::string>& keys)
{
    for (const auto* setting : list) {
        keys.push_back(setting->key());
    }
}

} // namespace

void resetSettingsToDefaults()
{
    settings::programVersion.setDefaultValue("");
    lf_resetList(settings::boolParameterList);
    lf_resetList(settings::checkBoxParameterList);
    lf_resetList(settings::intParameterList);
    lf_resetList(settings::intComboParameterList);
    lf_resetList(settings::stringParameterList);
    lf_resetList(settings::controlStringParameterList);
    settings::parkingPercentage.set(settings::parkingPercentage.defaultValue());
}

std::vector<std::string> listedKeys()
{
    std::vector<std::string> keys;
    lf_addKeys(settings::boolParameterList, keys);
    lf_addKeys(settings::checkBoxParameterList, keys);
    lf_addKeys(settings::intParameterList, keys);
    lf_addKeys(settings::intComboParameterList, keys);
    lf_addKeys(settings::stringParameterList, keys);
    lf_addKeys(settings::controlStringParameterList, keys);
    return keys;
}

StoredSettings storedSettings(const std::filesystem::path& path)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(path.c_str())) << path;
    pugi::xml_node root = document.child("root");
    StoredSettings stored;
    for (pugi::xml_node parameter : (root ? root : document).child("parameters").children("parameter")) {
        stored.emplace_back(parameter.attribute("name").value(), parameter.attribute("value").value());
    }
    return stored;
}

std::optional<std::string> storedValue(const std::filesystem::path& path, const std::string& key)
{
    for (const auto& [name, value] : storedSettings(path)) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

std::string settingsFileText(const StoredSettings& settings, bool withRoot)
{
    pugi::xml_document document;
    pugi::xml_node base = withRoot ? document.append_child("root") : pugi::xml_node(document);
    pugi::xml_node parameters = base.append_child("parameters");
    for (const auto& [name, value] : settings) {
        pugi::xml_node parameter = parameters.append_child("parameter");
        parameter.append_attribute("name").set_value(name.c_str());
        parameter.append_attribute("value").set_value(value.c_str());
    }
    std::ostringstream text;
    document.save(text, "  ");
    return text.str();
}

void ParametersFileTest::SetUp()
{
    std::filesystem::create_directories(dataFolder);
    gf_overrideDataFolderPath(dataFolder);
    gf_startLog(programFolder / "Log.txt");
    resetSettingsToDefaults();
    ui::gf_installControlPort(&controls);
}

void ParametersFileTest::TearDown()
{
    ui::gf_installControlPort(nullptr);
    gf_stopLog();
    gf_overrideDataFolderPath(std::nullopt);
    resetSettingsToDefaults();
}

std::string ParametersFileTest::logText() const
{
    gf_logFlushNow();
    return readWholeFile(programFolder / "Log.txt");
}

} // namespace hlw::test
