#include "liveries/livery_matching.h"

#include "liveries/matching_summary.h"
#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include "livery_world.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace hlw {
namespace {

using test::Livery;
using test::LiveryWorld;
using ::testing::HasSubstr;
using ::testing::Not;

const std::vector<Livery> liveries = {
    {"DLH", "", "A320", false, "Lufthansa A320 Anniversary", ""},
    {"DLH", "", "A320", false, "Lufthansa A320 D-AIZA", "D-AIZA"},
    {"DLH", "", "A320", false, "Lufthansa A320 Star", ""},
    {"DLH", "", "A321", false, "Lufthansa A321", "D-AIDA"},
    {"DLH", "", "B77W", true, "Lufthansa Cargo B77W", ""},
    {"DLH", "CLH", "CRJ9", false, "Lufthansa CityLine CRJ9", ""},
    {"KLM", "", "B737", false, "KLM B737", ""},
    {"KLM", "", "B738", false, "KLM B738 PH-BXA", "PH-BXA"},
    {"KLM", "", "B738", false, "KLM B738 PH-BXB", "PH-BXB"},
    {"BAW", "CFE", "E190", false, "BA Cityflyer E190", ""},
    {"CFE", "", "BCS3", false, "CFE BCS3 A plain", ""},
    {"CFE", "", "BCS3", false, "CFE BCS3 British colours", ""},
    {"BAW", "", "A320", false, "British Airways A320", ""},
    {"BAW", "", "E170", false, "BA E170 Avalon", ""},
    {"BAW", "", "E170", false, "BA E170 Cityflyer", ""},
    {"BAW", "", "E195", false, "BA E195 Cityflyer", ""},
    {"CFE", "", "E195", false, "CFE E195 British colours", ""},
    {"SWR", "", "BCS1", false, "Swiss BCS1 Special", ""},
    {"ZZZ", "", "A319", false, "Generic A319", ""},
    {"ZZZ", "", "A319", true, "Generic A319 Freighter", ""},
    {"ZZZ", "", "C172", false, "Generic C172", ""},
    {"ZZZ", "", "C172", true, "Generic C172 Cargo", ""},
    {"PVT", "", "C172", false, "Private C172 D-EABC", "D-EABC"},
    {"PVT", "", "C182", false, "Private C182 D-EFGH", "D-EFGH"},
    {"PVT", "", "C182", false, "Private C182 N555AB", "N555AB"},
    {"ADA", "", "EC35", false, "Rotor EC35 D-HXYZ", "D-HXYZ"},
    {"FSL", "", "A321", false, "FSLTL_A321_FSL", ""},
};

const std::vector<RegcodeEntry> offlineEntries = {
    {"Lufthansa A320 Anniversary", {"D-AIRE"}, true},
    {"KLM B738 PH-BXA", {"PH-BXA", "PH-BXZ"}, true},
    {"Swiss BCS1 Special", {"HB-JBA"}, true},
};

class LiveryMatchingTest : public ::testing::Test {
protected:
    void SetUp() override { world.build(liveries, offlineEntries); }

    static void refuse(const std::vector<std::string>& titles)
    {
        gf_refusedTitles().clear();
        for (const std::string& title : titles) {
            gf_refusedTitles().add(title);
        }
    }

