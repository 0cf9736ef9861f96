#include "platform/net/socket_error.h"

#include <cstring>

namespace hlw::net {

std::string gf_errorText(int code)
{
    char buffer[256] = {};
    // The GNU strerror_r returns the text, which may or may not live in the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return std::to_string(code) + " " + text;
}

} // namespace hlw::net
