#include "liveries/livery_matching.h"

#include "core/log.h"
#include "core/random_choice.h"
#include "liveries/livery_catalogue.h"
#include "liveries/matching_summary.h"
#include "liveries/registration_codes.h"
#include "liveries/registration_tables.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "refdata/similar_models.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace hlw {
namespace {

using Titles = std::span<const std::string_view>;

// The search key: the record's code group with one field replaced where a step asks for it.
struct MatchKey {
    uint16_t airline = 0;
    uint16_t secondAirline = 0;
    uint16_t model = 0;
    bool cargo = false;
};

// Sorted by airline code, for a binary search.
constexpr std::array<std::pair<std::string_view, std::string_view>, 35> airlineKeywords{{
    {"AAL", "American"},    {"ACA", "Canada"},     {"AFR", "France"},    {"ASA", "Alaska"},   {"ASH", "Mesa"},
    {"AVA", "Avianca"},     {"BAW", "British"},    {"BOX", "Aerologic"}, {"CAI", "Corendon"}, {"CFE", "Cityflyer"},
    {"DAE", "DHL Aero"},    {"DAL", "Delta"},      {"DHK", "DHL Air"},   {"EDV", "Endeavor"}, {"EZY", "easyjet"},
    {"FDX", "FedEx"},       {"FJO", "Flexjet"},    {"GJS", "GoJet"},     {"IBE", "Iberia"},   {"JIA", "PSA Airlines"},
    {"JZA", "Jazz"},        {"KLC", "Cityhopper"}, {"LRC", "Avianca"},   {"PDT", "Piedmont"}, {"PRM", "Prime"},
    {"QLK", "Quantaslink"}, {"QXE", "Horizon"},    {"RPA", "Republic"},  {"RYR", "Ryanair"},  {"SKW", "SkyWest"},
    {"SWA", "Southwest"},   {"UAL", "United"},     {"UPS", "UPS"},       {"VJT", "VistaJet"}, {"WJA", "WestJet"},
}};
static_assert(std::ranges::is_sorted(airlineKeywords, {}, &std::pair<std::string_view, std::string_view>::first));

constexpr std::string_view privateAirlineText = "PVT";
constexpr std::string_view fsltlMark = "FSLTL_";
// Longer texts cannot be registration prefixes of the reference data; looking them up would only allocate.
constexpr std::size_t maxPrefixLookup = 15;
// A combined code (airline text followed by operator text) is built in place up to this length.
constexpr std::size_t maxCombinedCode = 32;

// Lists reused by every match on the thread, so that a match allocates nothing once they have grown.
struct Scratch {
    std::vector<uint16_t> similarModels;
    std::vector<uint16_t> alternativeModels;
    std::vector<uint16_t> prefixOrder;
    std::vector<std::string_view> candidates;
};

Scratch& lf_scratch()
{
    thread_local Scratch scratch;
    return scratch;
}

// The models of the list in the order they are tried: the list itself while the order stays (RANDOM off, or
// fewer than two), else a shuffled copy in the scratch list.
std::span<const uint16_t> lf_inChoiceOrder(const std::vector<uint16_t>& models, std::vector<uint16_t>& scratch)
{
    if (models.size() < 2 || !gf_randomChoicesOn()) {
        return models;
    }
    scratch.assign(models.begin(), models.end());
    gf_shuffle(scratch);
    return scratch;
}

bool lf_refused(std::string_view title)
{
    return gf_refusedTitles().contains(title);
}

std::size_t lf_cargoIndex(bool cargo)
{
    return cargo ? cargoIndex : paxIndex;
}

// A uniform choice among the titles of the list that pass the test; false when none does.
template <typename Test> bool lf_pickAmong(FlightRecord& record, Titles titles, Test passes)
{
    const auto count = static_cast<std::size_t>(std::ranges::count_if(titles, passes));
    if (count == 0) {
        return false;
    }
    std::size_t wanted = gf_randomIndex(count);
    for (const std::string_view title : titles) {
        if (passes(title) && wanted-- == 0) {
            record.title = title;
            return true;
        }
    }
    return false;
}

// One title from the list: up to five draws that avoid special and refused titles, then a draw among the
// titles that are neither, then among the ones that are only special. With "RANDOM" off this is the first
// title that is neither special nor refused, else the first that is not refused. Refused titles never.
bool lf_pickTitle(FlightRecord& record, Titles titles)
{
    if (titles.empty()) {
        return false;
    }
    const auto usable = [](std::string_view title) { return !gf_isSpecialTitle(title) && !lf_refused(title); };
    const int draws = gf_randomChoicesOn() && titles.size() > 1 ? 5 : 1;
    for (int draw = 0; draw < draws; ++draw) {
        const std::string_view title = titles[gf_randomIndex(titles.size())];
        if (usable(title)) {
            record.title = title;
            return true;
        }
    }
    return lf_pickAmong(record, titles, usable) ||
           lf_pickAmong(record, titles, [](std::string_view title) { return !lf_refused(title); });
}

// The titles whose registration begins with the prefix, in list order. The bytes of the prefix that fit in a
// head word are compared through the heads; only a longer prefix reads the registrations' text.
Titles lf_filterTitlesByRegPrefix(std::span<const RegisteredTitle> registered, std::string_view prefix)
{
    const uint64_t prefixHead = gf_registrationHead(prefix);
    uint64_t mask = 0;
    std::memset(&mask, 0xFF, std::min(prefix.size(), registrationHeadSize));
    const bool longPrefix = prefix.size() > registrationHeadSize;
    std::vector<std::string_view>& candidates = lf_scratch().candidates;
    candidates.clear();
    for (const RegisteredTitle& entry : registered) {
        if (entry.registration.size() >= prefix.size() && (entry.head & mask) == prefixHead &&
            (!longPrefix || entry.registration.starts_with(prefix))) {
            candidates.push_back(entry.title);
        }
    }
    return candidates;
}

// The prefixes of the reference data's group that can stand in for the prefix; nullptr when there are none.
const std::vector<std::string>* lf_similarPrefixes(std::string_view prefix)
{
    if (prefix.size() > maxPrefixLookup) {
        return nullptr;
    }
    const auto& prefixes = gf_referenceTables().similarPrefixes;
    const auto hit = prefixes.find(std::string(prefix));
    return hit != prefixes.end() && !hit->second.empty() ? &hit->second : nullptr;
}

// A title of the list whose registration has the prefix, else one with a similar prefix (in random order while
// "RANDOM" is on, the group's order otherwise).
bool lf_pickByRegPrefix(FlightRecord& record, const TitleList& titles, std::string_view prefix)
{
    const std::span<const RegisteredTitle> registered = gf_registeredTitles(titles);
    if (registered.empty()) {
        return false;
    }
    if (lf_pickTitle(record, lf_filterTitlesByRegPrefix(registered, prefix))) {
        return true;
    }
    const std::vector<std::string>* similar = lf_similarPrefixes(prefix);
    if (similar == nullptr) {
        return false;
    }
    std::vector<uint16_t>& order = lf_scratch().prefixOrder;
    order.resize(similar->size());
    std::iota(order.begin(), order.end(), uint16_t{0});
    gf_shuffle(order);
    for (const uint16_t position : order) {
        if (lf_pickTitle(record, lf_filterTitlesByRegPrefix(registered, (*similar)[position]))) {
            return true;
        }
    }
    return false;
}

Titles lf_catalogueTitles(std::size_t cargo, uint16_t airline, uint16_t model)
{
    const TitleList* titles = gf_paxCargoTitles(cargo, airline, model);
    return titles != nullptr ? Titles(*titles) : Titles();
}

bool lf_pickFromCatalogue(FlightRecord& record, std::size_t cargo, uint16_t airline, uint16_t model)
{
    return lf_pickTitle(record, lf_catalogueTitles(cargo, airline, model));
}

// The first title of the list, in list order, that holds the other airline's name word.
bool lf_matchAirlineNameInTitle(FlightRecord& record, std::size_t cargo, uint16_t airline, uint16_t model,
                                std::string_view otherAirline)
{
    const Titles titles = lf_catalogueTitles(cargo, airline, model);
    if (titles.empty()) {
        return false;
    }
    const std::string_view keyword = gf_airlineNameKeyword(otherAirline);
    for (const std::string_view title : titles) {
        if (title.find(keyword) != std::string_view::npos && !lf_refused(title)) {
            record.title = title;
            return true;
        }
    }
    return false;
}

bool lf_matchPrivateByRegPrefix(FlightRecord& record, std::size_t cargo, uint16_t airline, uint16_t model)
{
    const std::string_view prefix = gf_registrationPrefix(record.registration);
    if (prefix.empty()) {
        return false;
    }
    const TitleList* titles = gf_paxCargoTitles(cargo, airline, model);
    return titles != nullptr && lf_pickByRegPrefix(record, *titles, prefix);
}

bool lf_isPrivate(uint16_t airline)
{
    const std::optional<uint16_t> privateAirline = gf_liveryCatalogue().privateAirline;
    return privateAirline ? airline == *privateAirline : gf_airlineText(airline) == privateAirlineText;
}

// The index of the airline's code text followed by the operator's, without adding it: a combination the code
// table does not hold has no liveries.
std::optional<uint16_t> lf_findCombinedAirline(const std::string& airline, const std::string& secondAirline)
{
    const std::size_t length = airline.size() + secondAirline.size();
    if (length > maxCombinedCode) {
        return gf_findAirlineIndex(airline + secondAirline);
    }
    std::array<char, maxCombinedCode> combined{};
    std::ranges::copy(airline, combined.begin());
    std::ranges::copy(secondAirline, combined.begin() + static_cast<std::ptrdiff_t>(airline.size()));
    return gf_findAirlineIndex(std::string_view(combined.data(), length));
}

bool lf_matchAirlineModel(FlightRecord& record, const MatchKey& key, std::size_t cargo)
{
    if (key.secondAirline == 0) {
        if (lf_isPrivate(key.airline) && lf_matchPrivateByRegPrefix(record, cargo, key.airline, key.model)) {
            return true;
        }
        return lf_pickFromCatalogue(record, cargo, key.airline, key.model);
    }
    const std::string& airlineText = gf_airlineText(key.airline);
    const std::string& secondText = gf_airlineText(key.secondAirline);
    const std::optional<uint16_t> combined = lf_findCombinedAirline(airlineText, secondText);
    return (combined && lf_pickFromCatalogue(record, cargo, *combined, key.model)) ||
           lf_matchAirlineNameInTitle(record, cargo, key.secondAirline, key.model, airlineText) ||
           lf_matchAirlineNameInTitle(record, cargo, key.airline, key.model, secondText) ||
           lf_pickFromCatalogue(record, cargo, key.secondAirline, key.model) ||
           lf_pickFromCatalogue(record, cargo, key.airline, key.model);
}

// Cargo liveries first for a cargo key, then pax liveries.
bool lf_tryAirlineModel(FlightRecord& record, const MatchKey& key)
{
    return (key.cargo && lf_matchAirlineModel(record, key, cargoIndex)) ||
           lf_matchAirlineModel(record, key, paxIndex);
}

bool lf_matchSimilarModel(FlightRecord& record, const MatchKey& key)
{
    const uint16_t operatorAirline = key.secondAirline != 0 ? key.secondAirline : key.airline;
    const std::vector<uint16_t>& similar = gf_airlineSimilarModels(operatorAirline, key.model);
    if (similar.empty()) {
        return false;
    }
    for (const uint16_t model : lf_inChoiceOrder(similar, lf_scratch().similarModels)) {
        if (gf_modelCategory(model) != record.category) {
            continue;
        }
        MatchKey similarKey = key;
        similarKey.model = model;
        if (lf_tryAirlineModel(record, similarKey)) {
            return true;
        }
    }
    return false;
}

// Any airline's livery of the model: with the aircraft's registration prefix, a similar prefix, or any.
bool lf_matchModelOnly(FlightRecord& record, uint16_t model)
{
    const std::string_view prefix = gf_registrationPrefix(record.registration);
    if (prefix.empty()) {
        return false;
    }
    const TitleList* titles = gf_modelTitles(lf_cargoIndex(record.cargo != 0), model);
    if (titles == nullptr || titles->empty()) {
        return false;
    }
    return lf_pickByRegPrefix(record, *titles, prefix) || lf_pickTitle(record, *titles);
}

bool lf_fallsBackToOtherModels(AircraftCategory category)
{
    return category == AircraftCategory::Light || category == AircraftCategory::Buzjets ||
           category == AircraftCategory::Rotorcraft;
}

uint16_t lf_randomCategoryModel(AircraftCategory category)
{
    switch (category) {
    case AircraftCategory::Light:
        return gf_randomLightModel();
    case AircraftCategory::Buzjets:
        return gf_randomBuzjetModel();
    case AircraftCategory::Rotorcraft:
        return gf_randomRotorcraftModel();
    default:
        return 0;
    }
}

// The models tried in place of the aircraft's own: its similar models with liveries, else one model of its
// category.
std::span<const uint16_t> lf_alternativeModels(uint16_t model, AircraftCategory category)
{
    std::vector<uint16_t>& scratch = lf_scratch().alternativeModels;
    const SimilarModelList similar = gf_similarModelsWithLivery(model);
    // A copy: the list leaves out the model's own place, so it is no plain part of the table.
    scratch.assign(similar.begin(), similar.end());
    if (!scratch.empty()) {
        if (scratch.size() >= 2 && gf_randomChoicesOn()) {
            gf_shuffle(scratch);
        }
        return scratch;
    }
    if (const uint16_t categoryModel = lf_randomCategoryModel(category); categoryModel != 0) {
        scratch.push_back(categoryModel);
    }
    return scratch;
}

// One aircraft's way through the steps. A live aircraft (no stand) is counted and marks FSLTL liveries; a
// static one takes the stand's cargo flag for the generic attempts and logs when nothing matched.
class LiveryMatch {
public:
    LiveryMatch(FlightRecord& record, const StandRecord* stand) : record_(record), stand_(stand) {}

