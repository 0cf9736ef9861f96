#include "refdata/airports_database.h"

#include <algorithm>
#include <utility>

namespace hlw {
namespace {

struct AirportsState {
    std::vector<AirportRecord> table;
    AirportCodeSet known;
    bool read = false;
};

AirportsState& lf_state() noexcept
{
    static AirportsState state;
    return state;
}

bool lf_byIcao(const AirportRecord& left, const AirportRecord& right) noexcept
{
    return left.icao < right.icao;
}

} // namespace

const FixedCode<3>& gf_noIataCode() noexcept
{
    static const FixedCode<3> code{"XXX"};
    return code;
}

std::size_t AirportCodeHash::operator()(const AirportCode& code) const noexcept
{
    constexpr std::uint64_t offsetBasis = 14695981039346656037ULL;
    constexpr std::uint64_t prime = 1099511628211ULL;
    const std::string_view text = code.empty() ? std::string_view("    ") : code.view();
    std::uint64_t hash = offsetBasis;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= prime;
    }
    return static_cast<std::size_t>(hash);
}

void gf_installAirports(std::vector<AirportRecord> records)
{
    // A stable sort keeps records of one code in file order, so "the first record of a code" is the same in
    // every run.
    std::stable_sort(records.begin(), records.end(), lf_byIcao);
    records.shrink_to_fit();
    AirportCodeSet known(8);
    known.max_load_factor(1.0F);
    for (const AirportRecord& record : records) {
        known.insert(record.icao);
    }
    AirportsState& state = lf_state();
    state.table = std::move(records);
    state.known = std::move(known);
    state.read = true;
}

void gf_clearAirports() noexcept
{
    AirportsState& state = lf_state();
    state.table = {};
    state.known.clear();
    state.read = false;
}

bool gf_airportsRead() noexcept
{
    return lf_state().read;
}

std::span<const AirportRecord> gf_airports() noexcept
{
    return lf_state().table;
}

const AirportRecord* gf_findAirport(const AirportCode& icao) noexcept
{
    const std::vector<AirportRecord>& table = lf_state().table;
    const auto hit = std::lower_bound(table.begin(), table.end(), icao,
                                      [](const AirportRecord& record, const AirportCode& code) { return record.icao < code; });
    return hit != table.end() && hit->icao == icao ? &*hit : nullptr;
}

bool gf_isKnownAirport(const AirportCode& icao) noexcept
{
    return lf_state().known.contains(icao);
}

std::string gf_airportText(const AirportRecord& record)
{
    std::string text = record.icao.empty() ? std::string("?") : record.icao.str();
    if (!record.iata.empty() && record.iata != gf_noIataCode()) {
        text += " (";
        text += record.iata.view();
        text += ')';
    }
    return text;
}

} // namespace hlw
