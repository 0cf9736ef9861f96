#include "settings/parameters_document.h"

#include "core/log.h"
#include "core/version_data.h"
#include "core/xml_save.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>

#include <optional>
#include <string>
#include <system_error>

namespace hlw {

namespace {

// Far deeper than the file's own layout; a deeper document would be printed back at a size that grows with the
// square of its depth.
constexpr int maxElementDepth = 64;

// Stops at the first element below maxElementDepth levels; pugixml walks the tree without recursion.
class DepthCheck final : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override
    {
        tooDeep = node.type() == pugi::node_element && depth() >= maxElementDepth;
        return !tooDeep;
    }
    bool tooDeep = false;
};

std::string lf_valueText(bool value) { return value ? "true" : "false"; }
std::string lf_valueText(int32_t value) { return std::to_string(value); }
std::string lf_valueText(const std::string& value) { return value; }

// Appends the setting's element; a failure is logged with the current value, the value line in any case.
template <typename Setting>
void lf_writeSetting(pugi::xml_node parameters, const Setting& setting, bool writeDefaults)
{
    const auto value = writeDefaults ? setting.defaultValue() : setting.get();
    if (!gf_appendStringParameter(parameters, setting.key(), lf_valueText(value))) {
        gf_logUnlessStopping(
            fmt::format("{}adding xml parameter {} with {} failed!", "===> ", setting.key(),
                        gf_logExcerpt(lf_valueText(setting.get()))));
    }
    setting.log();
}

} // namespace

pugi::xml_node gf_buildParametersDocument(pugi::xml_document& document, bool writeDefaults)
{
    pugi::xml_node root = document.append_child("root");
    if (writeDefaults) {
        settings::programVersion.setDefaultValue(gf_programVersion().text());
    }
    pugi::xml_node parameters = root.append_child("parameters");
    if (!parameters) {
        return {};
    }
    for (const BoolParameter* setting : settings::boolParameterList) {
        if (setting) {
            lf_writeSetting(parameters, *setting, writeDefaults);
        }
    }
    for (const BoolCheckBoxParameter* setting : settings::checkBoxParameterList) {
        if (setting) {
            lf_writeSetting(parameters, *setting, writeDefaults);
            setting->showCheck();
        }
    }
    for (const IntParameter* setting : settings::intParameterList) {
        if (setting) {
            lf_writeSetting(parameters, *setting, writeDefaults);
        }
    }
    for (const IntComboParameter* setting : settings::intComboParameterList) {
        if (setting) {
            lf_writeSetting(parameters, *setting, writeDefaults);
            gf_setIntControlText(*setting);
        }
    }
    for (const StringParameter* setting : settings::stringParameterList) {
        if (setting) {
            lf_writeSetting(parameters, *setting, writeDefaults);
        }
    }
    for (const StringEditParameter* setting : settings::controlStringParameterList) {
        if (setting) {
            lf_writeSetting(parameters, *setting, writeDefaults);
            gf_setStringControlText(*setting);
        }
    }
    return parameters;
}

void gf_wrapParametersRootInPlace(pugi::xml_document& document)
{
    pugi::xml_node parameters = document.child("parameters");
    if (document.child("root") || !parameters) {
        return;
    }
    gf_log("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n");
    pugi::xml_node root = document.insert_child_before("root", parameters);
    root.append_move(parameters);
}

bool gf_saveParametersDocument(const pugi::xml_document& document)
{
    const std::filesystem::path path = parametersFilePath();
    if (gf_saveXml(document, path)) {
        return true;
    }
    gf_logAlert(fmt::format("saving: {} failed", path.string()));
    return false;
}

pugi::xml_parse_result gf_loadParametersDocument(pugi::xml_document& document)
{
    const std::filesystem::path path = parametersFilePath();
    if (gf_parametersPathBlocked()) {
        // The reader would take a folder for a file of unbounded size; the load reports the folder itself.
        pugi::xml_parse_result refused;
        refused.status = pugi::status_io_error;
        return refused;
    }
    const pugi::xml_parse_result result = document.load_file(path.c_str());
    if (!result) {
        if (gf_parametersFileExists()) {
            gf_logAlert(fmt::format("{} could not be read: {} at offset {}", path.string(), result.description(),
                                    result.offset));
        }
        return result;
    }
    DepthCheck check;
    document.traverse(check);
    if (!check.tooDeep) {
        return result;
    }
    gf_logAlert(fmt::format("{} could not be read: elements nested deeper than {} levels", path.string(),
                            maxElementDepth));
    document.reset();
    pugi::xml_parse_result refused;
    refused.status = pugi::status_internal_error;
    return refused;
}

bool gf_parametersFileExists()
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(parametersFilePath(), error);
    if (std::filesystem::exists(status)) {
        return std::filesystem::is_regular_file(status);
    }
    // A folder that cannot be examined is treated as holding a file, so that nothing is written blindly.
    return error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory;
}

std::optional<std::string> gf_parametersPathBlocked()
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(parametersFilePath(), error);
    if (!std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) {
        return std::nullopt;
    }
    return std::filesystem::is_directory(status) ? "a folder, not a file" : "not a regular file";
}

} // namespace hlw
