#include "core/xml_save.h"

#include "core/atomic_file.h"

#include <sstream>

namespace hlw {
namespace {

constexpr const char* indentText = "  ";
constexpr unsigned formatFlags = pugi::format_indent;

pugi::xml_node lf_firstDeclaration(const pugi::xml_document& document)
{
    for (const pugi::xml_node node : document.children()) {
        if (node.type() == pugi::node_declaration) {
            return node;
        }
    }
    return {};
}

// Prints a copy of the declaration (or a new one) with the two required attributes.
void lf_printDeclaration(pugi::xml_node original, std::ostream& out)
{
    pugi::xml_document holder;
    pugi::xml_node declaration = original ? holder.append_copy(original) : holder.append_child(pugi::node_declaration);
    for (const auto& [name, value] : {std::pair{"version", "1.0"}, std::pair{"encoding", "UTF-8"}}) {
        pugi::xml_attribute attribute = declaration.attribute(name);
        if (!attribute) {
            attribute = declaration.append_attribute(name);
        }
        attribute.set_value(value);
    }
    declaration.print(out, indentText, formatFlags, pugi::encoding_utf8, 0);
}

} // namespace

bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path)
{
    // Node by node, so that the declaration can be fixed without copying the whole document.
    std::ostringstream out;
    const pugi::xml_node declaration = lf_firstDeclaration(document);
    if (!declaration) {
        lf_printDeclaration({}, out);
    }
    for (const pugi::xml_node node : document.children()) {
        if (node == declaration) {
            lf_printDeclaration(node, out);
        } else {
            node.print(out, indentText, formatFlags, pugi::encoding_utf8, 0);
        }
    }
    return gf_replaceFileContents(path, out.view());
}

} // namespace hlw
