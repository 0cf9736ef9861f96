#include "engine/log_excerpt.h"

namespace hlw {

std::string gf_logExcerpt(std::string_view bytes, std::size_t maxBytes)
{
    const bool cut = bytes.size() > maxBytes;
    std::string text(cut ? bytes.substr(0, maxBytes) : bytes);
    for (char& c : text) {
        if (c < ' ' || c > '~') {
            c = '?';
        }
    }
    if (cut) {
        text += "...";
    }
    return text;
}

} // namespace hlw
