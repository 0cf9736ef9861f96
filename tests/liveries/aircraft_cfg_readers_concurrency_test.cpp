#include "cfg_reader_fixture.h"

#include "liveries/scan_lists.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <latch>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Every reader file of the "min" profile read at the same moment, one thread per file: the shared title set,
// report lists and code tables keep every title exactly once, and nothing is lost.
TEST(AircraftCfgReadersConcurrency, FilesReadAtOnceKeepEachTitleOnce)
{
    test::MinPackages packages;
    std::vector<std::pair<std::string, fs::path>> files;
    std::map<std::string, int> expectedTitles;
    for (const nlohmann::json& entry : packages.manifest["files"]) {
        if (!entry["reader"].is_null()) {
            files.emplace_back(entry["reader"], packages / entry["path"].get<std::string>());
            for (const nlohmann::json& livery : entry["liveries"]) {
                ++expectedTitles[livery["title"]];
            }
        }
    }
    test::clearReportLists();

    std::vector<ScannedLiveryList> results(files.size());
    std::latch start(static_cast<std::ptrdiff_t>(files.size()));
    {
        std::vector<std::jthread> readers;
        for (std::size_t i = 0; i < files.size(); ++i) {
            readers.emplace_back([&, i] {
                start.arrive_and_wait();
                results[i] = test::readWithManifestReader(files[i].first, files[i].second);
            });
        }
    }

    std::map<std::string, int> titles;
    for (const ScannedLiveryList& liveries : results) {
        for (const LiveryData& livery : liveries) {
            ++titles[livery.title];
            EXPECT_FALSE(gf_hasNoCodes(livery)) << livery.title;
        }
    }
    EXPECT_EQ(titles, expectedTitles);
    int taken = 0;
    for (const std::string& line : gf_scanReport(ScanReport::IncompleteSection).lines()) {
        taken += line.find("already exists") != std::string::npos ? 1 : 0;
    }
    // Three sections offer a title taken before (one of them in another package): each is reported once.
    EXPECT_EQ(taken, 3);
}

} // namespace
} // namespace hlw
