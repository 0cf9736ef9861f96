#include "liveries/livery_tables.h"

#include "core/user_error.h"
#include "liveries/livery_catalogue.h"
#include "liveries/livery_data.h"
#include "liveries/registration_codes.h"
#include "liveries/registration_tables.h"
#include "livery_fixture.h"
#include "refdata/code_table.h"
#include "refdata/similar_models.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace hlw {
namespace {

using test::LiveryFolder;

using Titles = std::vector<std::string>;

Titles lf_texts(const TitleList* titles)
{
    Titles texts;
    if (titles != nullptr) {
        texts.assign(titles->begin(), titles->end());
    }
    return texts;
}

uint16_t lf_airline(const char* code)
{
    return gf_findAirlineIndex(code).value_or(uint16_t{0});
}

uint16_t lf_model(const char* code)
{
    return gf_findModelIndex(code).value_or(uint16_t{0});
}

template <typename Models> std::vector<std::string> lf_modelTexts(const Models& models)
{
    std::vector<std::string> texts;
    for (const uint16_t model : models) {
        texts.push_back(gf_modelText(model));
    }
    return texts;
}

// Every table as text, in a fixed order, so that two builds can be compared whole.
std::map<std::string, Titles> lf_dump()
{
    std::map<std::string, Titles> dump;
    const LiveryCatalogue& catalogue = gf_liveryCatalogue();
    for (const auto& [airline, models] : catalogue.byAirline) {
        for (const auto& [model, liveries] : models) {
            Titles& titles = dump["catalogue " + gf_airlineText(airline) + " " + gf_modelText(model)];
            for (const LiveryEntry& livery : liveries) {
                titles.push_back(std::string(livery.title) + (livery.cargo != 0 ? " (C)" : ""));
            }
        }
    }
    for (const std::size_t kind : {paxIndex, cargoIndex}) {
        for (const auto& [airline, models] : catalogue.paxCargo[kind]) {
            for (const auto& [model, titles] : models) {
                dump[fmt::format("paxcargo{} {} {}", kind, gf_airlineText(airline), gf_modelText(model))] =
                    lf_texts(&titles);
            }
        }
        for (const auto& [model, titles] : catalogue.byModel[kind]) {
            Titles sorted = lf_texts(&titles);
            std::sort(sorted.begin(), sorted.end());
            dump[fmt::format("model{} {}", kind, gf_modelText(model))] = sorted;
        }
    }
    dump["light"] = lf_modelTexts(catalogue.lightModels);
    dump["buzjets"] = lf_modelTexts(catalogue.buzjetModels);
    dump["rotorcraft"] = lf_modelTexts(catalogue.rotorcraftModels);
    for (const auto& group : {"A319", "A320", "A321", "B737", "B738", "B739", "B772", "B77W", "E190", "E195"}) {
        dump[std::string("similar ") + group] = lf_modelTexts(gf_similarModelsWithLivery(lf_model(group)));
        for (const auto& [airline, models] : catalogue.byAirline) {
            const auto& similar = gf_airlineSimilarModels(airline, lf_model(group));
            if (!similar.empty()) {
                dump["airline similar " + gf_airlineText(airline) + " " + group] = lf_modelTexts(similar);
            }
        }
    }
    for (const auto& [registration, title] : gf_registrationTables().regcodes) {
        dump["regcode " + registration] = {std::string(title)};
    }
    return dump;
}

// A hand-written scan: KLM with two operators' pairs, a pair whose operator has liveries of its own, cargo and
// pax of one model, generic and private liveries, one Light and one Buzjets model, no Rotorcraft.
const char* const sampleLiveries = R"(<l a="KLM" m="B738" t="KLM B738 PH-BXB" r="PH-BXB"/>
<l a="KLM" m="B738" t="KLM B738 PH-BXA" r="PH-BXA"/>
<l a="KLM" m="B772" t="KLM 777"/>
<l a="KLM" m="B77W" c="true" t="KLM Cargo 77W"/>
<l a="KLC" m="E175" t="KLC E175"/>
<l a="KLM" o="KLC" m="E190" t="KLM Cityhopper E190"/>
<l a="BAW" m="A320" t="BA A320"/>
<l a="BAW" o="CFE" m="E190" t="BA Cityflyer E190"/>
<l a="DLH" m="A320" t="DLH A320"/>
<l a="DLH" m="A320" c="1" t="DLH A320F"/>
<l a="ZZZ" m="B738" t="Generic B738"/>
<l a="ZZZ" m="C172" t="Generic C172"/>
<l a="PVT" m="C172" t="Cessna D-EABC" r="D-EABC"/>
<l a="PVT" m="CL35" t="Challenger N1"/>
)";

