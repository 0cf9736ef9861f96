#include "core/user_error.h"

#include <fmt/format.h>

namespace hlw {

UserErrorException::UserErrorException(int code, const std::string& message)
    : std::runtime_error(code == plainMessageCode ? message : fmt::format("{}: {}", code, message)), code_(code)
{
}

} // namespace hlw
