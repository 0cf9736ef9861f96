#include "core/count_text.h"

#include "core/run_state_port.h"

#include <fmt/format.h>

#include <cmath>

namespace hlw {

std::string gf_plural(std::size_t count)
{
    return count == 1 ? "" : "s";
}

std::string gf_pluralInt(int32_t count)
{
    return count == 1 || count < 0 ? "" : "s";
}

std::string gf_pluralInt64(int64_t count)
{
    return count == 1 || count < 0 ? "" : "s";
}

std::string gf_objectIdText(uint32_t id)
{
    return gf_runState().simIsMsfs2020() ? fmt::format("{}", id) : fmt::format("{:x}", id);
}

std::string gf_floatText(float value)
{
    return std::fmod(value, 1.0F) == 0.0F ? fmt::format("{:.0f}", value) : fmt::format("{:.1f}", value);
}

std::string gf_formatUint(std::string_view format, uint32_t value)
{
    return fmt::format(fmt::runtime(format), value);
}

} // namespace hlw
