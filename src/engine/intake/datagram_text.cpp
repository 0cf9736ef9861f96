#include "engine/intake/datagram_text.h"

#include "core/log.h"

namespace hlw {

std::string gf_datagramLogText(std::string_view bytes)
{
    std::string text = gf_logExcerpt(bytes, maxLoggedDatagramBytes);
    for (char& c : text) {
        if (c < ' ' || c > '~') {
            c = '?';
        }
    }
    return text;
}

} // namespace hlw
