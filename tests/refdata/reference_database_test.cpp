#include "refdata/reference_database.h"

#include "core/user_error.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "support/dbase_fixture.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>

#include <random>
#include <sstream>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::DbaseFolder;
using test::DbaseText;
using test::elements;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const ReferenceTables& tables()
{
    return gf_referenceTables();
}

std::string registrations()
{
    std::vector<std::string> texts;
    for (const DbaseRecord& record : tables().records) {
        texts.push_back(record.registration + "/" + gf_airlineText(record.codes.airline));
    }
    return fmt::format("{}", fmt::join(texts, " "));
}

// Read once per run: a restart of the worker neither re-seeds the code tables nor repeats the fix alerts. Only
// a read that failed is repeated.
TEST(ReferenceDatabase, ReadsEverySectionOnceSeedsTheCodeTablesInOrderAndRemovesThePlainCopy)
{
    DbaseFolder folder;
    folder.seal("not XML");
    EXPECT_FALSE(gf_readDbase());
    ASSERT_TRUE(folder.read(DbaseText().text()));
    EXPECT_FALSE(fs::exists(folder.plainPath()));
    EXPECT_THAT(tables().simAddons2024, ElementsAre("EDDM", "KJFK", "LFPG"));
    const std::string log = folder.logText();
    for (const char* line : {"\n   24 ICAO model codes\n", "\n    2 prefixes\n", "\n   16 ICAO airline codes\n",
                             "\n    4 cargo operators\n", "\n    2 publishers\n", "\n    2 fixes\n",
                             "\n3 simaddons24\n", "\n    9 dbase records read\n"}) {
        EXPECT_THAT(log, HasSubstr(line));
    }
    // The empty code first, the valid codes in byte order, then new cargo codes; record codes only when new.
    EXPECT_EQ(fmt::format("{} {} {} {} {}", gf_modelIndex(""), gf_modelIndex("A20N"), gf_modelIndex("TBM9"),
                          gf_modelIndex("B77F"), gf_modelCodes().size()),
              "0 1 24 25 26");
    EXPECT_EQ(fmt::format("{} {} {} {} {}", gf_airlineIndex(""), gf_airlineIndex("AAL"), gf_airlineIndex("ZZZ"),
                          gf_airlineIndex("GEC"), gf_airlineCodes().size()),
              "0 1 16 17 18");
    EXPECT_TRUE(gf_isKnownModel("B744") && !gf_isKnownModel("B77F"));
    EXPECT_TRUE(gf_isKnownAirline("PVT") && !gf_isKnownAirline("GEC"));

    folder.seal(DbaseText().set("dbase", "<d r=\"X-AAAA\" a=\"NEW\" m=\"NEWM\"/>").text());
    EXPECT_TRUE(gf_readDbase());
    EXPECT_EQ(folder.logText(), log);
    EXPECT_EQ(tables().records.size(), 9U);
    EXPECT_EQ(gf_modelCodes().size(), 26U);
}

// A missing root, a missing required section or one without any code stops the read with error 61.
TEST(ReferenceDatabase, IncompleteDatabaseStopsWithError61)
{
    const auto errorOf = [](const DbaseFolder& folder, const std::string& xml) -> std::string {
        try {
            folder.read(xml);
        } catch (const UserErrorException& error) {
            EXPECT_EQ(error.code(), 61);
            EXPECT_FALSE(fs::exists(folder.plainPath()));
            EXPECT_TRUE(tables().validModels.empty());
            return error.what();
        }
        return "no error";
    };
    DbaseFolder folder;
    EXPECT_EQ(errorOf(folder, "<base><aircrafts/></base>"), "61: XML root missing: root");
    for (const char* row :
         {"aircrafts aircraft types", "cargo_types cargo_type types", "heavy hvy types", "large lar types",
          "buzjet bzj types", "high_performance hpf types", "rotorcraft rot types", "ICAO_airlines ICAO codes",
          "cargo_operators ICAO codes", "simaddons20 simaddon20 arpts", "simaddons24 simaddon24 arpts"}) {
        std::istringstream fields(row);
        std::string section, element, attribute;
        fields >> section >> element >> attribute;
        EXPECT_EQ(errorOf(folder, DbaseText().remove(section).text()), fmt::format("61: Missing section: {}", section));
        const std::string empty = fmt::format("61: In XML file section [{}], element [{}], attribute [{}] is empty.",
                                              section, element, attribute);
        EXPECT_EQ(errorOf(folder, DbaseText().set(section, elements(element, attribute, {",,", " , ", ""})).text()),
                  empty);
        EXPECT_EQ(errorOf(folder, DbaseText().set(section, "<other/>").text()), empty);
    }
    // The optional sections may all be missing.
    const std::size_t logged = folder.logText().size();
    DbaseText text;
    for (const char* optional : {"similar_types", "prefixes", "publishers", "wingspans", "fixes", "thirdparties20",
                                 "thirdparties24", "dbase"}) {
        text.remove(optional);
    }
    ASSERT_TRUE(folder.read(text.text()));
    EXPECT_TRUE(tables().similarPrefixes.empty() && tables().publisherGroups.empty() && tables().records.empty());
    EXPECT_EQ(tables().maxHalfWingspanNm, 0.0);
    EXPECT_THAT(folder.logText().substr(logged), Not(HasSubstr(" fixes\n")));
}

