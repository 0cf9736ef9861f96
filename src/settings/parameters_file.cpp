#include "settings/parameters_file.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/parameters_document.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>

#include <filesystem>

namespace hlw {

namespace {

std::recursive_mutex parametersFileMutex;

void lf_logClosingLine() { gf_log(gf_starTitle(70, 10, false, true, "")); }

// The stored value, or the default appended to the file when the setting is absent; then the value line.
void lf_readBool(pugi::xml_document& document, pugi::xml_node parameters, BoolParameter& setting)
{
    if (const std::optional<bool> stored = gf_readBoolParameter(document, setting.key())) {
        setting.set(*stored);
    } else {
        setting.set(setting.defaultValue());
        gf_appendBoolParameter(parameters, setting.key(), setting.get());
    }
    setting.log();
}

void lf_readInt(pugi::xml_document& document, pugi::xml_node parameters, IntParameter& setting)
{
    if (const std::optional<int32_t> stored = gf_readIntParameter(document, setting.key())) {
        setting.setClamped(*stored);
    } else {
        setting.set(setting.defaultValue());
        gf_appendIntParameter(parameters, setting.key(), setting.get());
    }
    setting.log();
}

void lf_readString(pugi::xml_document& document, pugi::xml_node parameters, StringParameter& setting)
{
    if (std::optional<std::string> stored = gf_readStringParameter(document, setting.key())) {
        setting.set(std::move(*stored));
    } else {
        setting.set(setting.defaultValue());
        gf_appendStringParameter(parameters, setting.key(), setting.get());
    }
    setting.log();
}

void lf_readAll(pugi::xml_document& document, pugi::xml_node parameters)
{
    for (BoolParameter* setting : settings::boolParameterList) {
        if (setting) {
            lf_readBool(document, parameters, *setting);
        }
    }
    for (BoolCheckBoxParameter* setting : settings::checkBoxParameterList) {
        if (setting) {
            lf_readBool(document, parameters, *setting);
            setting->showCheck();
        }
    }
    for (IntParameter* setting : settings::intParameterList) {
        if (setting) {
            lf_readInt(document, parameters, *setting);
        }
    }
    for (IntComboParameter* setting : settings::intComboParameterList) {
        if (setting) {
            lf_readInt(document, parameters, *setting);
            gf_setIntControlText(*setting);
        }
    }
    // The range that the traffic filter and the engine read follows the loaded "RANGE".
    gf_setRange(settings::range.get());
    for (StringParameter* setting : settings::stringParameterList) {
        if (setting) {
            lf_readString(document, parameters, *setting);
        }
    }
    for (StringEditParameter* setting : settings::controlStringParameterList) {
        if (setting) {
            lf_readString(document, parameters, *setting);
            gf_setStringControlText(*setting);
        }
    }
}

} // namespace

std::unique_lock<std::recursive_mutex> gf_lockParametersFile()
{
    return std::unique_lock<std::recursive_mutex>(parametersFileMutex);
}

bool gf_readParameters()
{
    const auto lock = gf_lockParametersFile();
    gf_log(gf_starTitle(70, 0, true, false, "parameters"));
    const std::filesystem::path path = parametersFilePath();
    if (const std::optional<std::string> blocked = gf_parametersPathBlocked()) {
        // Said once here; the saves of this run then skip the file without a word.
        gf_logAlert(fmt::format("{} is {}: the settings are not read from it and keep their values (the defaults "
                                "at the first start), and no change is saved while it stands there",
                                path.string(), *blocked));
        pugi::xml_document values;
        gf_buildParametersDocument(values, false);
        lf_logClosingLine();
        return true;
    }
    pugi::xml_document document;
    const pugi::xml_parse_result loaded = gf_loadParametersDocument(document);
    const pugi::xml_node parameters = loaded ? gf_parametersElement(document) : pugi::xml_node();
    if (!parameters) {
        gf_log(fmt::format("{} not found, creating new with default values:", path.string()));
        if (gf_parametersFileExists()) {
            gf_save1GenerationOf(path);
        }
        gf_saveParameters(true);
        return true;
    }
    gf_log(fmt::format("from '{}'", path.string()));
    lf_readAll(document, parameters);
    // Written back whether or not a setting was appended; a clamped number keeps its stored text until saved.
    gf_saveParametersDocument(document);
    lf_logClosingLine();
    return false;
}

bool gf_saveParameters(bool writeDefaults)
{
    const auto lock = gf_lockParametersFile();
    if (gf_parametersPathBlocked()) {
        return false;
    }
    pugi::xml_document document;
    bool saved = false;
    if (gf_buildParametersDocument(document, writeDefaults)) {
        saved = gf_saveParametersDocument(document);
    } else {
        gf_logAlert(fmt::format("saving: {} failed", parametersFilePath().string()));
    }
    lf_logClosingLine();
    return saved;
}

bool gf_wrapParametersRoot()
{
    const auto lock = gf_lockParametersFile();
    pugi::xml_document document;
    if (!gf_loadParametersDocument(document)) {
        return false;
    }
    if (document.child("root") || !document.child("parameters")) {
        return true;
    }
    gf_wrapParametersRootInPlace(document);
    return gf_saveParametersDocument(document);
}

std::optional<int32_t> gf_readStoredIntParameter(std::string_view key)
{
    const auto lock = gf_lockParametersFile();
    pugi::xml_document document;
    if (!gf_loadParametersDocument(document)) {
        return std::nullopt;
    }
    return gf_readIntParameter(document, key);
}

} // namespace hlw
