// std::regex serves as the oracle here; under the sanitizers GCC 12 warns falsely inside its std::function.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "liveries/aircraft_cfg_keys.h"

#include <gtest/gtest.h>

#include <regex>

#include <string>
#include <string_view>

namespace hlw {
namespace {

struct KeyCase {
    std::string_view line;
    std::string_view expected; // empty: no match
};

TEST(KeyLineMatcher, FollowsTheWholeLineRule)
{
    const KeyCase cases[] = {
        {"title=KLM B738", "KLM B738"},
        {"TITLE=KLM B738", "KLM B738"},
        {"TiTlE = KLM B738", "KLM B738"},
        {"  \t title\t=\t  KLM B738  \t", "KLM B738"},
        {"title=KLM B738\r", "KLM B738"},
        {"title=KLM B738\r\n", "KLM B738"},
        {"\r\ntitle=x", "x"},
        {"title=a b  c", "a b  c"},
        {"title=x // comment", "x // comment"},
        {"title=a\vb", "a\vb"},
        {"title=", ""},
        {"title=   ", ""},
        {"title", ""},
        {"title x=y", ""},
        {"titles=y", ""},
        {"// title=y", ""},
        {"xtitle=y", ""},
        {"title=a\rb", ""},
        {"title=a\nb", ""},
        {"title=a\r\nb", ""},
        {"", ""},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(gf_matchKey(c.line, "title"), c.expected) << "line: " << c.line;
    }
}

// The matcher agrees with the ECMAScript pattern it replaces, on every short line made of the pieces below.
TEST(KeyLineMatcher, AgreesWithThePatternOnShortLines)
{
    const std::regex pattern(R"(\s*(atc_id)\s*=\s*(.*\S)\s*)", std::regex::ECMAScript | std::regex::icase);
    const std::string_view pieces[] = {"", " ", "\t", "\r", "\n", "ATC_id", "atc_id", "=", "x", "\"", "a b"};
    std::size_t compared = 0;
    for (const auto a : pieces) {
        for (const auto b : pieces) {
            for (const auto c : pieces) {
                for (const auto d : pieces) {
                    const std::string line = std::string(a) + std::string(b) + std::string(c) + std::string(d);
                    std::smatch match;
                    const std::string expected = std::regex_match(line, match, pattern) ? match[2].str() : "";
                    EXPECT_EQ(gf_matchKey(line, "atc_id"), expected) << "line: " << line;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 11U * 11U * 11U * 11U);
}

TEST(KeyLineMatcher, LongLinesCostNoStack)
{
    const std::string value(100 * 1024, 'x');
    EXPECT_EQ(gf_matchKey("title=" + value + "   ", "title").size(), value.size());
    const std::string garbled = "title=" + std::string(50 * 1024, 'y') + "\r" + std::string(50 * 1024, 'z');
    EXPECT_TRUE(gf_matchKey(garbled, "title").empty());
    std::string binary(100 * 1024, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 7919 % 251);
    }
    std::string out;
    EXPECT_FALSE(gf_getTitle(binary, out));
    EXPECT_TRUE(gf_getFltsimNumber(std::string(100 * 1024, '[')).empty());
}

TEST(KeyLineMatcher, QuoteRule)
{
    const KeyCase cases[] = {
        {"\"KLM B738\"", "KLM B738"},
        {"AI \"KLM B738\" rest", "KLM B738"},
        {"\"\"", ""},
        {"\"open", ""},
        {"plain", "plain"},
        {"\"a\" \"b\"", "a"},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(gf_applyQuoteRule(c.line), c.expected) << "value: " << c.line;
    }
}

TEST(KeyReaders, TextKeysKeepTheOutputWhenNothingMatches)
{
    std::string out = "before";
    EXPECT_FALSE(gf_getTitle("title=\"\"", out));
    EXPECT_FALSE(gf_getTitle("title=\"half", out));
    EXPECT_FALSE(gf_getTexture("title=x", out));
    EXPECT_EQ(out, "before");
    EXPECT_TRUE(gf_getTitle("Title = \"KLM B738 PH-BXA\"", out));
    EXPECT_EQ(out, "KLM B738 PH-BXA");
    EXPECT_TRUE(gf_getTexture("texture=KLM", out));
    EXPECT_EQ(out, "KLM");
    EXPECT_TRUE(gf_getAtcId("ATC_ID = PH-BXA", out));
    EXPECT_EQ(out, "PH-BXA");
    EXPECT_TRUE(gf_getAtcParkingTypes("atc_parking_types=GATE,RAMP", out));
    EXPECT_EQ(out, "GATE,RAMP");
}

TEST(KeyReaders, IcaoAirline)
{
    const KeyCase cases[] = {
        {"icao_airline=klm", "KLM"},
        {"icao_airline=ZZZZ", "ZZZ"},
        {"icao_airline=zzzz", "ZZZZ"},
        {"icao_airline=\"\"", "ZZZ"},
        {"ICAO_AIRLINE = \"baw\"", "BAW"},
    };
    for (const KeyCase& c : cases) {
        std::string out;
        EXPECT_TRUE(gf_getIcaoAirline(c.line, out)) << c.line;
        EXPECT_EQ(out, c.expected) << c.line;
    }
    std::string out = "keep";
    EXPECT_FALSE(gf_getIcaoAirline("icao_airline=", out));
    EXPECT_FALSE(gf_getIcaoAirline("atc_airline=KLM", out));
    EXPECT_EQ(out, "keep");
}

TEST(KeyReaders, TypeDesignatorAndBaseContainer)
{
    EXPECT_EQ(gf_getIcaoTypeDesignator("icao_type_designator=b738"), "B738");
    EXPECT_EQ(gf_getIcaoTypeDesignator("icao_type_designator=\"a20n-x\""), "A20N");
    EXPECT_EQ(gf_getIcaoTypeDesignator("icao_type_designator=C17"), "C17");
    EXPECT_EQ(gf_getIcaoTypeDesignator("icao_model=B738"), "");

    EXPECT_EQ(gf_getBaseContainer("base_container = \"..\\Asobo_A320_NEO\""), "A20N");
    EXPECT_EQ(gf_getBaseContainer("base_container=..\\Asobo_VL3"), "VL3");
    EXPECT_EQ(gf_getBaseContainer("base_container=..\\asobo_a320_neo"), "");
    EXPECT_EQ(gf_getBaseContainer("base_container=..\\..\\Asobo_A320_NEO"), "");
    EXPECT_EQ(gf_getBaseContainer("base_container=..\\"), "");
    EXPECT_EQ(gf_defaultAircraftTypes().size(), 30U);
}

TEST(KeyReaders, FltsimHeader)
{
    const KeyCase cases[] = {
        {"[fltsim.0]", "0"},
        {"  [FltSim.12]  \r", "12"},
        {"[FLTSIM.7]", "7"},
        {"[fltsim.x]", "10000"},
        {"[fltsim.3] ; comment", "10000"},
        {"[FLTSIM.]", "10000"},
        {"[FltSim.x]", ""},
        {"//[fltsim.1]", ""},
        {"[general]", ""},
        {"/", ""},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(gf_getFltsimNumber(c.line), c.expected) << "line: " << c.line;
    }
}

TEST(KeyReaders, SecondOccurrenceTests)
{
    EXPECT_TRUE(gf_lineHasAtcId("//atc_id=PH-BXA"));
    EXPECT_FALSE(gf_lineHasAtcId("atc_id = PH-BXA"));
    EXPECT_FALSE(gf_lineHasAtcId("ATC_ID=PH-BXA"));
    EXPECT_TRUE(gf_lineHasAtcParkingTypes("; atc_parking_types = GATE"));
    EXPECT_FALSE(gf_lineHasAtcParkingTypes("atc_parking_codes=KLM"));
}

} // namespace
} // namespace hlw
