#include "settings/xml_attributes.h"

#include <string>

namespace hlw {

namespace {

// pugixml takes C strings; string views need not be terminated.
pugi::xml_attribute lf_appendNamed(pugi::xml_node element, std::string_view name) {
    return element.append_attribute(std::string(name).c_str());
}

pugi::xml_node lf_findParameter(pugi::xml_node document, std::string_view key) {
    for (pugi::xml_node parameter : gf_parametersElement(document).children("parameter")) {
        if (std::string_view(parameter.attribute("name").value()) == key) {
            return parameter;
        }
    }
    return {};
}

// An empty view may carry a null pointer, which pugixml must not copy from.
bool lf_setValue(pugi::xml_attribute attribute, std::string_view value) {
    return attribute && (value.empty() ? attribute.set_value("") : attribute.set_value(value.data(), value.size()));
}

bool lf_appendParameter(pugi::xml_node parameters, std::string_view key, std::string_view value) {
    pugi::xml_node parameter = parameters.append_child("parameter");
    return parameter && gf_xmlAppendAttribute(parameter, "name", key) &&
           gf_xmlAppendAttribute(parameter, "value", value);
}

} // namespace

bool gf_xmlAppendAttribute(pugi::xml_node element, std::string_view name, std::string_view value) {
    pugi::xml_attribute attribute = lf_appendNamed(element, name);
    return lf_setValue(attribute, value);
}

bool gf_xmlAppendAttributeString(pugi::xml_node element, std::string_view name, const std::string& value) {
    return gf_xmlAppendAttribute(element, name, value);
}

bool gf_xmlSetAttribute(pugi::xml_node element, std::string_view name, std::string_view value) {
    pugi::xml_attribute attribute = element.attribute(std::string(name).c_str());
    if (!attribute) {
        attribute = lf_appendNamed(element, name);
    }
    return lf_setValue(attribute, value);
}

bool gf_appendBoolParameter(pugi::xml_node parameters, std::string_view key, bool value) {
    return lf_appendParameter(parameters, key, value ? "true" : "false");
}

bool gf_appendIntParameter(pugi::xml_node parameters, std::string_view key, int32_t value) {
    return lf_appendParameter(parameters, key, std::to_string(value));
}

bool gf_appendStringParameter(pugi::xml_node parameters, std::string_view key, std::string_view value) {
    return lf_appendParameter(parameters, key, value);
}

pugi::xml_node gf_parametersElement(pugi::xml_node document) {
    pugi::xml_node root = document.child("root");
    return (root ? root : document).child("parameters");
}

std::optional<bool> gf_readBoolParameter(pugi::xml_node document, std::string_view key) {
    pugi::xml_node parameter = lf_findParameter(document, key);
    if (!parameter) {
        return std::nullopt;
    }
    return parameter.attribute("value").as_bool(false);
}

std::optional<int32_t> gf_readIntParameter(pugi::xml_node document, std::string_view key) {
    pugi::xml_node parameter = lf_findParameter(document, key);
    if (!parameter) {
        return std::nullopt;
    }
    return parameter.attribute("value").as_int(0);
}

std::optional<std::string> gf_readStringParameter(pugi::xml_node document, std::string_view key) {
    pugi::xml_node parameter = lf_findParameter(document, key);
    if (!parameter) {
        return std::nullopt;
    }
    return std::string(parameter.attribute("value").value());
}

} // namespace hlw
