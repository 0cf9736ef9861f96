#include "app/command_line.h"

#include <algorithm>
#include <cctype>

namespace hlw {
namespace {

bool lf_equalsNoCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

bool gf_productionRequested(const std::vector<std::string_view>& arguments)
{
    bool production = false;
    for (const std::string_view argument : arguments) {
        if (lf_equalsNoCase(argument, "--production") || lf_equalsNoCase(argument, "/production")) {
            production = true;
        } else if (lf_equalsNoCase(argument, "--no-production") || lf_equalsNoCase(argument, "/no-production")) {
            production = false;
        }
    }
    return production;
}

} // namespace hlw
