#include "core/xml_save.h"

#include "core/atomic_file.h"
#include "core/log.h"

#include <fmt/format.h>

#include <exception>
#include <string>
#include <utility>

namespace hlw {
namespace {

constexpr const char* indentText = "  ";
constexpr unsigned formatFlags = pugi::format_indent;

// Collects the printout up to a limit; once a chunk would pass it, nothing more is kept.
class CappedWriter final : public pugi::xml_writer {
public:
    explicit CappedWriter(std::size_t limit) : limit_(limit) {}

    void write(const void* data, std::size_t size) override
    {
        if (overflowed_ || size > limit_ - text_.size()) {
            overflowed_ = true;
            return;
        }
        text_.append(static_cast<const char*>(data), size);
    }
    bool overflowed() const { return overflowed_; }
    std::string take() { return std::move(text_); }

private:
    std::size_t limit_;
    std::string text_;
    bool overflowed_ = false;
};

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
void lf_printDeclaration(pugi::xml_node original, pugi::xml_writer& out)
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

// Node by node, so that the declaration can be fixed without copying the whole document.
void lf_print(const pugi::xml_document& document, pugi::xml_writer& out)
{
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
}

} // namespace

bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path, std::size_t maxBytes,
                Durability durability)
{
    const std::optional<std::string> text = gf_printXml(document, path, maxBytes);
    return text && gf_replaceFileContents(path, *text, durability);
}

std::optional<std::string> gf_printXml(const pugi::xml_document& document, const std::filesystem::path& path,
                                       std::size_t maxBytes)
{
    CappedWriter out(maxBytes);
    try {
        lf_print(document, out);
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("Failed to write {} ({})", path.string(), error.what()));
        return std::nullopt;
    }
    if (out.overflowed()) {
        gf_logAlert(fmt::format("Failed to write {} (longer than {} bytes)", path.string(), maxBytes));
        return std::nullopt;
    }
    return out.take();
}

std::string gf_printXmlNode(pugi::xml_node node)
{
    unsigned depth = 0;
    for (pugi::xml_node parent = node.parent(); parent && parent.type() != pugi::node_document;
         parent = parent.parent()) {
        ++depth;
    }
    CappedWriter out(maxXmlFileBytes);
    node.print(out, indentText, formatFlags, pugi::encoding_utf8, depth);
    return out.take();
}

} // namespace hlw
