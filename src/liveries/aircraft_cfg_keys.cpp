#include "liveries/aircraft_cfg_keys.h"

#include "core/string_helpers.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {
namespace {

bool lf_isControl(char c) noexcept
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool lf_getValue(std::string_view line, std::string_view key, std::string& output)
{
    const std::string_view value = gf_applyQuoteRule(gf_matchKey(line, key));
    if (value.empty()) {
        return false;
    }
    output.assign(value);
    return true;
}

} // namespace

std::string_view gf_matchKey(std::string_view line, std::string_view key) noexcept
{
    const std::string_view keyAndRest = gf_trimLeftView(line, cSpace);
    if (!gf_startsWithNoCase(keyAndRest, key)) {
        return {};
    }
    const std::string_view assignment = gf_trimLeftView(keyAndRest.substr(key.size()), cSpace);
    if (!assignment.starts_with('=')) {
        return {};
    }
    const std::string_view value = gf_trimView(assignment.substr(1), cSpace);
    if (value.find_first_of("\r\n") != std::string_view::npos) {
        return {};
    }
    return value;
}

std::string_view gf_applyQuoteRule(std::string_view value) noexcept
{
    const std::size_t first = value.find('"');
    if (first == std::string_view::npos) {
        return value;
    }
    const std::size_t second = value.find('"', first + 1);
    if (second == std::string_view::npos) {
        return {};
    }
    return value.substr(first + 1, second - first - 1);
}

bool gf_getTitle(std::string_view line, std::string& title)
{
    return lf_getValue(line, "title", title);
}

std::string gf_titleProblem(std::string_view title)
{
    if (std::ranges::any_of(title, lf_isControl)) {
        return "has a title with control characters";
    }
    if (title.size() > longestTitle) {
        return fmt::format("has a title longer than {} bytes", longestTitle);
    }
    return {};
}

bool gf_getTexture(std::string_view line, std::string& texture)
{
    return lf_getValue(line, "texture", texture);
}

bool gf_getAtcId(std::string_view line, std::string& atcId)
{
    return lf_getValue(line, "atc_id", atcId);
}

bool gf_getAtcParkingTypes(std::string_view line, std::string& parkingTypes)
{
    return lf_getValue(line, "atc_parking_types", parkingTypes);
}

bool gf_getIcaoAirline(std::string_view line, std::string& airline)
{
    const std::string_view matched = gf_matchKey(line, "icao_airline");
    if (matched.empty()) {
        return false;
    }
    const std::string_view value = gf_applyQuoteRule(matched);
    airline = (value.empty() || value == "ZZZZ") ? std::string("ZZZ") : gf_toUpperAscii(value);
    return true;
}

std::string gf_getIcaoTypeDesignator(std::string_view line)
{
    return gf_toUpperAscii(gf_applyQuoteRule(gf_matchKey(line, "icao_type_designator")).substr(0, 4));
}

std::string gf_getBaseContainer(std::string_view line)
{
    const std::string_view value = gf_applyQuoteRule(gf_matchKey(line, "base_container"));
    if (value.size() <= 3) {
        return {};
    }
    const auto& types = gf_defaultAircraftTypes();
    const auto hit = types.find(std::string(value.substr(3)));
    return hit != types.end() ? gf_toUpperAscii(hit->second) : std::string();
}

std::string gf_getFltsimNumber(std::string_view line)
{
    if (line.starts_with("//")) {
        return {};
    }
    constexpr std::string_view header = "[fltsim.";
    const std::string_view headerAndRest = gf_trimLeftView(line, cSpace);
    if (gf_startsWithNoCase(headerAndRest, header)) {
        const std::string_view rest = headerAndRest.substr(header.size());
        const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
        if (digits > 0 && rest.substr(digits, 1) == "]" && gf_trimLeftView(rest.substr(digits + 1), cSpace).empty()) {
            return std::string(rest.substr(0, digits));
        }
    }
    if (line.find("[fltsim.") != std::string_view::npos || line.find("[FLTSIM.") != std::string_view::npos) {
        return "10000";
    }
    return {};
}

bool gf_lineHasAtcId(std::string_view line) noexcept
{
    return line.find("atc_id=") != std::string_view::npos;
}

bool gf_lineHasAtcParkingTypes(std::string_view line) noexcept
{
    return line.find("atc_parking_types") != std::string_view::npos;
}

const std::unordered_map<std::string, std::string>& gf_defaultAircraftTypes()
{
    static const std::unordered_map<std::string, std::string> types{
        {"Asobo_FlightDesignCT", "FDCT"},
        {"Asobo_DA40_TDI", "DA40"},
        {"Asobo_Longitude", "C700"},
        {"Asobo_DA40_NG", "DA40"},
        {"Asobo_VL3", "VL3"},
        {"Asobo_Cap10C", "CP10"},
        {"Asobo_Savage_Cub", "SAVG"},
        {"Asobo_CJ4", "C25C"},
        {"Asobo_Savage_ShockUltra", "SAVG"},
        {"Asobo_C152", "C152"},
        {"Asobo_XCub", "CC19"},
        {"Asobo_C152_Aerobat", "C152"},
        {"Asobo_Pitts", "PTS2"},
        {"Asobo_C172sp_AS1000", "C172"},
        {"Asobo_SR22", "SR22"},
        {"Asobo_C172sp_classic", "C172"},
        {"Asobo_Icon", "A5"},
        {"Asobo_Bonanza_G36", "BE36"},
        {"Asobo_TBM930", "TBM9"},
        {"Asobo_Baron_G58", "B58T"},
        {"Asobo_KingAir350", "B350"},
        {"Asobo_B747_8i", "B748"},
        {"Asobo_E330", "E300"},
        {"Asobo_B787_10", "B78X"},
        {"Asobo_DV20", "DV20"},
        {"Asobo_208B_GRAND_CARAVAN_EX", "C208"},
        {"Asobo_DR400", "DR40"},
        {"Asobo_A320_NEO", "A20N"},
        {"Asobo_DA62", "DA62"},
        {"FlyByWire_A320_NEO", "A20N"},
    };
    return types;
}

} // namespace hlw
