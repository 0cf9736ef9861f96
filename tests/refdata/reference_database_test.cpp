#include "refdata/reference_database.h"

#include "core/random_choice.h"
#include "core/user_error.h"
#include "dbase_fixture.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "seal_stream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

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

// The error the read stops with; fails the test when it does not throw one with code 61.
std::string formatErrorOf(const DbaseFolder& folder, const std::string& xml)
{
    try {
        folder.read(xml);
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), 61);
        return error.what();
    }
    ADD_FAILURE() << "no error 61";
    return {};
}

std::vector<std::string> registrations()
{
    std::vector<std::string> texts;
    for (const DbaseRecord& record : tables().records) {
        texts.push_back(record.registration);
    }
    return texts;
}

TEST(ReferenceDatabase, ReadsACompleteDatabaseAndRemovesThePlainCopy)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText().text()));
    EXPECT_FALSE(fs::exists(folder.plainPath()));
    EXPECT_EQ(tables().validModels.size(), 24U);
    EXPECT_EQ(tables().validAirlines.size(), 16U);
    EXPECT_EQ(tables().similarModelGroups.size(), 4U);
    EXPECT_THAT(tables().simAddons2024, ElementsAre("EDDM", "KJFK", "LFPG"));
    EXPECT_EQ(tables().thirdParties2020.size(), 2U);
    EXPECT_EQ(tables().records.size(), 9U);
    const std::string log = folder.logText();
    for (const char* line : {"\n   24 ICAO model codes\n", "\n    2 prefixes\n", "\n   16 ICAO airline codes\n",
                             "\n    4 cargo operators\n", "\n    2 publishers\n", "\n    2 fixes\n",
                             "\n3 simaddons24\n", "\n    9 dbase records read\n"}) {
        EXPECT_THAT(log, HasSubstr(line));
    }
}

// A restart of the worker reads nothing again: no second seeding of the code tables, no second fix alerts.
// Only a read that failed is repeated.
TEST(ReferenceDatabase, IsReadOncePerRunAfterItSucceeded)
{
    DbaseFolder folder;
    folder.sealDbase("not XML");
    EXPECT_FALSE(gf_readDbase());
    folder.sealDbase(DbaseText().text());
    ASSERT_TRUE(gf_readDbase());
    const std::string firstLog = folder.logText();
    const std::size_t models = gf_modelCodes().size();
    folder.sealDbase(DbaseText().set("dbase", "<d r=\"X-AAAA\" a=\"NEW\" m=\"NEWM\"/>").text());
    EXPECT_TRUE(gf_readDbase());
    EXPECT_EQ(folder.logText(), firstLog);
    EXPECT_EQ(tables().records.size(), 9U);
    EXPECT_EQ(gf_modelCodes().size(), models);
    EXPECT_FALSE(fs::exists(folder.plainPath()));
}

// Empty code first, the valid codes in byte order, then new cargo codes; record codes only when still new.
TEST(ReferenceDatabase, SeedsTheCodeTablesInTheirFixedOrder)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText().text()));
    EXPECT_EQ(gf_modelIndex(""), 0);
    EXPECT_EQ(gf_modelIndex("A20N"), 1);
    EXPECT_EQ(gf_modelIndex("TBM9"), 24);
    EXPECT_EQ(gf_modelIndex("B77F"), 25);
    EXPECT_EQ(gf_modelCodes().size(), 26U);
    EXPECT_EQ(gf_airlineIndex(""), 0);
    EXPECT_EQ(gf_airlineIndex("AAL"), 1);
    EXPECT_EQ(gf_airlineIndex("ZZZ"), 16);
    EXPECT_EQ(gf_airlineIndex("GEC"), 17);
    EXPECT_EQ(gf_airlineCodes().size(), 18U);
    EXPECT_TRUE(gf_isKnownModel("B744"));
    EXPECT_FALSE(gf_isKnownModel("B77F"));
    EXPECT_TRUE(gf_isKnownAirline("PVT"));
    EXPECT_FALSE(gf_isKnownAirline("GEC"));
}

struct RequiredSection {
    const char* section;
    const char* element;
    const char* attribute;
};

const RequiredSection requiredSections[] = {
    {"aircrafts", "aircraft", "types"},
    {"cargo_types", "cargo_type", "types"},
    {"heavy", "hvy", "types"},
    {"large", "lar", "types"},
    {"buzjet", "bzj", "types"},
    {"high_performance", "hpf", "types"},
    {"rotorcraft", "rot", "types"},
    {"ICAO_airlines", "ICAO", "codes"},
    {"cargo_operators", "ICAO", "codes"},
    {"simaddons20", "simaddon20", "arpts"},
    {"simaddons24", "simaddon24", "arpts"},
};