    bool run()
    {
        const int32_t depth = settings::matchingDepth.get();
        if (matchRegistration()) {
            return true;
        }
        if (depth < 2) {
            return false;
        }
        if (lf_isPrivate(record_.airline)) {
            if (std::optional<MatchKey> generic = genericKey()) {
                generic->cargo = stand_ != nullptr ? stand_->cargo : record_.cargo != 0;
                if (lf_tryAirlineModel(record_, *generic) && accept(MatchStep::Generic)) {
                    return true;
                }
            }
        }
        if (lf_tryAirlineModel(record_, recordKey()) && accept(MatchStep::AirlineModel)) {
            return true;
        }
        if (depth < 3) {
            return false;
        }
        if (lf_matchSimilarModel(record_, recordKey()) && accept(MatchStep::SimilarModel)) {
            return true;
        }
        return depth == 4 && matchByModelFallback(stand_ != nullptr && stand_->cargo);
    }

private:
    MatchKey recordKey() const
    {
        return {record_.airline, record_.secondAirline, record_.model, record_.cargo != 0};
    }

    // The record's key with the generic airline "ZZZ"; none while that code is not in the table, so that the
    // liveries of the empty airline are never taken for generic ones.
    std::optional<MatchKey> genericKey() const
    {
        const std::optional<uint16_t> generic = gf_liveryCatalogue().genericAirline;
        if (!generic) {
            return std::nullopt;
        }
        MatchKey key = recordKey();
        key.airline = *generic;
        return key;
    }

