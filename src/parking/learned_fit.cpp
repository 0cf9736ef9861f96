#include "parking/learned_fit.h"

#include "core/xml_save.h"
#include "parking/apf_reader.h"

#include <string_view>

namespace hlw {
namespace {

bool lf_withinBounds(std::size_t bytes, std::size_t treeBytes) noexcept
{
    return bytes <= apfMaxBytes && treeBytes <= apfMaxTreeBytes;
}

bool lf_withinBounds(const std::string& text) noexcept
{
    return lf_withinBounds(text.size(), gf_apfTreeBytes(text));
}

// A "parkpos" without options that says no more than its id.
bool lf_saysNothing(pugi::xml_node parkpos)
{
    const pugi::xml_attribute first = parkpos.first_attribute();
    return !parkpos.first_child() && first == parkpos.last_attribute() && std::string_view(first.name()) == "id";
}

} // namespace

FittedLearnedFile gf_fitLearnedFile(pugi::xml_document& document, std::span<const pugi::xml_node> newlyLearned,
                                    const std::filesystem::path& path)
{
    FittedLearnedFile fitted;
    fitted.text = gf_printXml(document, path);
    if (!fitted.text || lf_withinBounds(*fitted.text)) {
        return fitted;
    }
    // An option taken out takes its own line out of the printout; a "parkpos" that loses its last one shrinks
    // further. So the counts below are never less than what the printout keeps.
    std::size_t bytes = fitted.text->size();
    std::size_t treeBytes = gf_apfTreeBytes(*fitted.text);
    for (auto option = newlyLearned.rbegin(); option != newlyLearned.rend() && !lf_withinBounds(bytes, treeBytes);
         ++option) {
        const std::string printed = gf_printXmlNode(*option);
        bytes -= printed.size();
        treeBytes -= gf_apfTreeBytes(printed);
        pugi::xml_node parkpos = option->parent();
        parkpos.remove_child(*option);
        if (lf_saysNothing(parkpos)) {
            parkpos.parent().remove_child(parkpos);
        }
        ++fitted.leftOut;
    }
    fitted.text.reset();
    if (lf_withinBounds(bytes, treeBytes)) {
        fitted.text = gf_printXml(document, path);
    }
    // Never a file that the reader refuses, whatever the counts said.
    if (fitted.text && !lf_withinBounds(*fitted.text)) {
        fitted.text.reset();
    }
    return fitted;
}

} // namespace hlw
