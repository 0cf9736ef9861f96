#pragma once
// The registration-code tables the livery matching searches: registrations to titles, the in-line
// registration of each title, and the special liveries. Every title here is a view into the livery catalogue's
// title strings (livery_catalogue.h); the tables are emptied together with the catalogue, before its strings
// go. Built and read on the worker thread only; no lock.
#include "engine/records/text_hash.h"

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hlw {

struct RegistrationTables {
    // RegcodeMap: registration to title.
    std::unordered_map<std::string, std::string_view, TextHash, std::equal_to<>> regcodes;
    // InlineRegcodeMap: title to the registration its own aircraft.cfg section gave it.
    std::unordered_map<std::string_view, std::string> inlineRegcodes;
    // UniqueRegcodes: registrations of special liveries that have exactly one registration.
    std::set<std::string, std::less<>> uniqueRegcodes;
    // SpecialTitles: titles chosen only through their registration, never at random; in merge order.
    std::vector<std::string_view> specialTitles;
};

RegistrationTables& gf_registrationTables();

// Room for the expected number of registrations, with the map's maximum load factor set to 0.7 afterwards.
void gf_reserveRegistrationTables(std::size_t registrations);
// Empties the tables in the order unique registrations, special titles, registrations, in-line registrations.
void gf_clearRegistrationTables();

} // namespace hlw