TEST(ReferenceDatabase, UnreadableFilesLeaveNoPlainCopy)
{
    DbaseFolder folder;
    EXPECT_THAT([] { gf_readDbase(); }, ::testing::ThrowsMessage<std::runtime_error>("input/dbase.enc not available"));
    for (const std::string plain : {"", "<root><aircrafts>"}) {
        EXPECT_FALSE(folder.read(plain));
        EXPECT_FALSE(fs::exists(folder.plainPath()));
        EXPECT_TRUE(tables().validModels.empty());
    }
    EXPECT_THAT(folder.logText(), HasSubstr("==> 'input/dbase.xml' not read because of "));
    folder.seal(DbaseText().text());
    const std::string sealed = test::readWholeFile(folder.sealedPath());
    for (const std::string& damaged :
         {sealed.substr(0, 10), sealed.substr(0, sealed.size() - 5), std::string(sealed).replace(100, 3, "xyz")}) {
        test::writeWholeFile(folder.sealedPath(), damaged);
        EXPECT_THAT([] { gf_readDbase(); },
                    ::testing::ThrowsMessage<std::runtime_error>("input/dbase.enc stream decrypt failed"));
        EXPECT_FALSE(fs::exists(folder.plainPath()));
    }
}

// Pieces are trimmed and empty ones dropped (an empty name would occur in every text), groups sorted and unique.
TEST(ReferenceDatabase, ListsAndGroupsAreTrimmedAndWithoutEmptyPieces)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(
        DbaseText()
            .set("aircrafts", elements("aircraft", "types", {"A320,,B738", " C172 , ", "A321,A20N,B38M"}))
            .set("similar_types", elements("similar", "types", {"A321, A320,A321", ",", "B38M,B738"}))
            .set("publishers",
                 elements("pub", "names",
                          {"Zeta Works,ZW", "Alpha,,AL,", " ", ",Nameless", "Zeta Works,ZW", "Mid , M "}) +
                     "<pub/>")
            .set("thirdparties20", "<thirdpartie20 pub=\"P\" arpts=\"EHAM, ,EDDF,\"/><thirdpartie20 pub=\"Q\"/>")
            .remove("thirdparties24")
            .text()));
    EXPECT_THAT(tables().validModels, ElementsAre("A20N", "A320", "A321", "B38M", "B738", "C172"));
    EXPECT_TRUE(gf_isKnownModel("C172"));
    EXPECT_THAT(tables().similarModelGroups, ElementsAre(ElementsAre("A320", "A321"), ElementsAre("B38M", "B738")));
    EXPECT_THAT(tables().publisherGroups,
                ElementsAre(ElementsAre("Alpha", "AL"), ElementsAre("Mid", "M"), ElementsAre("Zeta Works", "ZW")));
    EXPECT_THAT(folder.logText(), HasSubstr("==> publisher without a name ',Nameless', skipped"));
    EXPECT_THAT(folder.logText(), HasSubstr("\n    3 publishers\n"));
    ASSERT_EQ(tables().thirdParties2020.size(), 2U);
    EXPECT_EQ(tables().thirdParties2020[0].publisher, "P");
    EXPECT_THAT(tables().thirdParties2020[0].airports, ElementsAre("EHAM", "EDDF"));
    EXPECT_TRUE(tables().thirdParties2020[1].airports.empty() && tables().thirdParties2024.empty());
}

// Repeated alerts of one kind are capped at ten.
TEST(ReferenceDatabase, WingspansKeepTheFirstValidValueOfEachModel)
{
    std::string capped;
    for (int model = 0; model < 25; ++model) {
        capped += fmt::format("<wingspan type=\"Q{:03}\" meters=\"30\"/>", model);
    }
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(
        DbaseText()
            .set("wingspans", "<wingspan type=\"A320\" meters=\"36\"/><wingspan type=\"A320\" meters=\"50\"/>"
                              "<wingspan type=\"ZZZZ\" meters=\"30\"/><wingspan meters=\"30\"/>"
                              "<wingspan type=\"B744\" meters=\"nan\"/><wingspan type=\"B748\" meters=\"-3\"/>"
                              "<wingspan type=\"B77W\" meters=\"200.05\"/><wingspan type=\"E190\" meters=\"200\"/>"
                              "<wingspan type=\"C172\"/>" +
                                  capped)
            .text()));
    EXPECT_DOUBLE_EQ(gf_halfWingspanNm(gf_modelIndex("A320")), 18.0 / 1852.0);
    EXPECT_DOUBLE_EQ(gf_halfWingspanNm(gf_modelIndex("E190")), 100.0 / 1852.0);
    EXPECT_DOUBLE_EQ(gf_maxHalfWingspanNm(), 100.0 / 1852.0);
    EXPECT_EQ(tables().halfWingspans.at("C172"), 0.0);
    EXPECT_EQ(tables().halfWingspans.size(), 3U);
    const std::string log = folder.logText();
    for (const char* line : {"==> wingspan model ZZZZ is not valid, skipped", "==> wingspan model  is not valid",
                             "==> wingspan nan of model B744 is out of range, skipped", "==> wingspan -3 of model B748",
                             "==> wingspan 200.05 of model B77W", "==> wingspan model Q007 is not valid, skipped\n",
                             "==> 17 more 'wingspan model not valid' alerts for the reference database not logged\n"}) {
        EXPECT_THAT(log, HasSubstr(line));
    }
    EXPECT_THAT(log, Not(HasSubstr("Q008")));
}

