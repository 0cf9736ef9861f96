#pragma once
// Saving the program's XML files: declaration version "1.0", encoding "UTF-8", two blanks of indentation per
// level, no byte order mark; the file is replaced whole (core/atomic_file.h).
#include "core/atomic_file.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include <pugixml.hpp>

namespace hlw {

// Far above any file the program writes; a larger printout comes from a runaway document (indentation grows
// with the square of the depth) and is refused rather than written.
inline constexpr std::size_t maxXmlFileBytes = std::size_t{256} << 20;

// The document's first top-level declaration is written with "version" and "encoding" set to "1.0" and "UTF-8";
// a document without one gets one in front. The document itself is not changed. False on any failure, which is
// logged: a printout longer than maxBytes, a failed allocation, a failed write. The old file then stays untouched.
bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path,
                std::size_t maxBytes = maxXmlFileBytes, Durability durability = Durability::now);

// The printout that gf_saveXml writes of the document to the path; nothing, logged as a failed write of the path,
// when it is longer than maxBytes or cannot be made.
std::optional<std::string> gf_printXml(const pugi::xml_document& document, const std::filesystem::path& path,
                                       std::size_t maxBytes = maxXmlFileBytes);

// What one node of a document takes of the document's printout: the node with its indentation and line end.
std::string gf_printXmlNode(pugi::xml_node node);

} // namespace hlw