// Stands in for the registration-code builder: maps each in-line registration to its title.
void lf_inlineRegistrations()
{
    for (const LiveryData& livery : gf_scannedLiveryList()) {
        if (!livery.atcId.empty()) {
            gf_registrationTables().regcodes.emplace(livery.atcId, gf_findLiveryByTitle(livery.title));
        }
    }
}

TEST(LiveryTables, BuiltFromTheFileTableByTable)
{
    LiveryFolder folder;
    folder.writeScannedFile(sampleLiveries);
    gf_processScannedLiveries(lf_inlineRegistrations);

    EXPECT_TRUE(liveriesDone.load());
    EXPECT_EQ(liveryCount.load(), 14);
    EXPECT_TRUE(gf_scannedLiveryList().empty());

    // By airline and model: pairs go under the combined code and under an operator without liveries of its own.
    const LiveryCatalogue& catalogue = gf_liveryCatalogue();
    std::set<std::string> airlines;
    for (const auto& entry : catalogue.byAirline) {
        airlines.insert(gf_airlineText(entry.first));
    }
    EXPECT_EQ(airlines, (std::set<std::string>{"BAW", "BAWCFE", "CFE", "DLH", "KLC", "KLM", "KLMKLC", "PVT", "ZZZ"}));
    EXPECT_TRUE(gf_hasLivery(lf_airline("CFE"), lf_model("E190")));
    EXPECT_TRUE(gf_hasLivery(lf_airline("KLMKLC"), lf_model("E190")));
    EXPECT_FALSE(gf_hasLivery(lf_airline("KLC"), lf_model("E190")));
    EXPECT_TRUE(gf_hasLivery(lf_airline("KLC"), lf_model("E175")));
    EXPECT_FALSE(gf_hasLivery(lf_airline("KLM"), lf_model("E190")));

    // Pax and cargo, in the file's sorted order.
    EXPECT_EQ(lf_texts(gf_paxCargoTitles(paxIndex, lf_airline("KLM"), lf_model("B738"))),
              (Titles{"KLM B738 PH-BXA", "KLM B738 PH-BXB"}));
    EXPECT_EQ(lf_texts(gf_paxCargoTitles(cargoIndex, lf_airline("KLM"), lf_model("B77W"))), Titles{"KLM Cargo 77W"});
    EXPECT_EQ(gf_paxCargoTitles(paxIndex, lf_airline("KLM"), lf_model("B77W")), nullptr);
    EXPECT_EQ(lf_texts(gf_paxCargoTitles(paxIndex, lf_airline("DLH"), lf_model("A320"))), Titles{"DLH A320"});
    EXPECT_EQ(lf_texts(gf_paxCargoTitles(cargoIndex, lf_airline("DLH"), lf_model("A320"))), Titles{"DLH A320F"});
    EXPECT_EQ(gf_paxCargoTitles(cargoIndex, lf_airline("BAW"), lf_model("A320")), nullptr);

    // By model across airlines; a pair's livery is listed under both of its keys.
    const auto dump = lf_dump();
    EXPECT_EQ(dump.at("model0 B738"), (Titles{"Generic B738", "KLM B738 PH-BXA", "KLM B738 PH-BXB"}));
    EXPECT_EQ(dump.at("model0 E190"), (Titles{"BA Cityflyer E190", "BA Cityflyer E190", "KLM Cityhopper E190"}));
    EXPECT_EQ(dump.at("model1 A320"), Titles{"DLH A320F"});
    EXPECT_EQ(catalogue.byModel[paxIndex].size(), 7U);
    EXPECT_EQ(catalogue.byModel[cargoIndex].size(), 2U);

    // Categories, their reports and the settings of categories without liveries.
    EXPECT_EQ(dump.at("light"), Titles{"C172"});
    EXPECT_EQ(dump.at("buzjets"), Titles{"CL35"});
    EXPECT_TRUE(dump.at("rotorcraft").empty());
    EXPECT_EQ(gf_randomLightModel(), lf_model("C172"));
    EXPECT_EQ(gf_randomRotorcraftModel(), 0);
    EXPECT_FALSE(settings::helicopters.get());
    EXPECT_EQ(folder.storedSetting("HELICOPTERS"), "false");
    EXPECT_EQ(folder.window.enabled(settings::helicopters.controlId()), false);
    EXPECT_FALSE(settings::highPerfAircraft.get());
    EXPECT_TRUE(settings::lightAircraft.get());
    EXPECT_EQ(folder.window.enabled(settings::lightAircraft.controlId()), true);

    // Similar models: only members with liveries are offered, and per airline only where it lacks the model.
    EXPECT_EQ(dump.at("similar B739"), Titles{"B738"});
    EXPECT_TRUE(dump.at("similar B738").empty());
    EXPECT_EQ(dump.at("similar B77W"), Titles{"B772"});
    EXPECT_EQ(dump.at("similar B772"), Titles{"B77W"});
    EXPECT_EQ(dump.at("airline similar KLM B739"), Titles{"B738"});
    EXPECT_EQ(dump.count("airline similar KLM B77W"), 0U);
    EXPECT_EQ(dump.at("airline similar DLH A321"), Titles{"A320"});

    // Registration codes and titles are views of the catalogue's strings.
    EXPECT_EQ(gf_registrationTables().regcodes.size(), 3U);
    EXPECT_EQ(gf_registrationTables().regcodes.at("PH-BXA").data(), gf_findLiveryByTitle("KLM B738 PH-BXA").data());
    EXPECT_TRUE(gf_findLiveryByTitle("not scanned").empty());
    EXPECT_EQ(catalogue.genericAirline, lf_airline("ZZZ"));
    EXPECT_EQ(catalogue.privateAirline, lf_airline("PVT"));

    const std::string log = folder.logText();
    for (const char* line : {"   14 liveries read from ", "    3 registration codes",
                             "    9 airlines, 7 pax aircraft models and 2 cargo aircraft models",
                             "similar model definitions", "Category Light: 2 pax liveries\n  C172\n",
                             "Category Large: 9 pax liveries and 1 cargo liverie\n", "Category Heavy: 1 pax liverie and 1 cargo liverie\n",
                             "Category Rotorcraft: No livery found",
                             "HELICOPTERS temporarily switched off because you do not have Helicopters installed",
                             "2 models have a generic livery\n  "}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    // Once for the count read, once for the finished tables.
    EXPECT_EQ(folder.view.statusChanges.load(), 2);
}

TEST(LiveryTables, RegisteredTitleListsAreBuiltWithTheTables)
{
    LiveryFolder folder;
    folder.writeScannedFile(sampleLiveries);
    gf_processScannedLiveries([] { gf_checkInlineRegcodes(gf_scannedLiveryList()); });

    const TitleList* privateC172 = gf_paxCargoTitles(paxIndex, lf_airline("PVT"), lf_model("C172"));
    const TitleList* modelB738 = gf_modelTitles(paxIndex, lf_model("B738"));
    ASSERT_NE(privateC172, nullptr);
    ASSERT_NE(modelB738, nullptr);
    const auto privateRegistered = gf_registeredTitles(*privateC172);
    ASSERT_EQ(privateRegistered.size(), 1u);
    EXPECT_EQ(privateRegistered[0].title, "Cessna D-EABC");
    EXPECT_EQ(privateRegistered[0].registration, "D-EABC");
    EXPECT_EQ(gf_registeredTitles(*modelB738).size(), 2u);

    gf_clearLiveryCatalogue();
    EXPECT_TRUE(gf_registrationTables().registeredTitleLists.empty());
}

TEST(LiveryTables, SecondStartUpIsSkipped)
{
    LiveryFolder folder;
    folder.writeScannedFile(sampleLiveries);
    gf_processScannedLiveries(lf_inlineRegistrations);
    const auto first = lf_dump();
    std::filesystem::remove(folder.scannedPath());
    gf_scannedLiveryList().push_back(LiveryData{});
    gf_processScannedLiveries(lf_inlineRegistrations);
    EXPECT_EQ(lf_dump(), first);
    EXPECT_TRUE(gf_scannedLiveryList().empty());
    EXPECT_NE(folder.logText().find("Processing scanned liveries skipped; already done in previous start-up"),
              std::string::npos);
}

TEST(LiveryTables, RebuildAfterARequestEqualsAFreshBuild)
{
    std::map<std::string, Titles> fresh;
    {
        LiveryFolder folder;
        folder.writeScannedFile(sampleLiveries);
        gf_processScannedLiveries(lf_inlineRegistrations);
        fresh = lf_dump();
    }
    LiveryFolder folder;
    // First a different scan, then the sample after a request.
    folder.writeScannedFile(R"(<l a="AFR" m="B739" t="AF B739" r="F-GZHA"/>
<l a="KLM" m="B739" t="KLM B739"/>
<l a="ZZZ" m="EC35" t="Generic EC35"/>
)");
    gf_processScannedLiveries(lf_inlineRegistrations);
    EXPECT_EQ(lf_dump().at("similar B738"), Titles{"B739"});
    EXPECT_EQ(gf_liveryCatalogue().rotorcraftModels.size(), 1U);

    folder.writeScannedFile(sampleLiveries);
    gf_requestLiveryRebuild();
    EXPECT_FALSE(liveriesDone.load());
    gf_processScannedLiveries(lf_inlineRegistrations);
    EXPECT_FALSE(gf_liveryRebuildRequested());
    EXPECT_TRUE(liveriesDone.load());
    EXPECT_EQ(lf_dump(), fresh);
}

TEST(LiveryTables, FailedBuildLeavesNoHalfTables)
{
    LiveryFolder folder;
    folder.writeScannedFile(sampleLiveries);
    gf_processScannedLiveries(lf_inlineRegistrations);
    test::writeWholeFile(folder.scannedPath(), "<root><liveries><l a=\"KLM\"");
    gf_requestLiveryRebuild();
    EXPECT_THROW(gf_processScannedLiveries(lf_inlineRegistrations), UserErrorException);
    EXPECT_FALSE(liveriesDone.load());
    EXPECT_EQ(liveryCount.load(), 0);
    EXPECT_TRUE(gf_liveryCatalogue().byAirline.empty());
    EXPECT_TRUE(gf_liveryCatalogue().titleArena.empty());
    EXPECT_TRUE(gf_registrationTables().regcodes.empty());
    EXPECT_EQ(gf_similarModelDefinitionCount(), 0U);
    EXPECT_TRUE(gf_scannedLiveryList().empty());
    EXPECT_TRUE(settings::scanLiveries.get());
}

TEST(LiveryTables, ClearEmptiesEveryTable)
{
    LiveryFolder folder;
    folder.writeScannedFile(sampleLiveries);
    gf_processScannedLiveries(lf_inlineRegistrations);
    gf_registrationTables().specialTitles.push_back(gf_findLiveryByTitle("KLM 777"));
    gf_clearLiveryCatalogue();
    EXPECT_FALSE(liveriesDone.load());
    const LiveryCatalogue& catalogue = gf_liveryCatalogue();
    EXPECT_TRUE(catalogue.byAirline.empty() && catalogue.titleArena.empty() && catalogue.titleIndex.empty());
    EXPECT_TRUE(catalogue.paxCargo[paxIndex].empty() && catalogue.paxCargo[cargoIndex].empty());
    EXPECT_TRUE(catalogue.byModel[paxIndex].empty() && catalogue.byModel[cargoIndex].empty());
    EXPECT_TRUE(catalogue.lightModels.empty() && catalogue.buzjetModels.empty());
    EXPECT_TRUE(gf_registrationTables().regcodes.empty() && gf_registrationTables().specialTitles.empty());
    EXPECT_EQ(gf_similarModelDefinitionCount(), 0U);
    EXPECT_TRUE(gf_airlineSimilarModels(lf_airline("KLM"), lf_model("B739")).empty());
}

// Titles of 15 characters or fewer sit inside std::string objects; every view must still read the stored text
// after thousands of liveries made the tables grow (AddressSanitizer reports a dangling view).
TEST(LiveryTables, ShortTitlesStayValidInEveryTable)
{
    LiveryFolder folder;
    std::string lines;
    const char* const airlines[] = {"KLM", "DLH", "BAW", "AFR", "ZZZ"};
    const char* const models[] = {"A320", "B738", "E190", "C172"};
    std::size_t count = 0;
    for (const char* airline : airlines) {
        for (const char* model : models) {
            for (int i = 0; i < 400; ++i, ++count) {
                lines += fmt::format("<l a=\"{}\" m=\"{}\" t=\"{}{}{}\"{}/>\n", airline, model, airline[0], model,
                                     i, i % 3 == 0 ? " c=\"true\"" : "");
            }
        }
    }
    folder.writeScannedFile(lines);
    gf_processScannedLiveries(nullptr);
    std::size_t checked = 0;
    const LiveryCatalogue& catalogue = gf_liveryCatalogue();
    for (const auto& [airline, byModel] : catalogue.byAirline) {
        for (const auto& [model, liveries] : byModel) {
            const std::string prefix = gf_airlineText(airline).substr(0, 1) + gf_modelText(model);
            for (const LiveryEntry& livery : liveries) {
                ASSERT_LE(livery.title.size(), 15U);
                ASSERT_EQ(std::string(livery.title).rfind(prefix, 0), 0U) << livery.title;
                ASSERT_EQ(gf_findLiveryByTitle(std::string(livery.title)).data(), livery.title.data());
                ++checked;
            }
            for (const std::size_t kind : {paxIndex, cargoIndex}) {
                if (const TitleList* titles = gf_paxCargoTitles(kind, airline, model)) {
                    for (const std::string_view title : *titles) {
                        ASSERT_EQ(std::string(title).rfind(prefix, 0), 0U);
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, count);
    std::size_t byModelCount = 0;
    for (const auto& modelTitles : catalogue.byModel) {
        for (const auto& [model, titles] : modelTitles) {
            for (const std::string_view title : titles) {
                ASSERT_NE(std::string(title).find(gf_modelText(model)), std::string::npos);
                ++byModelCount;
            }
        }
    }
    EXPECT_EQ(byModelCount, count);
}

} // namespace
} // namespace hlw
