// The airport code search in package names and paths: a found code is a supported code that stands in the
// text as a token of exactly four letters or digits, and a known airport among them wins.
#include "fuzz_check.h"

#include "refdata/airport_code_in_text.h"
#include "refdata/airports_database.h"

#include <string>

namespace {

using namespace hlw;

bool lf_isCodeCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// True when the code stands in the text as a token of its own, letters compared without case.
bool lf_standsInText(std::string_view text, std::string_view code)
{
    for (std::size_t at = 0; at + code.size() <= text.size(); ++at) {
        bool same = true;
        for (std::size_t i = 0; i < code.size() && same; ++i) {
            const char c = text[at + i];
            same = (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) == code[i];
        }
        const bool alone = (at == 0 || !lf_isCodeCharacter(text[at - 1])) &&
                           (at + code.size() == text.size() || !lf_isCodeCharacter(text[at + code.size()]));
        if (same && alone) {
            return true;
        }
    }
    return false;
}

const AirportCodeSet& lf_supported()
{
    static const AirportCodeSet supported = [] {
        AirportRecord eham;
        eham.icao = AirportCode("EHAM");
        AirportRecord k2j3;
        k2j3.icao = AirportCode("K2J3");
        gf_installAirports({eham, k2j3});
        return AirportCodeSet{AirportCode("EHAM"), AirportCode("K2J3"), AirportCode("EGLL"), AirportCode("0000")};
    }();
    return supported;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using fuzz::check;
    const std::string_view text = fuzz::asText(data, size);
    const AirportInText result = gf_airportCodeInText(text, lf_supported());
    check(result.found != result.code.empty(), "a code is given exactly when one is found");
    if (!result.found) {
        for (const AirportCode& code : lf_supported()) {
            check(!lf_standsInText(text, code.view()), "no supported code stands in the text");
        }
        return 0;
    }
    check(lf_supported().contains(result.code), "the code found is supported");
    check(lf_standsInText(text, result.code.view()), "the code found stands in the text");
    if (!gf_isKnownAirport(result.code)) {
        for (const AirportCode known : {AirportCode("EHAM"), AirportCode("K2J3")}) {
            check(!lf_standsInText(text, known.view()), "a known airport in the text wins");
        }
    }
    return 0;
}