    bool matchRegistration()
    {
        if (record_.registration.empty()) {
            return false;
        }
        const RegistrationTables& tables = gf_registrationTables();
        const auto hit = tables.regcodes.find(record_.registration);
        if (hit == tables.regcodes.end()) {
            return false;
        }
        record_.title = hit->second;
        return accept(tables.uniqueRegcodes.contains(record_.registration) ? MatchStep::SpecialRegistration
                                                                             : MatchStep::Registration);
    }

    // Each attempt is accepted on its own, so that a refused title lets the next attempt run.
    bool matchByModelFallback(bool forceCargo)
    {
        if (std::optional<MatchKey> generic = genericKey()) {
            generic->cargo = generic->cargo || forceCargo;
            if (lf_tryAirlineModel(record_, *generic) && accept(MatchStep::Generic)) {
                return true;
            }
        }
        if (!lf_fallsBackToOtherModels(record_.category)) {
            return false;
        }
        if (lf_matchModelOnly(record_, record_.model) && accept(MatchStep::ModelOnly)) {
            return true;
        }
        for (const uint16_t model : lf_alternativeModels(record_.model, record_.category)) {
            if (lf_matchModelOnly(record_, model) && accept(MatchStep::AlternativeModel)) {
                return true;
            }
        }
        return false;
    }