TEST(ReferenceDatabase, MissingRequiredSectionStopsWithError61)
{
    for (const RequiredSection& required : requiredSections) {
        SCOPED_TRACE(required.section);
        DbaseFolder folder;
        EXPECT_EQ(formatErrorOf(folder, DbaseText().remove(required.section).text()),
                  fmt::format("61: Missing section: {}", required.section));
        EXPECT_FALSE(fs::exists(folder.plainPath()));
        EXPECT_TRUE(tables().records.empty()) << "tables of a failed read were installed";
    }
}

// Elements whose lists hold only commas and blanks, or no element at all: no code, error 61.
TEST(ReferenceDatabase, RequiredSectionWithoutAnyCodeStopsWithError61)
{
    for (const RequiredSection& required : requiredSections) {
        for (const std::string& body :
             {elements(required.element, required.attribute, {",,", " , ", ""}), std::string("<other/>")}) {
            SCOPED_TRACE(fmt::format("{}: {}", required.section, body));
            DbaseFolder folder;
            EXPECT_EQ(formatErrorOf(folder, DbaseText().set(required.section, body).text()),
                      fmt::format("61: In XML file section [{}], element [{}], attribute [{}] is empty.",
                                  required.section, required.element, required.attribute));
            EXPECT_FALSE(fs::exists(folder.plainPath()));
        }
    }
}

TEST(ReferenceDatabase, OptionalSectionsMayAllBeMissing)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText().requiredOnly().text()));
    EXPECT_TRUE(tables().similarModelGroups.empty());
    EXPECT_TRUE(tables().prefixGroups.empty());
    EXPECT_TRUE(tables().similarPrefixes.empty());
    EXPECT_TRUE(tables().publisherGroups.empty());
    EXPECT_TRUE(tables().halfWingspans.empty());
    EXPECT_EQ(tables().maxHalfWingspanNm, 0.0);
    EXPECT_TRUE(gf_modelCodes().fixes().empty());
    EXPECT_TRUE(tables().thirdParties2020.empty());
    EXPECT_TRUE(tables().thirdParties2024.empty());
    EXPECT_TRUE(tables().records.empty());
    const std::string log = folder.logText();
    EXPECT_THAT(log, Not(HasSubstr(" fixes\n")));
    EXPECT_THAT(log, HasSubstr("\n    0 prefixes\n"));
    EXPECT_THAT(log, HasSubstr("\n    0 dbase records read\n"));
}

// Plain texts that are no XML document: false, the alert, and no plain copy left behind.
TEST(ReferenceDatabase, PlainTextThatIsNotXmlIsNotRead)
{
    for (const std::string plain : {"this is not xml", "", "<root><aircrafts>", "<root></wrong>"}) {
        SCOPED_TRACE(plain);
        DbaseFolder folder;
        EXPECT_FALSE(folder.read(plain));
        EXPECT_FALSE(fs::exists(folder.plainPath()));
        EXPECT_THAT(folder.logText(), HasSubstr(fmt::format("==> '{}' not read because of ", "input/dbase.xml")));
        EXPECT_TRUE(tables().validModels.empty());
    }
}

TEST(ReferenceDatabase, DocumentWithoutRootStopsWithError61)
{
    DbaseFolder folder;
    EXPECT_EQ(formatErrorOf(folder, "<base><aircrafts/></base>"), "61: XML root missing: root");
    EXPECT_FALSE(fs::exists(folder.plainPath()));
}

TEST(ReferenceDatabase, MissingSealedFileIsNotAvailable)
{
    DbaseFolder folder;
    EXPECT_THAT([] { gf_readDbase(); }, ::testing::ThrowsMessage<std::runtime_error>("input/dbase.enc not available"));
}

TEST(ReferenceDatabase, DamagedSealedFileFailsToDecryptWithoutLeavingAPlainCopy)
{
    DbaseFolder folder;
    std::string sealed;
    {
        folder.sealDbase(DbaseText().text());
        sealed = test::readWholeFile(folder.sealedPath());
    }
    for (const std::string& damaged :
         {sealed.substr(0, 10), sealed.substr(0, sealed.size() - 5), std::string(sealed).replace(100, 3, "xyz")}) {
        test::writeWholeFile(folder.sealedPath(), damaged);
        EXPECT_THAT([] { gf_readDbase(); },
                    ::testing::ThrowsMessage<std::runtime_error>("input/dbase.enc stream decrypt failed"));
        EXPECT_FALSE(fs::exists(folder.plainPath()));
    }
}

