#include "refdata/airport_code_in_text.h"

#include "refdata/airports_database.h"

#include <cstddef>

namespace hlw {
namespace {

constexpr std::size_t codeLength = 4;

// Only ASCII letters and digits count; any other byte, also of a multi-byte UTF-8 character, separates.
bool lf_isCodeCharacter(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

AirportInText gf_airportCodeInText(std::string_view text, const AirportCodeSet& supported)
{
    AirportInText result;
    std::size_t position = 0;
    while (position < text.size()) {
        if (!lf_isCodeCharacter(text[position])) {
            ++position;
            continue;
        }
        const std::size_t runStart = position;
        while (position < text.size() && lf_isCodeCharacter(text[position])) {
            ++position;
        }
        if (position - runStart != codeLength) {
            continue;
        }
        // The constructor upper-cases the letters.
        const AirportCode code(text.substr(runStart, codeLength));
        if (supported.contains(code)) {
            result = {code, true};
            if (gf_isKnownAirport(code)) {
                return result;
            }
        }
    }
    return result;
}

} // namespace hlw