    bool accept(MatchStep step)
    {
        if (lf_refused(record_.title)) {
            record_.title = {};
            return false;
        }
        if (stand_ == nullptr) {
            gf_countMatch(step);
            record_.fsltlLivery = record_.title.find(fsltlMark) != std::string_view::npos;
        }
        gf_log(fmt::format("          {} ={}= {}", gf_describeAc(record_), static_cast<int32_t>(step), record_.title));
        return true;
    }

    FlightRecord& record_;
    const StandRecord* stand_;
};

} // namespace

void gf_matchLivery(FlightRecord& record)
{
    record.title = {};
    LiveryMatch(record, nullptr).run();
}

bool gf_matchStaticLivery(FlightRecord& record, const StandRecord& stand)
{
    if (!record.title.empty()) {
        gf_log(fmt::format("          {} =s= {}", gf_describeAc(record), record.title));
        return true;
    }
    if (LiveryMatch(record, &stand).run()) {
        return true;
    }
    gf_log(fmt::format("{:8}: {} no livery match ...", stand.id, gf_describeAcWithReg(record)));
    return false;
}

std::string_view gf_registrationPrefix(std::string_view registration) noexcept
{
    if (registration.empty()) {
        return {};
    }
    const std::size_t dash = registration.find('-');
    if (dash != std::string_view::npos && dash >= 1) {
        return registration.substr(0, dash + 1);
    }
    return registration.substr(0, 1);
}

std::string_view gf_airlineNameKeyword(std::string_view airlineCode) noexcept
{
    const auto hit =
        std::ranges::lower_bound(airlineKeywords, airlineCode, {}, &std::pair<std::string_view, std::string_view>::first);
    return hit != airlineKeywords.end() && hit->first == airlineCode ? hit->second : std::string_view("not found");
}

} // namespace hlw
