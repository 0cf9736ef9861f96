#include "liveries/livery_data.h"
#include "liveries/scan_lists.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

class LiveryRecords : public ::testing::Test {
protected:
    void SetUp() override { lf_reset(); }
    void TearDown() override { lf_reset(); }

    static void lf_reset()
    {
        gf_clearScanLists();
        gf_airlineCodes().reset();
        gf_modelCodes().reset();
    }

    static LiveryData lf_livery(const char* airline, const char* secondAirline, const char* model, const char* title)
    {
        LiveryData livery;
        livery.airline = gf_airlineIndex(airline);
        livery.secondAirline = gf_airlineIndex(secondAirline);
        livery.model = gf_modelIndex(model);
        livery.title = title;
        return livery;
    }
};

TEST_F(LiveryRecords, FactoryGivesEachTitleOnce)
{
    const RegistrationCodes codes{gf_airlineIndex("KLM"), 0, gf_modelIndex("B738"), 1, 1};
    const LiveryData first = gf_makeLiveryData(3, codes, "KLM B738", "PH-BXA");
    EXPECT_EQ(first.title, "KLM B738");
    EXPECT_EQ(first.atcId, "PH-BXA");
    EXPECT_EQ(first.codes(), codes);
    EXPECT_EQ(first.sourceIndex, 3);
    EXPECT_FALSE(gf_hasNoCodes(first));
    const LiveryData second = gf_makeLiveryData(1, codes, "KLM B738", "PH-BXB");
    EXPECT_TRUE(second.empty());
    EXPECT_TRUE(gf_hasNoCodes(second));
    gf_clearScanLists();
    EXPECT_FALSE(gf_makeLiveryData(1, codes, "KLM B738", "").empty());
}

TEST_F(LiveryRecords, ConcurrentReadersGetEachTitleExactlyOnce)
{
    constexpr int threads = 8;
    constexpr int titles = 500;
    std::atomic<int> made{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < threads; ++t) {
        readers.emplace_back([&made, t] {
            for (int i = 0; i < titles; ++i) {
                if (!gf_makeLiveryData(1, {1, 0, 1, 0, 0}, "title " + std::to_string(i), "").empty()) {
                    ++made;
                }
                gf_addFix(std::to_string(t));
                gf_addInvalidModelCode("X", "aircraft.cfg");
            }
        });
    }
    // A late reader may still append while the lists are emptied; each list is locked while it is emptied.
    for (int i = 0; i < 50; ++i) {
        gf_scanReport(ScanReport::Fix).clear();
    }
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(made.load(), titles);
    EXPECT_EQ(gf_scannedTitleCount(), static_cast<std::size_t>(titles));
    EXPECT_EQ(gf_scanReport(ScanReport::InvalidModelCode).size(), static_cast<std::size_t>(threads * titles));
    gf_clearScanLists();
    EXPECT_EQ(gf_scannedTitleCount(), 0U);
    EXPECT_EQ(gf_scanReport(ScanReport::InvalidModelCode).size(), 0U);
    EXPECT_EQ(gf_scanReport(ScanReport::Fix).size(), 0U);
}

TEST_F(LiveryRecords, ReportLinesAndClearing)
{
    gf_addInvalidAirlineCode("K1", "a/aircraft.cfg", "[fltsim.0]");
    gf_addInvalidAirlineCode("TOOLONGCODE1234", "b", "x");
    gf_addInvalidModelCode("B7", "a/aircraft.cfg");
    gf_addIncompleteSection("incomplete");
    gf_addInvalidAircraftCfg("invalid");
    gf_addNoFltsimSection("none");
    gf_dontUseTitles().add("Do not use");
    EXPECT_EQ(gf_scanReport(ScanReport::InvalidAirlineCode).lines(),
              (std::vector<std::string>{"K1           in a/aircraft.cfg [fltsim.0]", "TOOLONGCODE1234 in b x"}));
    EXPECT_EQ(gf_scanReport(ScanReport::InvalidModelCode).lines(),
              std::vector<std::string>{"B7               in a/aircraft.cfg"});
    EXPECT_TRUE(gf_dontUseTitles().contains("Do not use"));
    EXPECT_FALSE(gf_dontUseTitles().contains("Do not"));
    gf_clearScanLists();
    for (const ScanReport report : {ScanReport::InvalidAirlineCode, ScanReport::InvalidModelCode, ScanReport::Fix,
                                    ScanReport::InvalidAircraftCfg, ScanReport::IncompleteSection,
                                    ScanReport::NoFltsimSection}) {
        EXPECT_EQ(gf_scanReport(report).size(), 0U);
    }
    EXPECT_EQ(gf_dontUseTitles().size(), 0U);
}

TEST_F(LiveryRecords, SortOrderIsAirlineOperatorModelTitle)
{
    // Interned out of text order, so that an order by index would differ.
    ScannedLiveryList liveries{
        lf_livery("KLM", "KLC", "E190", "b"), lf_livery("KLM", "", "E190", "z"), lf_livery("KLM", "", "B738", "c"),
        lf_livery("BAW", "", "A320", "a"),    lf_livery("KLM", "", "B738", "a"), lf_livery("", "", "C172", "p"),
        lf_livery("KL", "", "B738", "k"),
    };
    std::sort(liveries.begin(), liveries.end(), gf_liveryLess);
    std::vector<std::string> titles;
    for (const LiveryData& livery : liveries) {
        titles.push_back(livery.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"p", "a", "k", "a", "c", "z", "b"}));
    EXPECT_FALSE(gf_liveryLess(liveries[0], liveries[0]));
}

} // namespace
} // namespace hlw
