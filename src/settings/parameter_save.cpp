#include "settings/parameter_save.h"

#include "core/log.h"
#include "settings/catalogue.h"
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

} // namespace

void gf_saveSettingValue(const std::string& key, const std::function<std::string()>& valueText,
                         const std::function<void()>& logSaved)
{
    const auto lock = gf_lockParametersFile();
    const std::string value = valueText();
    if (gf_parametersPathBlocked()) {
        // The load said that nothing is saved over what stands at the path; the change is only logged.
        logSaved();
        return;
    }
    if (!gf_parametersFileExists()) {
        lf_saveIntoNewFile(key, value);
        logSaved();
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
    lf_storeValue(parameters, key, value);
    logSaved();
    gf_wrapParametersRootInPlace(document);
    gf_saveParametersDocument(document);
}

} // namespace hlw