TEST(ReferenceDatabase, FixesNeedAValidCorrectionAndKeepTheFirstEntry)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText()
                                .set("fixes", "<fx wro=\"A32N\" cor=\"A20N\"/><fx wro=\"A32N\" cor=\"A321\"/>"
                                              "<fx wro=\"XXXX\" cor=\"YYYY\"/><fx wro=\"WWWW\"/>"
                                              "<fx wro=\"A321\" cor=\"A320\"/>")
                                .text()));
    EXPECT_EQ(gf_findModelFix("A32N"), "A20N");
    EXPECT_EQ(gf_findModelFix("XXXX"), std::nullopt);
    // The record of NABCD names A32N: it carries the corrected code, and A32N never enters the table.
    EXPECT_EQ(gf_findDbaseRecord("NABCD")->model, gf_modelIndex("A20N"));
    EXPECT_EQ(gf_findModelIndex("A32N"), gf_modelIndex("A20N"));
    // A valid code named as wrong was interned before the fixes applied and keeps its own index.
    EXPECT_EQ(gf_modelText(gf_modelIndex("A321")), "A321");
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("==> wrong part of fix: 'A32N', already exists, skipped"));
    EXPECT_THAT(log, HasSubstr("==> wrong fix XXXX -> YYYY, the latter is not valid"));
    EXPECT_THAT(log, HasSubstr("==> wrong fix WWWW -> , the latter is not valid"));
    EXPECT_THAT(log, HasSubstr("\n    2 fixes\n"));
}

// Sorted and unique by registration, the first in file order kept; one without registration is skipped.
TEST(ReferenceDatabase, RecordsAreSortedUniqueAndNeverWithoutRegistration)
{
    DbaseFolder folder;
    // Registrations of mixed lengths and repeats, many alike in their first 8 bytes.
    std::mt19937 random(11);
    std::vector<std::pair<std::string, std::string>> expected;
    std::string records = "<d a=\"KLM\"/><d r=\"  \" a=\"KLM\"/>";
    for (int i = 0; i < 3000; ++i) {
        std::string registration;
        for (std::size_t j = 0, length = 1 + random() % 11; j < length; ++j) {
            registration += "-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[random() % (j < 7 ? 2 : 37)];
        }
        expected.emplace_back(registration, i % 2 == 0 ? "DLH" : "KLM");
        records += fmt::format("<d r=\"{}\" a=\"{}\"/>", registration, expected.back().second);
    }
    std::ranges::stable_sort(expected, {}, &std::pair<std::string, std::string>::first);
    const auto [repeated, end] = std::ranges::unique(expected, {}, &std::pair<std::string, std::string>::first);
    const auto dropped = std::distance(repeated, end);
    expected.erase(repeated, end);
    ASSERT_TRUE(folder.read(DbaseText().set("dbase", records).text()));
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("\n    2 dbase records without registration skipped\n"));
    EXPECT_THAT(log, HasSubstr(fmt::format("\n{:5} duplicate dbase records dropped\n", dropped)));
    EXPECT_THAT(log, HasSubstr(fmt::format("\n{:5} dbase records read\n", expected.size())));
    std::vector<std::string> texts;
    for (const auto& [registration, airline] : expected) {
        texts.push_back(registration + "/" + airline);
    }
    EXPECT_EQ(registrations(), fmt::format("{}", fmt::join(texts, " ")));

    // Missing attributes read as the empty code.
    ASSERT_TRUE(
        folder.read(DbaseText()
                        .set("dbase", "<d r=\"R1\" a=\"DLH\" o=\"CFE\" m=\"A320\" c=\"1\"/><d r=\"R2\" m=\"A320\"/>"
                                      "<d r=\"R3\" a=\"DLH\" c=\"yes\"/><d r=\"R4\" c=\"0\" x=\"1\"/>")
                        .text()));
    const uint16_t dlh = gf_airlineIndex("DLH");
    const uint16_t a320 = gf_modelIndex("A320");
    EXPECT_EQ(gf_findDbaseRecord("R1"), (RegistrationCodes{dlh, gf_airlineIndex("CFE"), a320, 1, 1}));
    EXPECT_EQ(gf_findDbaseRecord("R2"), (RegistrationCodes{0, 0, a320, 0, 1}));
    EXPECT_EQ(gf_findDbaseRecord("R3"), (RegistrationCodes{dlh, 0, 0, 1, 1}));
    EXPECT_EQ(gf_findDbaseRecord("R4"), (RegistrationCodes{0, 0, 0, 0, 1}));
}

} // namespace
} // namespace hlw
