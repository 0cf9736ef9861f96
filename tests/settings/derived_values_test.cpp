#include "settings/catalogue.h"

#include "platform/os/user_folders.h"
#include "recorded_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace hlw {
namespace {

TEST(RangeTest, FreshStartMatchesTheRangeDefault)
{
    EXPECT_EQ(settings::range.get(), 40);
    EXPECT_EQ(rangeNm.load(), 40.0);
    EXPECT_EQ(rangeMetres.load(), 74080);
}

TEST(RangeTest, SetRangeClampsSelectsAndKeepsTheDerivedValuesInStep)
{
    test::RecordedWindow window;
    settings::range.fillCombo();
    struct Case {
        int32_t nm;
        int32_t range;
        std::optional<int32_t> selection;
    };
    const Case cases[]{{150, 100, 19},       {2, 2, 0},   {0, 2, 0}, {-40, 2, 0}, {65, 65, 17},
                       {7, 7, std::nullopt}, {40, 40, 15}};
    for (const Case& c : cases) {
        gf_setRange(c.nm);
        EXPECT_EQ(settings::range.get(), c.range) << c.nm;
        EXPECT_EQ(rangeNm.load(), static_cast<double>(c.range)) << c.nm;
        EXPECT_EQ(rangeMetres.load(), c.range * 1852) << c.nm;
        EXPECT_EQ(window.port.comboSelection(settings::range.controlId()), c.selection) << c.nm;
    }
}

TEST(MaxFitTest, WeeksForEveryCount)
{
    struct Row {
        int32_t from;
        int32_t to;
        float weeks;
    };
    const Row rows[]{{44, 1000, 24.0F}, {38, 43, 21.0F}, {32, 37, 18.0F}, {26, 31, 15.0F}, {22, 25, 12.0F},
                     {20, 21, 11.0F},   {18, 19, 10.0F}, {16, 17, 9.0F},  {14, 15, 8.0F},  {12, 13, 7.0F},
                     {10, 11, 6.0F},    {9, 9, 5.0F},    {8, 8, 4.5F},    {7, 7, 4.0F},    {6, 6, 3.5F},
                     {5, 5, 3.0F},      {4, 4, 2.5F},    {3, 3, 2.0F},    {2, 2, 1.5F},    {1, 1, 1.0F},
                     {-1000, 0, 0.5F}};
    for (const Row& row : rows) {
        for (int32_t count = row.from; count <= row.to; ++count) {
            EXPECT_EQ(gf_maxFitForWeeks(count), row.weeks) << count;
        }
    }
    EXPECT_EQ(gf_maxFitForWeeks(INT32_MAX), 24.0F);
    EXPECT_EQ(gf_maxFitForWeeks(INT32_MIN), 0.5F);
}

// The list's choice v is stored as the count round(2v) - 1; the count must give v back.
TEST(MaxFitTest, EveryListChoiceSurvivesTheRoundTripThroughTheCount)
{
    for (const float weeks : settings::maxFitFl.choices()) {
        const auto count = static_cast<int32_t>(std::lround(2.0 * weeks)) - 1;
        EXPECT_EQ(gf_maxFitForWeeks(count), weeks) << count;
    }
}

TEST(MaxFitTest, SyncSetsTheListValueAndSelectsItOrNone)
{
    test::RecordedWindow window;
    settings::maxFitFl.fillCombo();
    const ui::ControlId id = settings::maxFitFl.controlId();
    const std::tuple<int32_t, float, std::optional<int32_t>> cases[]{
        {47, 24.0F, 19}, {0, 0.5F, 0}, {20, 11.0F, std::nullopt}, {9, 5.0F, 9}};
    for (const auto& [count, weeks, selection] : cases) {
        settings::maxFit.set(count);
        gf_syncMaxFit();
        EXPECT_EQ(settings::maxFitFl.get(), weeks) << count;
        EXPECT_EQ(window.port.comboSelection(id), selection) << count;
    }
    settings::maxFit.set(settings::maxFit.defaultValue());
}

TEST(DataFolderTest, PerUserFolderOrTheFolderSetForTests)
{
    test::TempDir roaming;
    ::setenv(os::roamingFolderVariable, roaming.path().c_str(), 1);
    EXPECT_EQ(dataFolderPath(), roaming / "Hollowmere");
    EXPECT_EQ(parametersFilePath(), roaming / "Hollowmere" / "parameters.xml");

    test::TempDir other;
    gf_overrideDataFolderPath(other.path());
    EXPECT_EQ(dataFolderPath(), other.path());
    EXPECT_EQ(parametersFilePath(), other / "parameters.xml");

    gf_overrideDataFolderPath(std::nullopt);
    EXPECT_EQ(parametersFilePath(), roaming / "Hollowmere" / "parameters.xml");
    ::unsetenv(os::roamingFolderVariable);
}

} // namespace
} // namespace hlw