// Pieces are trimmed and empty ones dropped: a blank after a comma must not make a valid code unknown.
TEST(ReferenceDatabase, CodeListsKeepEveryNonEmptyTrimmedPiece)
{
    DbaseFolder folder;
    ASSERT_TRUE(
        folder.read(DbaseText().set("aircrafts", elements("aircraft", "types", {"A320,,B738", " C172 , "})).text()));
    EXPECT_THAT(tables().validModels, ElementsAre("A320", "B738", "C172"));
    EXPECT_TRUE(gf_isKnownModel("C172"));
}

TEST(ReferenceDatabase, WingspansKeepTheFirstValueAndSkipInvalidEntries)
{
    DbaseFolder folder;
    const std::string wingspans = "<wingspan type=\"A320\" meters=\"36\"/>"
                                  "<wingspan type=\"A320\" meters=\"50\"/>"
                                  "<wingspan type=\"ZZZZ\" meters=\"30\"/>"
                                  "<wingspan meters=\"30\"/>"
                                  "<wingspan type=\"B744\" meters=\"nan\"/>"
                                  "<wingspan type=\"B748\" meters=\"-3\"/>"
                                  "<wingspan type=\"B77W\" meters=\"1e300\"/>"
                                  "<wingspan type=\"C172\"/>";
    ASSERT_TRUE(folder.read(DbaseText().set("wingspans", wingspans).text()));
    EXPECT_DOUBLE_EQ(tables().halfWingspans.at("A320"), 18.0 / 1852.0);
    EXPECT_DOUBLE_EQ(tables().maxHalfWingspanNm, 25.0 / 1852.0);
    EXPECT_EQ(tables().halfWingspans.at("C172"), 0.0);
    EXPECT_EQ(tables().halfWingspans.size(), 2U);
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("==> wingspan model ZZZZ is not valid, skipped"));
    EXPECT_THAT(log, HasSubstr("==> wingspan model  is not valid, skipped"));
    EXPECT_THAT(log, HasSubstr("==> wingspan nan of model B744 is out of range, skipped"));
    EXPECT_THAT(log, HasSubstr("==> wingspan -3 of model B748 is out of range, skipped"));
    EXPECT_THAT(log, HasSubstr("==> wingspan 1e300 of model B77W is out of range, skipped"));
}

// The model table grows past any fixed size: every valid model keeps its wing span.
TEST(ReferenceDatabase, WingspanTableCoversModelsBeyondTheOldFixedSize)
{
    std::vector<std::string> codes;
    for (int i = 0; i < 3000; ++i) {
        codes.push_back(fmt::format("Z{:03X}", i));
    }
    std::string types;
    for (const std::string& code : codes) {
        types += code + ",";
    }
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText()
                                .set("aircrafts", elements("aircraft", "types", {types}))
                                .set("wingspans", "<wingspan type=\"ZBB7\" meters=\"74\"/>")
                                .remove("fixes")
                                .remove("dbase")
                                .text()));
    const uint16_t index = gf_modelIndex("ZBB7");
    EXPECT_EQ(index, 3000);
    EXPECT_DOUBLE_EQ(gf_halfWingspanNm(index), 37.0 / 1852.0);
    EXPECT_EQ(gf_halfWingspanNm(gf_modelIndex("Z000")), 0.0);
}

TEST(ReferenceDatabase, FixesNeedAValidCorrectionAndKeepTheFirstEntry)
{
    DbaseFolder folder;
    const std::string fixes = "<fx wro=\"A32N\" cor=\"A20N\"/>"
                              "<fx wro=\"A32N\" cor=\"A321\"/>"
                              "<fx wro=\"XXXX\" cor=\"YYYY\"/>"
                              "<fx wro=\"WWWW\"/>"
                              "<fx wro=\"A321\" cor=\"A320\"/>";
    ASSERT_TRUE(folder.read(DbaseText().set("fixes", fixes).text()));
    EXPECT_EQ(gf_findModelFix("A32N"), "A20N");
    EXPECT_EQ(gf_findModelFix("XXXX"), std::nullopt);
    // The record of NABCD names A32N: it carries the corrected code, and A32N never enters the table.
    EXPECT_EQ(gf_findDbaseRecord("NABCD")->model, gf_modelIndex("A20N"));
    EXPECT_EQ(gf_findModelIndex("A32N"), gf_modelIndex("A20N"));
    // A valid code named as wrong was interned before fixes applied and keeps its own index.
    EXPECT_EQ(gf_modelText(gf_modelIndex("A321")), "A321");
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("==> wrong part of fix: 'A32N', already exists, skipped"));
    EXPECT_THAT(log, HasSubstr("==> wrong fix XXXX -> YYYY, the latter is not valid"));
    EXPECT_THAT(log, HasSubstr("==> wrong fix WWWW -> , the latter is not valid"));
    EXPECT_THAT(log, HasSubstr("\n    2 fixes\n"));
}

