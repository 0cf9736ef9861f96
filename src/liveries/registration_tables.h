#pragma once
// The registration-code tables the livery matching searches: registrations to titles, the in-line
// registration of each title, the special liveries, and the registered titles of the lists searched by
// registration prefix. Every title here is a view into the livery catalogue's title strings
// (livery_catalogue.h); the tables are emptied together with the catalogue, before its strings go. Built and
// read on the worker thread only; no lock.
#include "core/text_hash.h"
#include "liveries/livery_catalogue.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hlw {

// The first registrationHeadSize bytes of a registration as one word, in memory order and padded with zero
// bytes, so that a short prefix is tested against it without reading the registration's text.
inline constexpr std::size_t registrationHeadSize = sizeof(uint64_t);
uint64_t gf_registrationHead(std::string_view registration) noexcept;

// A title of a list with the registration its own aircraft.cfg section gave it.
struct RegisteredTitle {
    std::string_view title;
    std::string_view registration;
    // gf_registrationHead(registration).
    uint64_t head = 0;
};

struct RegistrationTables {
    // RegcodeMap: registration to title.
    std::unordered_map<std::string, std::string_view, TextHash, std::equal_to<>> regcodes;
    // InlineRegcodeMap: title to the registration its own aircraft.cfg section gave it.
    std::unordered_map<std::string_view, std::string> inlineRegcodes;
    // UniqueRegcodes: registrations of special liveries that have exactly one registration.
    std::set<std::string, std::less<>> uniqueRegcodes;
    // SpecialTitles: titles chosen only through their registration, never at random; in merge order.
    std::vector<std::string_view> specialTitles;
    // For each title list the matching searches by registration prefix (the pax and cargo lists of private
    // aircraft, the lists by model), its titles that are keys of inlineRegcodes, in list order; lists without
    // one are left out. Keyed by the list's address: the catalogue does not change once built.
    std::unordered_map<const TitleList*, std::vector<RegisteredTitle>> registeredTitleLists;
};

RegistrationTables& gf_registrationTables();

// Room for the expected number of registrations, with the map's maximum load factor set to 0.7 afterwards.
void gf_reserveRegistrationTables(std::size_t registrations);
// The registered titles of the list (registeredTitleLists); empty for a list without any.
std::span<const RegisteredTitle> gf_registeredTitles(const TitleList& titles);
// Empties the tables in the order registered title lists, unique registrations, special titles, registrations,
// in-line registrations.
void gf_clearRegistrationTables();

} // namespace hlw
