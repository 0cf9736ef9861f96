#pragma once
// Airport codes inside package names and paths ("my-eham-scenery", "EHAM_EGLL"). A token is a run of exactly
// four letters or digits between characters that are neither (or the ends of the text); a plain scan finds the
// same tokens in the same order as repeatedly searching and cutting out each token would.
#include "core/fixed_code.h"
#include "refdata/airports_database.h"

#include <string_view>

namespace hlw {

struct AirportInText {
    AirportCode code;  // empty when nothing was found
    bool found = false;
};

// Finds an airport code in a package name or path: every run of exactly four letters or digits (compared
// upper-cased) with no letter or digit next to it, from the left. The first such token that is supported and a
// known airport is returned; otherwise the last supported token, known or not; found is false when no token is
// supported.
AirportInText gf_airportCodeInText(std::string_view text, const AirportCodeSet& supported);

} // namespace hlw