TEST(ReferenceDatabase, RepeatedAlertsOfOneKindAreCapped)
{
    DbaseFolder folder;
    std::string wingspans;
    for (int model = 0; model < 25; ++model) {
        wingspans += fmt::format("<wingspan type=\"Q{:03}\" meters=\"30\"/>", model);
    }
    ASSERT_TRUE(folder.read(DbaseText().set("wingspans", wingspans).text()));
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("==> wingspan model Q009 is not valid, skipped\n"));
    EXPECT_THAT(log, Not(HasSubstr("Q010")));
    EXPECT_THAT(log, HasSubstr("==> 15 more 'wingspan model not valid' alerts for the reference database not logged\n"));
}

// Sorted by registration; a repeated registration keeps its first record in file order; records without a
// registration are skipped and counted.
TEST(ReferenceDatabase, RecordsAreSortedUniqueAndNeverWithoutRegistration)
{
    DbaseFolder folder;
    const std::string records = "<d r=\"D-AINB\" a=\"DLH\" m=\"A320\"/>"
                                "<d r=\"B-1234\" a=\"UAL\" m=\"B738\"/>"
                                "<d a=\"KLM\" m=\"B738\"/>"
                                "<d r=\"D-AINB\" a=\"BAW\" m=\"A321\"/>"
                                "<d r=\"  \" a=\"KLM\" m=\"B738\"/>"
                                "<d r=\"D-AINB\" a=\"EZY\" m=\"A321\"/>"
                                "<d r=\"A-B\" a=\"KLM\" m=\"E190\"/>"
                                "<d r=\"LONGREG-0002\" a=\"KLM\"/>"
                                "<d r=\"LONGREG-0001\" a=\"UAL\"/>"
                                "<d r=\"LONGREG-0002\" a=\"DLH\"/>"
                                "<d r=\"LONGREG-\" a=\"DLH\"/>";
    ASSERT_TRUE(folder.read(DbaseText().set("dbase", records).text()));
    EXPECT_THAT(registrations(), ElementsAre("A-B", "B-1234", "D-AINB", "LONGREG-", "LONGREG-0001", "LONGREG-0002"));
    EXPECT_EQ(gf_findDbaseRecord("LONGREG-0002")->airline, gf_airlineIndex("KLM"));
    EXPECT_EQ(gf_findDbaseRecord("D-AINB")->airline, gf_airlineIndex("DLH"));
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("\n    2 dbase records without registration skipped\n"));
    EXPECT_THAT(log, HasSubstr("\n    3 duplicate dbase records dropped\n"));
    EXPECT_THAT(log, HasSubstr("\n    6 dbase records read\n"));
}

// Many registrations of mixed lengths and repeats come out exactly as a plain stable sort would order them.
TEST(ReferenceDatabase, RecordOrderMatchesAStableSortOfTheFile)
{
    std::mt19937 random(11);
    const std::string alphabet = "-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::vector<std::pair<std::string, std::string>> fileOrder; // registration, airline
    std::string records;
    for (int i = 0; i < 3000; ++i) {
        std::string registration;
        const std::size_t length = 1 + random() % 11;
        for (std::size_t j = 0; j < length; ++j) {
            registration += alphabet[random() % (j < 7 ? 2 : alphabet.size())];
        }
        const std::string airline = i % 2 == 0 ? "DLH" : "KLM";
        fileOrder.emplace_back(registration, airline);
        records += fmt::format("<d r=\"{}\" a=\"{}\"/>", registration, airline);
    }
    std::vector<std::pair<std::string, std::string>> expected = fileOrder;
    std::stable_sort(expected.begin(), expected.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    expected.erase(
        std::unique(expected.begin(), expected.end(), [](const auto& x, const auto& y) { return x.first == y.first; }),
        expected.end());
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText().set("dbase", records).text()));
    ASSERT_EQ(tables().records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(tables().records[i].registration, expected[i].first);
        ASSERT_EQ(gf_airlineText(tables().records[i].codes.airline), expected[i].second) << expected[i].first;
    }
}

