#include "liveries/aircraft_cfg_keys.h"

#include "core/string_helpers.h"

#include <algorithm>

namespace hlw {
namespace {

// The white space of the C locale.
bool lf_isBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char lf_lower(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t lf_skipBlanks(std::string_view text, std::size_t at) noexcept
{
    while (at < text.size() && lf_isBlank(text[at])) {
        ++at;
    }
    return at;
}

// True when text continues at position at with the word, ASCII letters compared without case.
bool lf_startsWithNoCase(std::string_view text, std::size_t at, std::string_view word) noexcept
{
    if (text.size() - at < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lf_lower(text[at + i]) != lf_lower(word[i])) {
            return false;
        }
    }
    return true;
}

std::string lf_upper(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), gf_toUpperChar);
    return upper;
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
    std::size_t at = lf_skipBlanks(line, 0);
    if (!lf_startsWithNoCase(line, at, key)) {
        return {};
    }
    at = lf_skipBlanks(line, at + key.size());
    if (at >= line.size() || line[at] != '=') {
        return {};
    }
    const std::size_t begin = lf_skipBlanks(line, at + 1);
    std::size_t end = line.size();
    while (end > begin && lf_isBlank(line[end - 1])) {
        --end;
    }
    const std::string_view value = line.substr(begin, end - begin);
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
    airline = (value.empty() || value == "ZZZZ") ? std::string("ZZZ") : lf_upper(value);
    return true;
}

std::string gf_getIcaoTypeDesignator(std::string_view line)
{
    return lf_upper(gf_applyQuoteRule(gf_matchKey(line, "icao_type_designator")).substr(0, 4));
}

std::string gf_getBaseContainer(std::string_view line)
{
    const std::string_view value = gf_applyQuoteRule(gf_matchKey(line, "base_container"));
    if (value.size() <= 3) {
        return {};
    }
    const auto& types = gf_defaultAircraftTypes();
    const auto hit = types.find(std::string(value.substr(3)));
    return hit != types.end() ? lf_upper(hit->second) : std::string();
}

std::string gf_getFltsimNumber(std::string_view line)
{
    if (line.starts_with("//")) {
        return {};
    }
    constexpr std::string_view header = "[fltsim.";
    std::size_t at = lf_skipBlanks(line, 0);
    if (lf_startsWithNoCase(line, at, header)) {
        at += header.size();
        const std::size_t digits = at;
        while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
            ++at;
        }
        if (at > digits && at < line.size() && line[at] == ']' && lf_skipBlanks(line, at + 1) == line.size()) {
            return std::string(line.substr(digits, at - digits));
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
