#include "refdata/reference_lookups.h"

#include "core/log.h"
#include "core/random_choice.h"
#include "core/wide_text.h"
#include "refdata/code_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <stdexcept>

namespace hlw {
namespace {

// One bit per possible model index: whether the missing wing span of that index was logged already.
std::array<std::atomic<uint64_t>, 65536 / 64> missingWingspanLogged{};

bool lf_firstReportOf(uint16_t model) noexcept
{
    const uint64_t bit = uint64_t{1} << (model % 64);
    return (missingWingspanLogged[model / 64].fetch_or(bit, std::memory_order_relaxed) & bit) == 0;
}

// Calls found(variant) for each spelling in search order until it returns true.
template <typename Found> bool lf_forEachVariant(std::string_view registration, Found&& found)
{
    if (registration.size() >= 5 && registration.front() != 'N' && registration.find('-') == std::string_view::npos) {
        std::string variant;
        variant.reserve(registration.size() + 1);
        variant.append(registration.substr(0, 2)).append("-").append(registration.substr(2));
        if (found(std::string_view(variant))) {
            return true;
        }
        variant.clear();
        variant.append(registration.substr(0, 1)).append("-").append(registration.substr(1));
        if (found(std::string_view(variant))) {
            return true;
        }
    }
    return found(registration);
}

const DbaseRecord* lf_findRecord(const std::vector<DbaseRecord>& records, std::string_view registration) noexcept
{
    const auto hit = std::lower_bound(records.begin(), records.end(), registration,
                                      [](const DbaseRecord& record, std::string_view wanted) {
                                          return std::string_view(record.registration) < wanted;
                                      });
    return (hit != records.end() && hit->registration == registration) ? &*hit : nullptr;
}

} // namespace

AircraftCategory gf_modelCategory(uint16_t model) noexcept
{
    const auto& categories = gf_referenceTables().categoryByModel;
    return model < categories.size() ? categories[model] : AircraftCategory::Light;
}

AircraftCategory gf_modelCategoryByName(std::string_view code)
{
    return gf_modelCategory(gf_modelIndex(code));
}

double gf_halfWingspanNm(uint16_t model) noexcept
{
    const auto& halfSpans = gf_referenceTables().halfWingspanByModel;
    if (model < halfSpans.size()) {
        return halfSpans[model];
    }
    if (lf_firstReportOf(model)) {
        try {
            gf_log(fmt::format("hwsp: {} ({}) has no wingspan entry", model, gf_modelText(model)));
        } catch (const std::exception&) {
            // Out of memory for the text: the answer matters more than the line.
        }
    }
    return 0.0;
}

double gf_maxHalfWingspanNm() noexcept
{
    return gf_referenceTables().maxHalfWingspanNm;
}

std::vector<std::string> gf_similarPrefixes(std::string_view prefix)
{
    const auto& prefixes = gf_referenceTables().similarPrefixes;
    const auto hit = prefixes.find(std::string(prefix));
    if (hit == prefixes.end()) {
        return {};
    }
    std::vector<std::string> partners = hit->second;
    if (gf_randomChoicesOn() && partners.size() >= 2) {
        std::shuffle(partners.begin(), partners.end(), gf_threadRandomEngine());
    }
    return partners;
}

std::vector<std::string> gf_registrationVariants(std::string_view registration)
{
    std::vector<std::string> variants;
    lf_forEachVariant(registration, [&](std::string_view variant) {
        variants.emplace_back(variant);
        return false;
    });
    return variants;
}

std::optional<RegistrationCodes> gf_findDbaseRecord(std::string_view registration) noexcept
{
    if (registration.empty()) {
        return std::nullopt;
    }
    const auto& records = gf_referenceTables().records;
    const DbaseRecord* record = nullptr;
    try {
        lf_forEachVariant(registration, [&](std::string_view variant) {
            record = lf_findRecord(records, variant);
            return record != nullptr;
        });
    } catch (const std::bad_alloc&) {
        // Only a very long text needs memory for its variants; it is no registration.
        return std::nullopt;
    }
    if (record == nullptr) {
        return std::nullopt;
    }
    return record->codes;
}

std::optional<std::string> gf_findShortRegistration(std::string_view text)
{
    const ReferenceTables& tables = gf_referenceTables();
    for (const uint32_t position : tables.shortRecords) {
        const std::string& registration = tables.records[position].registration;
        if (!registration.empty() && text.find(registration) != std::string_view::npos) {
            return registration;
        }
    }
    return std::nullopt;
}

bool gf_containsNoCase(const std::filesystem::path& path, std::string_view needle)
{
    std::string text;
    try {
        text = gf_pathToUtf8(path);
    } catch (const std::runtime_error&) {
        // Compared byte by byte anyway: a path that is not UTF-8 is searched as it stands.
        text = path.string();
    }
    return gf_containsNoCase(std::string_view(text), needle);
}

std::optional<std::string> gf_findPublisher(std::string_view text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    for (const auto& group : gf_referenceTables().publisherGroups) {
        for (const std::string& name : group) {
            if (!name.empty() && gf_containsNoCase(text, name)) {
                return group.front();
            }
        }
    }
    return std::nullopt;
}

bool gf_isThirdPartyAirport(bool msfs2020, std::string_view publisher, std::string_view airport)
{
    const ReferenceTables& tables = gf_referenceTables();
    const auto& entries = msfs2020 ? tables.thirdParties2020 : tables.thirdParties2024;
    return std::any_of(entries.begin(), entries.end(), [&](const ThirdPartyAirports& entry) {
        return entry.publisher == publisher &&
               std::find(entry.airports.begin(), entry.airports.end(), airport) != entry.airports.end();
    });
}

} // namespace hlw