TEST(ReferenceDatabase, RecordFieldsReadMissingAttributesAsEmpty)
{
    struct Case {
        const char* element;
        RegistrationCodes expected;
    };
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText().text()));
    const uint16_t dlh = gf_airlineIndex("DLH");
    const Case cases[] = {
        {"r=\"R1\" a=\"DLH\" o=\"CFE\" m=\"A320\" c=\"1\"", {dlh, gf_airlineIndex("CFE"), gf_modelIndex("A320"), 1, 1}},
        {"r=\"R2\" m=\"A320\"", {0, 0, gf_modelIndex("A320"), 0, 1}},
        {"r=\"R3\" a=\"DLH\"", {dlh, 0, 0, 0, 1}},
        {"r=\"R4\" a=\"DLH\" c=\"yes\"", {dlh, 0, 0, 1, 1}},
        {"r=\"R5\" a=\"DLH\" c=\"True\"", {dlh, 0, 0, 1, 1}},
        {"r=\"R6\" a=\"DLH\" c=\"0\"", {dlh, 0, 0, 0, 1}},
        {"r=\"R7\" a=\"DLH\" c=\"false\"", {dlh, 0, 0, 0, 1}},
    };
    std::string records;
    for (const Case& c : cases) {
        records += fmt::format("<d {}/>", c.element);
    }
    ASSERT_TRUE(folder.read(DbaseText().set("dbase", records).text()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        const std::string registration = fmt::format("R{}", &c - cases + 1);
        EXPECT_EQ(gf_findDbaseRecord(registration), c.expected);
    }
}

// Empty names would match every text, so they are dropped; a group without its own name goes whole.
TEST(ReferenceDatabase, PublisherGroupsAreUniqueOrderedAndWithoutEmptyNames)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText()
                                .set("publishers", elements("pub", "names",
                                                            {"Zeta Works,ZW", "Alpha,,AL,", " ", ",Nameless",
                                                             "Zeta Works,ZW", "Mid , M "}) +
                                                       "<pub/>")
                                .text()));
    EXPECT_THAT(tables().publisherGroups,
                ElementsAre(ElementsAre("Alpha", "AL"), ElementsAre("Mid", "M"), ElementsAre("Zeta Works", "ZW")));
    const std::string log = folder.logText();
    EXPECT_THAT(log, HasSubstr("==> publisher without a name ',Nameless', skipped"));
    EXPECT_THAT(log, HasSubstr("\n    3 publishers\n"));
}

bool lf_randomOff() noexcept
{
    return false;
}

// A one-member group adds nothing; a prefix in two groups keeps the group whose text sorts first.
TEST(ReferenceDatabase, PrefixMapTakesTheGroupThatSortsFirst)
{
    gf_installRandomSettingReader(&lf_randomOff);
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(
        DbaseText().set("prefixes", elements("similar", "types", {"OE-,D-", "D-,HB-", "VH", "N,C-,N"})).text()));
    EXPECT_THAT(gf_similarPrefixes("D-"), ElementsAre("HB-"));
    EXPECT_THAT(gf_similarPrefixes("OE-"), ElementsAre("D-"));
    EXPECT_THAT(gf_similarPrefixes("HB-"), ElementsAre("D-"));
    EXPECT_THAT(gf_similarPrefixes("N"), ElementsAre("C-"));
    EXPECT_TRUE(gf_similarPrefixes("VH").empty());
    EXPECT_EQ(tables().similarPrefixes.size(), 5U);
    gf_installRandomSettingReader(nullptr);
}

TEST(ReferenceDatabase, SimilarTypeGroupsAreSortedWithoutRepeats)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(
        DbaseText().set("similar_types", elements("similar", "types", {"A321, A320,A321", ",", "B38M,B738"})).text()));
    EXPECT_THAT(tables().similarModelGroups, ElementsAre(ElementsAre("A320", "A321"), ElementsAre("B38M", "B738")));
}

TEST(ReferenceDatabase, ThirdPartyListsKeepFileOrderAndNonEmptyCodes)
{
    DbaseFolder folder;
    ASSERT_TRUE(folder.read(DbaseText()
                                .set("thirdparties20", "<thirdpartie20 pub=\"P\" arpts=\"EHAM, ,EDDF,\"/>"
                                                       "<thirdpartie20 pub=\"Q\"/>")
                                .remove("thirdparties24")
                                .text()));
    ASSERT_EQ(tables().thirdParties2020.size(), 2U);
    EXPECT_EQ(tables().thirdParties2020[0].publisher, "P");
    EXPECT_THAT(tables().thirdParties2020[0].airports, ElementsAre("EHAM", "EDDF"));
    EXPECT_TRUE(tables().thirdParties2020[1].airports.empty());
    EXPECT_TRUE(tables().thirdParties2024.empty());
}

} // namespace
} // namespace hlw
