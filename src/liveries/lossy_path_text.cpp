#include "liveries/lossy_path_text.h"

#include "core/utf8_sequence.h"

#include <cstddef>
#include <string_view>

namespace hlw {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

} // namespace

std::string gf_lossyPathText(const std::filesystem::path& path)
{
    const std::string& bytes = path.native();
    std::string text;
    text.reserve(bytes.size());
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t length = gf_utf8SequenceLength(rest, Surrogates::refused);
        if (length == 0 || length == utf8CutOff) {
            text += replacement;
            rest.remove_prefix(1);
        } else {
            text += rest.substr(0, length);
            rest.remove_prefix(length);
        }
    }
    return text;
}

} // namespace hlw
