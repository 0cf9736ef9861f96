#include "platform/net/net_results.h"

#include "platform/net/socket_error.h"

namespace hlw::net {

std::string ReceiveResult::errorText() const
{
    return errorCode == 0 ? std::string() : gf_errorText(errorCode);
}

std::string SendResult::errorText() const
{
    return errorCode == 0 ? std::string() : gf_errorText(errorCode);
}

} // namespace hlw::net
