// The one-setting saves of the setting objects: a change made in the window or by the program is written
// into "parameters.xml" at once, under the settings-file lock.
#include "core/log.h"
#include "settings/catalogue.h"
#include "settings/parameter.h"
#include "settings/parameters_document.h"
#include "settings/parameters_file.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>

#include <string>

namespace hlw {

namespace {

// Sets every element of the key (not only the first) or appends one.
void lf_storeValue(pugi::xml_node parameters, const std::string& key, const std::string& valueText)
{
    bool matched = false;
    for (pugi::xml_node parameter : parameters.children("parameter")) {
        if (std::string_view(parameter.attribute("name").value()) == key) {
            gf_xmlSetAttribute(parameter, "value", valueText);
            matched = true;
        }
    }
    if (!matched) {
        gf_appendStringParameter(parameters, key, valueText);
    }
}

// Only without any file is a file holding this one setting created; the next load adds the others.
void lf_saveIntoNewFile(const std::string& key, const std::string& valueText)
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("root");
    pugi::xml_node parameters = root ? root.append_child("parameters") : pugi::xml_node();
    if (parameters) {
        gf_appendStringParameter(parameters, key, valueText);
    }
    gf_saveParametersDocument(document);
}

// The file's "parameters" element, added to "root" when missing; null when the document has neither
// "root" nor a top-level "parameters" (then it is no settings file at all).
pugi::xml_node lf_parametersOf(pugi::xml_document& document)
{
    if (pugi::xml_node parameters = gf_parametersElement(document)) {
        return parameters;
    }
    pugi::xml_node root = document.child("root");
    return root ? root.append_child("parameters") : pugi::xml_node();
}

// The value is read under the lock, so that of two racing changes the file keeps the one memory keeps.
template <typename Setting, typename ValueText>
void lf_saveOne(const Setting& setting, ValueText valueTextOf)
{
    const auto lock = gf_lockParametersFile();
    const std::string valueText = valueTextOf(setting);
    if (!gf_parametersFileExists()) {
        lf_saveIntoNewFile(setting.key(), valueText);
        setting.log();
        return;
    }
    pugi::xml_document document;
    pugi::xml_node parameters;
    if (gf_loadParametersDocument(document)) {
        parameters = lf_parametersOf(document);
    }
    if (!parameters) {
        // A file that exists but cannot be used is kept as a generation and replaced by every current value,
        // never by a file that holds this one setting.
        gf_logAlert(fmt::format("{} holds no settings; a copy is kept and all current values are written",
                                parametersFilePath().string()));
        gf_save1GenerationOf(parametersFilePath());
        document.reset();
        parameters = gf_buildParametersDocument(document, false);
        if (!parameters) {
            gf_logAlert(fmt::format("saving: {} failed", parametersFilePath().string()));
            return;
        }
    }
    lf_storeValue(parameters, setting.key(), valueText);
    setting.log();
    gf_wrapParametersRootInPlace(document);
    gf_saveParametersDocument(document);
}

} // namespace

void BoolParameter::save() const
{
    lf_saveOne(*this, [](const BoolParameter& setting) { return std::string(setting.get() ? "true" : "false"); });
}

void IntParameter::save() const
{
    lf_saveOne(*this, [](const IntParameter& setting) { return std::to_string(setting.get()); });
}

void StringParameter::save() const
{
    lf_saveOne(*this, [](const StringParameter& setting) { return setting.get(); });
}

void BoolParameter::setAndSave(bool value)
{
    const auto lock = gf_lockParametersFile();
    set(value);
    save();
}

void IntParameter::setClampedAndSave(int32_t value)
{
    const auto lock = gf_lockParametersFile();
    setClamped(value);
    save();
}

void StringParameter::setAndSave(std::string value)
{
    const auto lock = gf_lockParametersFile();
    set(std::move(value));
    save();
}

} // namespace hlw
