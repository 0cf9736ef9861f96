#pragma once
// The livery catalogue: the scanned liveries by airline and model, the same split into pax and cargo, the
// titles of each model across all airlines, and the models with liveries of the categories Light, Buzjets
// and Rotorcraft. The tables the livery matching reads in the engine tick: hash maps keyed by 16-bit codes
// that hold views of the titles.
//
// Every title string lives in the catalogue's arena (a std::deque, which never moves an element), and every
// other table, the registration-code tables and the aircraft's chosen title hold views into it. The arena is
// emptied last and only by gf_clearLiveryCatalogueTables, so no view dangles while the tables exist.
// Built and read on the worker thread only; no lock.
#include "liveries/livery_data.h"
#include "refdata/aircraft_category.h"
#include "refdata/similar_models.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hlw {

struct LiveryEntry {
    std::string_view title;
    uint8_t cargo = 0;
};

using LiveryEntries = std::vector<LiveryEntry>;
using ModelLiveries = std::unordered_map<uint16_t, LiveryEntries>;
using TitleList = std::vector<std::string_view>;
using ModelTitleLists = std::unordered_map<uint16_t, TitleList>;
using AirlineModelTitleLists = std::unordered_map<uint16_t, ModelTitleLists>;

inline constexpr std::size_t paxIndex = 0;
inline constexpr std::size_t cargoIndex = 1;

struct LiveryCatalogue {
    // The owner of every title string.
    std::deque<std::string> titleArena;
    // Airline (or combined airline + operator code, or operator) to model to its liveries, in list order.
    std::unordered_map<uint16_t, ModelLiveries> byAirline;
    // [pax, cargo]: airline to model to titles; only non-empty lists and maps.
    std::array<AirlineModelTitleLists, 2> paxCargo;
    // [pax, cargo]: model to the titles of every airline (a livery filed under two keys is listed twice).
    std::array<ModelTitleLists, 2> byModel;
    // The models with liveries of Light, Buzjets and Rotorcraft, filled by the category reports.
    std::vector<uint16_t> lightModels;
    std::vector<uint16_t> buzjetModels;
    std::vector<uint16_t> rotorcraftModels;
    // Each stored title to its view, for the registration-code tables.
    std::unordered_map<std::string_view, std::string_view> titleIndex;
    // The airline indexes of "ZZZ" (generic liveries) and "PVT" (private aircraft), when interned at the build.
    std::optional<uint16_t> genericAirline;
    std::optional<uint16_t> privateAirline;
};

const LiveryCatalogue& gf_liveryCatalogue();

// Queries used by the matching, the registration codes and the similar models.
bool gf_hasLivery(uint16_t airline, uint16_t model);
// The catalogue's view of the title; empty when no stored livery has it.
std::string_view gf_findLiveryByTitle(std::string_view title);
// The titles of the airline and model in the pax (paxIndex) or cargo (cargoIndex) catalogue; nullptr when none.
const TitleList* gf_paxCargoTitles(std::size_t cargo, uint16_t airline, uint16_t model);
// The titles of the model of every airline, pax or cargo; nullptr when none.
const TitleList* gf_modelTitles(std::size_t cargo, uint16_t model);
// A model drawn from the category's list (the first while "RANDOM" is off); 0 when the list is empty.
uint16_t gf_randomLightModel();
uint16_t gf_randomBuzjetModel();
uint16_t gf_randomRotorcraftModel();
// What the similar-model tables ask of the catalogue.
const LiveryPresence& gf_liveryPresence();

// Builders, in the order the start-up processing calls them.
// The catalogue by airline and model from the list (sorted as gf_liveryLess orders it).
void gf_buildLiveryCatalogue(const ScannedLiveryList& liveries);
void gf_buildPaxCargoCatalogue();
void gf_reserveModelCatalogue();
void gf_buildModelCatalogue();
// The report of one category: counts, models, and the traffic setting switched off (and saved) when nothing
// of the category is installed; its check box enabled or disabled.
void gf_logCategory(AircraftCategory category);
// "{} model{} have a generic livery" and their codes, or "No generic liveries".
void gf_logGenericLiveries();

// Empties every catalogue table, the title arena last.
void gf_clearLiveryCatalogueTables();

} // namespace hlw
