// The aircraft.cfg key-line readers: every value is a view into its line within the key-line rules, a line
// written from a key and a value gives that value back, and the derived codes keep their shapes.
#include "fuzz_check.h"

#include "liveries/aircraft_cfg_keys.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

using namespace hlw;
using fuzz::check;

constexpr std::array<std::string_view, 8> keys = {"title",          "texture",      "atc_id",
                                                  "atc_parking_types", "icao_airline", "icao_type_designator",
                                                  "base_container", "ui_variation"};

bool lf_isBlank(char c)
{
    return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos;
}

bool lf_hasLowerCase(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

void lf_checkLine(std::string_view line)
{
    for (const std::string_view key : keys) {
        const std::string_view value = gf_matchKey(line, key);
        check(fuzz::isInside(value, line), "the value is a view into the line");
        if (!value.empty()) {
            check(!lf_isBlank(value.front()) && !lf_isBlank(value.back()), "the value has no blanks around it");
            check(value.find_first_of("\r\n") == std::string_view::npos, "the value holds no line end");
        }
        const std::string_view quoted = gf_applyQuoteRule(value);
        check(fuzz::isInside(quoted, value), "the quote rule keeps a part of the value");
    }

    std::string text = "unchanged";
    if (!gf_getTitle(line, text)) {
        check(text == "unchanged", "a line of another key leaves the title alone");
    } else {
        check(!text.empty(), "a title read is never empty");
    }
    std::string airline;
    if (gf_getIcaoAirline(line, airline)) {
        check(!airline.empty() && !lf_hasLowerCase(airline), "an airline code is upper-cased and never empty");
    }
    const std::string type = gf_getIcaoTypeDesignator(line);
    check(type.size() <= 4 && !lf_hasLowerCase(type), "a type designator has at most 4 upper-case characters");
    const std::string base = gf_getBaseContainer(line);
    check(base.empty() || !lf_hasLowerCase(base), "a base container type is upper-cased");

    const std::string number = gf_getFltsimNumber(line);
    check(std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }),
          "a section number holds digits only");
    if (line.starts_with("//")) {
        check(number.empty(), "a commented-out header is no header");
    }
    check(gf_lineHasAtcId(line) == (line.find("atc_id=") != std::string_view::npos), "atc_id= is a plain search");
}

// A key line written from a key and the input's text (made a valid value) gives that value back.
void lf_checkRoundTrip(std::string_view input)
{
    std::string value;
    for (const char c : input) {
        if (c != '\r' && c != '\n') {
            value += c;
        }
    }
    while (!value.empty() && lf_isBlank(value.back())) {
        value.pop_back();
    }
    value.erase(0, std::min(value.size(), value.find_first_not_of(" \t\v\f")));
    for (const std::string_view key : keys) {
        std::string upperKey(key);
        std::transform(upperKey.begin(), upperKey.end(), upperKey.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        const std::string line = " \t" + upperKey + " =\t " + value + " \t";
        check(gf_matchKey(line, key) == value, "a written key line gives its value back");
    }
    std::string digits;
    std::copy_if(input.begin(), input.end(), std::back_inserter(digits), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits.empty()) {
        check(gf_getFltsimNumber(" [FltSim." + digits + "] ") == digits, "a written header gives its number back");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input = fuzz::asText(data, size);
    lf_checkLine(input);
    std::size_t start = 0;
    while (start < input.size()) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        lf_checkLine(input.substr(start, end - start));
        start = end + 1;
    }
    lf_checkRoundTrip(input);
    return 0;
}
