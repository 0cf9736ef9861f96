#pragma once
// The descriptive block at the top of the program's XML data files:
//   <root><meta><info name="author" value="Hollowmere"/> ... <info name="sim" value="1"/></meta> ...</root>
// The writer puts "author", "version", "date", "copyright" and "sim" in that order; the reader also
// understands "P3D" and "MSFS" entries and ignores unknown names.
#include <cstdint>
#include <optional>
#include <string>

#include <pugixml.hpp>

namespace hlw {

struct XmlMetaInfo {
    std::string author;
    std::string version; // "{}.{}.{}" of the program that wrote the file
    std::string date;
    std::string p3d;
    std::string msfs;
    int32_t sim = -1; // 1 MSFS 2020, 2 MSFS 2024; -1 when the file has no "sim" entry
};

// The caller's usual input to the writer: the running program version and the chosen simulator's code.
XmlMetaInfo gf_currentXmlMetaInfo();

// Appends a new "meta" block to the document's "root" (created when missing). Only info.version and
// info.sim are used; author, date and copyright are the program's own. True when all five entries were
// appended completely. The document comes first, as in every writer of the program.
bool gf_writeXmlMeta(pugi::xml_document& document, const XmlMetaInfo& info);

// Reads the block under node's "root" (or directly under node). Empty when there is no "meta", no
// non-empty "copyright" (an empty one is logged as an alert), or no simulator entry ("sim", "P3D" or
// "MSFS") while acceptWithoutSimulator is false. Only the first entry of each name counts. Never throws.
std::optional<XmlMetaInfo> gf_readXmlMeta(pugi::xml_node node, bool acceptWithoutSimulator);

} // namespace hlw
