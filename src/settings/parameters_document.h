#pragma once
// Building blocks of "parameters.xml" shared by the load, the save of all and the one-setting saves.
// Callers hold the settings-file lock (settings/parameters_file.h).
#include <filesystem>
#include <optional>
#include <string>

#include <pugixml.hpp>

namespace hlw {

// Appends "root" and "parameters" to an empty document and in it one element per setting of the six storage
// lists, in their order: each setting's default when writeDefaults is set, else its current value. Each value is
// logged and shown in its control. Returns the "parameters" element, or a null node when it could not be added.
pugi::xml_node gf_buildParametersDocument(pugi::xml_document& document, bool writeDefaults);

// Puts "root" around the top-level "parameters" element of an older-layout document, keeping its content.
// Logs the conversion. Does nothing when the document has "root" or no top-level "parameters".
void gf_wrapParametersRootInPlace(pugi::xml_document& document);

// gf_saveXml to parametersFilePath(); a failure is reported with the alert "saving: {} failed".
bool gf_saveParametersDocument(const pugi::xml_document& document);

// Loads parametersFilePath() with the default options; an alert names the reason when an existing file does
// not load. A document with elements nested more than 64 levels deep is refused as unreadable (and emptied).
// A folder or another non-file at the path fails at once, without an alert (gf_readParameters says it).
pugi::xml_parse_result gf_loadParametersDocument(pugi::xml_document& document);

// True when a file (readable or not) stands at parametersFilePath(), or when the path cannot be examined.
bool gf_parametersFileExists();

// What stands at parametersFilePath() when it is something other than a file ("a folder, not a file"): no settings
// can be read from it nor written over it. None when the path holds a file, nothing or cannot be examined.
std::optional<std::string> gf_parametersPathBlocked();

} // namespace hlw