    LiveryWorld world;
};

struct MatchCase {
    const char* name;
    const char* airline;
    const char* secondAirline;
    const char* model;
    bool cargo;
    const char* registration;
    int minDepth;  // the title appears from this depth on; none below it
    std::optional<MatchStep> step;
    std::string first;                  // "RANDOM" off
    std::set<std::string> allowed;      // "RANDOM" on
    std::vector<std::string> refused{};
    std::optional<AircraftCategory> category{};
};

const std::vector<MatchCase> matchCases = {
    {"special registration with one code", "DLH", "", "A320", false, "D-AIRE", 1, MatchStep::SpecialRegistration,
     "Lufthansa A320 Anniversary", {"Lufthansa A320 Anniversary"}},
    {"in-line registration", "DLH", "", "A321", false, "D-AIDA", 1, MatchStep::Registration, "Lufthansa A321",
     {"Lufthansa A321"}},
    {"special registration with several codes", "KLM", "", "B738", false, "PH-BXZ", 1, MatchStep::Registration,
     "KLM B738 PH-BXA", {"KLM B738 PH-BXA"}},
    {"refused registration falls through", "DLH", "", "A320", false, "D-AIZA", 2, MatchStep::AirlineModel,
     "Lufthansa A320 Star", {"Lufthansa A320 Star"}, {"Lufthansa A320 D-AIZA"}},
    {"airline and model, special skipped", "DLH", "", "A320", false, "", 2, MatchStep::AirlineModel,
     "Lufthansa A320 D-AIZA", {"Lufthansa A320 D-AIZA", "Lufthansa A320 Star"}},
    {"refused title does not block its group", "DLH", "", "A320", false, "", 2, MatchStep::AirlineModel,
     "Lufthansa A320 Star", {"Lufthansa A320 Star"}, {"Lufthansa A320 D-AIZA"}},
    {"cargo aircraft takes a pax livery", "DLH", "", "A320", true, "", 2, MatchStep::AirlineModel,
     "Lufthansa A320 D-AIZA", {"Lufthansa A320 D-AIZA", "Lufthansa A320 Star"}},
    {"cargo aircraft takes a cargo livery", "DLH", "", "B77W", true, "", 2, MatchStep::AirlineModel,
     "Lufthansa Cargo B77W", {"Lufthansa Cargo B77W"}},
    {"only special titles", "SWR", "", "BCS1", false, "", 2, MatchStep::AirlineModel, "Swiss BCS1 Special",
     {"Swiss BCS1 Special"}},
    {"usable titles refused leaves the special one", "KLM", "", "B738", false, "", 2, MatchStep::AirlineModel,
     "KLM B738 PH-BXA", {"KLM B738 PH-BXA"}, {"KLM B738 PH-BXB"}},
    {"every title refused", "KLM", "", "B738", false, "", 5, std::nullopt, "", {},
     {"KLM B738 PH-BXA", "KLM B738 PH-BXB"}},
    {"combined code", "BAW", "CFE", "E190", false, "", 2, MatchStep::AirlineModel, "BA Cityflyer E190",
     {"BA Cityflyer E190"}},
    {"operator livery naming the airline", "BAW", "CFE", "BCS3", false, "", 2, MatchStep::AirlineModel,
     "CFE BCS3 British colours", {"CFE BCS3 British colours"}},
    {"airline livery naming the operator", "BAW", "CFE", "E170", false, "", 2, MatchStep::AirlineModel,
     "BA E170 Cityflyer", {"BA E170 Cityflyer"}},
    {"both name the other: the operator's first", "BAW", "CFE", "E195", false, "", 2, MatchStep::AirlineModel,
     "CFE E195 British colours", {"CFE E195 British colours"}},
    {"either airline: the airline", "BAW", "CFE", "A320", false, "", 2, MatchStep::AirlineModel,
     "British Airways A320", {"British Airways A320"}},
    {"either airline: the operator", "XYZ", "CFE", "BCS3", false, "", 2, MatchStep::AirlineModel,
     "CFE BCS3 A plain", {"CFE BCS3 A plain", "CFE BCS3 British colours"}},
    {"similar model of the airline", "KLM", "", "B739", false, "", 3, MatchStep::SimilarModel, "KLM B737",
     {"KLM B737", "KLM B738 PH-BXB"}},
    {"similar model of the operator", "DLH", "CLH", "CRJ7", false, "", 3, MatchStep::SimilarModel,
     "Lufthansa CityLine CRJ9", {"Lufthansa CityLine CRJ9"}},
    {"similar model of another category", "KLM", "", "B739", false, "", 5, std::nullopt, "", {}, {},
     AircraftCategory::Heavy},
    {"generic livery", "UAL", "", "A319", false, "", 4, MatchStep::Generic, "Generic A319", {"Generic A319"}},
    {"generic cargo livery", "UAL", "", "A319", true, "", 4, MatchStep::Generic, "Generic A319 Freighter",
     {"Generic A319 Freighter"}},
    {"private: generic before the prefix", "PVT", "", "C172", false, "D-EXYZ", 2, MatchStep::Generic,
     "Generic C172", {"Generic C172"}},
    {"private: registration prefix", "PVT", "", "C182", false, "D-EXYZ", 2, MatchStep::AirlineModel,
     "Private C182 D-EFGH", {"Private C182 D-EFGH"}},
    {"private: single-letter prefix", "PVT", "", "C182", false, "N12345", 2, MatchStep::AirlineModel,
     "Private C182 N555AB", {"Private C182 N555AB"}},
    {"private: similar prefix", "PVT", "", "C182", false, "OE-ABC", 2, MatchStep::AirlineModel,
     "Private C182 D-EFGH", {"Private C182 D-EFGH"}},
    {"private: no prefix takes any", "PVT", "", "C182", false, "F-GABC", 2, MatchStep::AirlineModel,
     "Private C182 D-EFGH", {"Private C182 D-EFGH", "Private C182 N555AB"}},
    {"model of any airline by prefix", "XYZ", "", "C182", false, "N777AB", 4, MatchStep::ModelOnly,
     "Private C182 N555AB", {"Private C182 N555AB"}},
    {"model of any airline, no prefix match", "XYZ", "", "C182", false, "F-GABC", 4, MatchStep::ModelOnly,
     "Private C182 D-EFGH", {"Private C182 D-EFGH", "Private C182 N555AB"}},
    {"alternative model of the group", "XYZ", "", "C152", false, "D-EXXX", 4, MatchStep::AlternativeModel,
     "Private C172 D-EABC", {"Private C172 D-EABC", "Private C182 D-EFGH"}},
    {"random model of the category", "XYZ", "", "PA28", false, "D-EXXX", 4, MatchStep::AlternativeModel,
     "Private C172 D-EABC", {"Private C172 D-EABC", "Private C182 D-EFGH"}},
    {"rotorcraft alternative", "XYZ", "", "R44", false, "D-HABC", 4, MatchStep::AlternativeModel,
     "Rotor EC35 D-HXYZ", {"Rotor EC35 D-HXYZ"}},
    {"light aircraft without registration", "XYZ", "", "C182", false, "", 5, std::nullopt, "", {}},
    {"heavy aircraft without any livery", "DLH", "", "B77W", false, "", 5, std::nullopt, "", {}},
    {"large aircraft has no model fallback", "XYZ", "", "A300", false, "D-ABCD", 5, std::nullopt, "", {}},
    {"large aircraft takes no other airline's livery", "XYZ", "", "A320", false, "D-ABCD", 5, std::nullopt, "", {}},
};

FlightRecord lf_record(const MatchCase& c)
{
    FlightRecord record = LiveryWorld::flight(c.airline, c.secondAirline, c.model, c.cargo, c.registration);
    if (c.category) {
        record.category = *c.category;
    }
    return record;
}

void lf_expectMatch(const MatchCase& c, int depth, const FlightRecord& record,
                    const std::array<int32_t, matchStepCount>& before, bool random)
{
    const std::string where = fmt::format("{} at depth {}, RANDOM {}", c.name, depth, random ? "on" : "off");
    auto expectedCounts = before;
    if (depth < c.minDepth) {
        EXPECT_TRUE(record.title.empty()) << where << ": " << record.title;
    } else {
        if (random) {
            EXPECT_TRUE(c.allowed.contains(std::string(record.title))) << where << ": " << record.title;
        } else {
            EXPECT_EQ(record.title, c.first) << where;
        }
        ++expectedCounts[static_cast<std::size_t>(*c.step)];
    }
    EXPECT_EQ(gf_matchStepCounts(), expectedCounts) << where;
}


// A stand as far as the static matching reads it: its id and cargo flag.
StandRecord lf_stand(const char* id, bool cargo)
{
    return StandRecord::fromFile(id, {}, 52.0, 4.0, 0.0, 40.0, 0, cargo, false, false);
}

TEST_F(LiveryMatchingTest, EveryStepAtEveryDepthWithRandomOff)
{
    for (const MatchCase& c : matchCases) {
        refuse(c.refused);
        for (int depth = 1; depth <= 4; ++depth) {
            settings::matchingDepth.set(depth);
            // Equal records give the same title again and again.
            for (int repeat = 0; repeat < 3; ++repeat) {
                FlightRecord record = lf_record(c);
                const auto before = gf_matchStepCounts();
                gf_matchLivery(record);
                lf_expectMatch(c, depth, record, before, false);
            }
        }
    }
}

TEST_F(LiveryMatchingTest, EveryStepAtEveryDepthWithRandomOn)
{
    for (const MatchCase& c : matchCases) {
        refuse(c.refused);
        for (int depth = 1; depth <= 4; ++depth) {
            settings::matchingDepth.set(depth);
            std::set<std::string> seen;
            for (uint32_t seed = 1; seed <= 40; ++seed) {
                LiveryWorld::randomOn(seed);
                FlightRecord record = lf_record(c);
                const auto before = gf_matchStepCounts();
                gf_matchLivery(record);
                lf_expectMatch(c, depth, record, before, true);
                seen.emplace(record.title);
            }
            if (depth >= c.minDepth) {
                // Every candidate turns up with enough draws: the choice is really random.
                EXPECT_EQ(seen, c.allowed) << c.name << " at depth " << depth;
            }
        }
    }
}

TEST_F(LiveryMatchingTest, CombinedAndGenericCodesAreNeverAdded)
{
    FlightRecord record = LiveryWorld::flight("XYZ", "QQQ", "B789", false, "N12345");
    const std::size_t airlines = gf_airlineCodes().size();
    gf_matchLivery(record);
    FlightRecord pair = LiveryWorld::flight("XYZ", "CFE", "BCS3", false, "");
    gf_matchLivery(pair);
    EXPECT_EQ(gf_airlineCodes().size(), airlines);
    EXPECT_FALSE(gf_findAirlineIndex("XYZQQQ"));
    EXPECT_FALSE(gf_findAirlineIndex("ZZZQQQ"));
}

TEST_F(LiveryMatchingTest, AcceptedMatchIsLoggedAndMarksFsltlLiveries)
{
    FlightRecord record = LiveryWorld::flight("FSL", "", "A321", false, "");
    record.fsltlLivery = false;
    gf_matchLivery(record);
    EXPECT_EQ(record.title, "FSLTL_A321_FSL");
    EXPECT_TRUE(record.fsltlLivery);
    EXPECT_THAT(world.logText(), HasSubstr(fmt::format("          {} =2= FSLTL_A321_FSL", gf_describeAc(record))));

    FlightRecord other = LiveryWorld::flight("DLH", "", "A321", false, "D-AIDA");
    other.fsltlLivery = true;
    gf_matchLivery(other);
    EXPECT_FALSE(other.fsltlLivery);
}

TEST_F(LiveryMatchingTest, LiveMatchReplacesAnEarlierTitle)
{
    FlightRecord record = LiveryWorld::flight("UAL", "", "B789", false, "");
    record.title = "KLM B737";
    gf_matchLivery(record);
    EXPECT_TRUE(record.title.empty());
}

struct StaticCase {
    const char* name;
    const char* airline;
    const char* model;
    bool recordCargo;
    bool standCargo;
    const char* registration;
    int depth;
    std::string expected; // empty: no match
    const char* logged;
};

TEST_F(LiveryMatchingTest, StaticAircraft)
{
    const StaticCase cases[] = {
        {"registration", "DLH", "A320", false, false, "D-AIRE", 1, "Lufthansa A320 Anniversary", "=0= "},
        {"unknown registration at depth 1", "DLH", "A320", false, false, "D-AXXX", 1, "", nullptr},
        {"private, pax stand", "PVT", "C172", false, false, "N999ZZ", 2, "Generic C172", "=4= "},
        {"private, cargo stand", "PVT", "C172", false, true, "N999ZZ", 2, "Generic C172 Cargo", "=4= "},
        {"private, cargo record at a pax stand", "PVT", "C172", true, false, "N999ZZ", 2, "Generic C172", "=4= "},
        {"airline and model uses the record's cargo flag", "DLH", "B77W", false, true, "", 2, "", nullptr},
        {"generic at a cargo stand", "UAL", "A319", false, true, "", 4, "Generic A319 Freighter", "=4= "},
        {"generic at a pax stand", "UAL", "A319", false, false, "", 4, "Generic A319", "=4= "},
        {"similar model", "KLM", "B739", false, false, "", 3, "KLM B737", "=3= "},
        {"model of any airline", "XYZ", "C182", false, false, "N777AB", 4, "Private C182 N555AB", "=5= "},
    };
    const StandRecord cargoStand = lf_stand("C12", true);
    const StandRecord paxStand = lf_stand("A7", false);
    for (const StaticCase& c : cases) {
        settings::matchingDepth.set(c.depth);
        FlightRecord record = LiveryWorld::flight(c.airline, "", c.model, c.recordCargo, c.registration);
        const StandRecord& stand = c.standCargo ? cargoStand : paxStand;
        EXPECT_EQ(gf_matchStaticLivery(record, stand), !c.expected.empty()) << c.name;
        EXPECT_EQ(record.title, c.expected) << c.name;
        const std::string log = world.logText();
        if (c.expected.empty()) {
            EXPECT_THAT(log, HasSubstr(fmt::format("{:8}: {} no livery match ...", stand.id,
                                                   gf_describeAcWithReg(record))))
                << c.name;
        } else {
            EXPECT_THAT(log, HasSubstr(fmt::format("          {} {}{}", gf_describeAc(record), c.logged, c.expected)))
                << c.name;
        }
    }
    // Static aircraft are not counted.
    EXPECT_EQ(gf_matchStepCounts(), (std::array<int32_t, matchStepCount>{}));
}

TEST_F(LiveryMatchingTest, StaticAircraftKeepsItsTitle)
{
    settings::matchingDepth.set(1);
    FlightRecord record = LiveryWorld::flight("UAL", "", "B789", false, "");
    record.title = "KLM B737";
    EXPECT_TRUE(gf_matchStaticLivery(record, lf_stand("B1", false)));
    EXPECT_EQ(record.title, "KLM B737");
    EXPECT_THAT(world.logText(), HasSubstr(fmt::format("          {} =s= KLM B737", gf_describeAc(record))));
}

TEST_F(LiveryMatchingTest, StaticRefusedRegistrationFallsThrough)
{
    refuse({"Lufthansa A320 Anniversary"});
    settings::matchingDepth.set(2);
    FlightRecord record = LiveryWorld::flight("DLH", "", "A320", false, "D-AIRE");
    EXPECT_TRUE(gf_matchStaticLivery(record, lf_stand("B1", false)));
    EXPECT_EQ(record.title, "Lufthansa A320 D-AIZA");
}

TEST_F(LiveryMatchingTest, PrefixSearchesFollowARebuild)
{
    world.build({{"PVT", "", "C182", false, "Private C182 C-GABC", "C-GABC"},
                 {"PVT", "", "C182", false, "Private C182 N999ZZ", "N999ZZ"}});
    for (const int depth : {2, 4}) {
        settings::matchingDepth.set(depth);
        FlightRecord privateAircraft = LiveryWorld::flight("PVT", "", "C182", false, "N12345");
        gf_matchLivery(privateAircraft);
        EXPECT_EQ(privateAircraft.title, "Private C182 N999ZZ") << depth;
    }
    FlightRecord anyAirline = LiveryWorld::flight("XYZ", "", "C182", false, "N777AB");
    gf_matchLivery(anyAirline);
    EXPECT_EQ(anyAirline.title, "Private C182 N999ZZ");
}

TEST_F(LiveryMatchingTest, PrefixesLongerThanAHeadWordAreComparedWhole)
{
    world.build({{"PVT", "", "C182", false, "Private C182 A", "ABCDEFGHIJ-1"},
                 {"PVT", "", "C182", false, "Private C182 B", "ABCDEFGHZZ-1"},
                 {"PVT", "", "C182", false, "Private C182 C", "ABCDEFGH"}});
    settings::matchingDepth.set(2);
    const std::pair<const char*, const char*> cases[] = {
        {"ABCDEFGHIJ-9", "Private C182 A"},
        {"ABCDEFGHZZ-9", "Private C182 B"},
        {"ABCDEFGH-9", "Private C182 A"}, // no title has "ABCDEFGH-": the first of the list
    };
    for (const auto& [registration, title] : cases) {
        FlightRecord record = LiveryWorld::flight("PVT", "", "C182", false, registration);
        gf_matchLivery(record);
        EXPECT_EQ(record.title, title) << registration;
    }
}

TEST(LiveryMatchingWithoutGenericCode, AnEmptyAirlineIsNoGenericLivery)
{
    LiveryWorld world;
    world.build({{"", "", "A320", false, "Nameless A320", ""}, {"KLM", "", "B738", false, "KLM B738", ""}});
    ASSERT_FALSE(gf_findAirlineIndex("ZZZ"));
    settings::matchingDepth.set(4);
    for (const char* airline : {"UAL", "PVT"}) {
        FlightRecord record = LiveryWorld::flight(airline, "", "A320", false, "N12345");
        gf_matchLivery(record);
        EXPECT_TRUE(record.title.empty()) << airline << ": " << record.title;
        EXPECT_FALSE(gf_matchStaticLivery(record, lf_stand("B1", false))) << airline;
    }
    FlightRecord klm = LiveryWorld::flight("KLM", "", "B738", false, "");
    gf_matchLivery(klm);
    EXPECT_EQ(klm.title, "KLM B738");
}

TEST(RegistrationPrefix, Rules)
{
    EXPECT_EQ(gf_registrationPrefix("D-ABCD"), "D-");
    EXPECT_EQ(gf_registrationPrefix("9H-ABC"), "9H-");
    EXPECT_EQ(gf_registrationPrefix("N12345"), "N");
    EXPECT_EQ(gf_registrationPrefix("-ABC"), "-");
    EXPECT_EQ(gf_registrationPrefix("X"), "X");
    EXPECT_EQ(gf_registrationPrefix(""), "");
}

TEST(AirlineNameKeyword, TableAndDefault)
{
    EXPECT_EQ(gf_airlineNameKeyword("BAW"), "British");
    EXPECT_EQ(gf_airlineNameKeyword("CFE"), "Cityflyer");
    EXPECT_EQ(gf_airlineNameKeyword("SKW"), "SkyWest");
    EXPECT_EQ(gf_airlineNameKeyword("WJA"), "WestJet");
    EXPECT_EQ(gf_airlineNameKeyword("AAL"), "American");
    EXPECT_EQ(gf_airlineNameKeyword("SWA"), "Southwest");
    EXPECT_EQ(gf_airlineNameKeyword("LRC"), "Avianca");
    for (const char* other : {"XYZ", "", "AA", "AALX", "BAX", "ZZZ", "aal"}) {
        EXPECT_EQ(gf_airlineNameKeyword(other), "not found") << other;
    }
}

TEST_F(LiveryMatchingTest, SummaryWritesNothingWhileEveryCountIsZero)
{
    gf_notCreatedLiveries().add("A320 DLH", "Lufthansa A320 Star");
    gf_logMatchingSummary();
    EXPECT_THAT(world.logText(), Not(HasSubstr("matching summary")));
}

TEST_F(LiveryMatchingTest, SummaryLines)
{
    FlightRecord registration = LiveryWorld::flight("DLH", "", "A321", false, "D-AIDA");
    gf_matchLivery(registration);
    FlightRecord generic = LiveryWorld::flight("UAL", "", "A319", false, "");
    gf_matchLivery(generic);
    gf_matchLivery(generic);
    gf_notCreatedLiveries().add("A320 DLH", "Lufthansa A320 Star");
    gf_logMatchingSummary();
    const std::string stars(31, '*');
    const std::string expected = "\n" + stars + " live traffic livery matching summary " + stars +
                                 "\nMatches at step: \n  0: 0\n  1: 1\n  2: 0\n  3: 0\n  4: 2\n  5: 0\n  6: 0\n"
                                 "\nCould not be created\n  A320 DLH\n" +
                                 std::string(100, '*') + "\n\n";
    EXPECT_THAT(world.logText(), HasSubstr(expected));
}

} // namespace
} // namespace hlw
