#include "liveries/lossy_path_text.h"

#include <cstddef>
#include <string_view>

namespace hlw {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at the start of text, 0 when it is not one.
std::size_t lf_sequenceLength(std::string_view text) noexcept
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned int low = 0x80;
    unsigned int high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string gf_lossyPathText(const std::filesystem::path& path)
{
    const std::string& bytes = path.native();
    std::string text;
    text.reserve(bytes.size());
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t length = lf_sequenceLength(rest);
        if (length == 0) {
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
