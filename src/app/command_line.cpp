#include "app/command_line.h"

#include "core/string_helpers.h"

namespace hlw {

bool gf_productionRequested(const std::vector<std::string_view>& arguments)
{
    bool production = false;
    for (const std::string_view argument : arguments) {
        if (gf_equalNoCase(argument, "--production") || gf_equalNoCase(argument, "/production")) {
            production = true;
        } else if (gf_equalNoCase(argument, "--no-production") || gf_equalNoCase(argument, "/no-production")) {
            production = false;
        }
    }
    return production;
}

} // namespace hlw
