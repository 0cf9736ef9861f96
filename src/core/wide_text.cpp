#include "core/wide_text.h"

#include "platform/os/text_conversion.h"

#include <stdexcept>

namespace hlw {

std::string wide_to_utf8(std::u16string_view text)
{
    auto converted = os::utf16ToUtf8(text);
    if (!converted) {
        throw std::runtime_error("wide_to_utf8: invalid UTF-16");
    }
    return std::move(*converted);
}

std::u16string utf8_to_wide(std::string_view text)
{
    auto converted = os::utf8ToUtf16(text);
    if (!converted) {
        throw std::runtime_error("utf8_to_wide: invalid UTF-8");
    }
    return std::move(*converted);
}

std::string gf_pathToUtf8(const std::filesystem::path& path)
{
    // The native text of a path here is already UTF-8 when it is valid at all.
    const std::string& native = path.native();
    if (!os::utf8ToUtf16(native)) {
        throw std::runtime_error("gf_pathToUtf8: invalid UTF-8 in path");
    }
    return native;
}

} // namespace hlw
