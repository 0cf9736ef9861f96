#include "liveries/registration_tables.h"

#include <algorithm>
#include <cstring>

namespace hlw {

uint64_t gf_registrationHead(std::string_view registration) noexcept
{
    uint64_t head = 0;
    std::memcpy(&head, registration.data(), std::min(registration.size(), registrationHeadSize));
    return head;
}

RegistrationTables& gf_registrationTables()
{
    static RegistrationTables tables;
    return tables;
}

void gf_reserveRegistrationTables(std::size_t registrations)
{
    auto& regcodes = gf_registrationTables().regcodes;
    regcodes.reserve(registrations);
    regcodes.max_load_factor(0.7F);
}

std::span<const RegisteredTitle> gf_registeredTitles(const TitleList& titles)
{
    const auto& lists = gf_registrationTables().registeredTitleLists;
    const auto hit = lists.find(&titles);
    return hit != lists.end() ? std::span<const RegisteredTitle>(hit->second) : std::span<const RegisteredTitle>();
}

void gf_clearRegistrationTables()
{
    RegistrationTables& tables = gf_registrationTables();
    tables.registeredTitleLists.clear();
    tables.uniqueRegcodes.clear();
    tables.specialTitles.clear();
    tables.regcodes.clear();
    tables.inlineRegcodes.clear();
}

} // namespace hlw
