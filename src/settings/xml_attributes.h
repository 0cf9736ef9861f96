#pragma once
// Small pugixml helpers shared by every writer of the program's XML files ("parameters.xml", the meta block,
// the scanned-liveries file, the airport files) and the lookups of one stored setting by its key.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace hlw {

// Appends the attribute and sets its value; false when appending fails (for example on a null element).
bool gf_xmlAppendAttribute(pugi::xml_node element, std::string_view name, std::string_view value);
bool gf_xmlAppendAttributeString(pugi::xml_node element, std::string_view name, const std::string& value);
// Sets the attribute, appending it first when the element lacks it; false when appending fails.
bool gf_xmlSetAttribute(pugi::xml_node element, std::string_view name, std::string_view value);

// Append <parameter name="key" value="..."/> to a "parameters" element; false when any append fails.
bool gf_appendBoolParameter(pugi::xml_node parameters, std::string_view key, bool value);
bool gf_appendIntParameter(pugi::xml_node parameters, std::string_view key, int32_t value);
bool gf_appendStringParameter(pugi::xml_node parameters, std::string_view key, std::string_view value);

// The "parameters" element of a settings block: under "root" when the node has it, else directly under the
// node (the older layout without "root"). A null node when there is none.
pugi::xml_node gf_parametersElement(pugi::xml_node document);

// The first stored "parameter" whose "name" equals the key exactly, read as the kind requires; an element
// without "value" still gives a result (false, 0 or the empty text). None when the key is not stored.
std::optional<bool> gf_readBoolParameter(pugi::xml_node document, std::string_view key);
std::optional<int32_t> gf_readIntParameter(pugi::xml_node document, std::string_view key);
std::optional<std::string> gf_readStringParameter(pugi::xml_node document, std::string_view key);

} // namespace hlw
