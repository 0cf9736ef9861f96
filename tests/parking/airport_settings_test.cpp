// The settings an airport's learned file overrides: the window follows the ones it shows, and the user's own
// values come back, saved, when the airport is left.
#include "parking/airport_settings.h"

#include "parking/parking_window_port.h"
#include "parking_fixture.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

namespace hlw {
namespace {

class RecordingWindow final : public ParkingWindowPort {
  public:
    RecordingWindow() { gf_installParkingWindowPort(this); }
    ~RecordingWindow() override { gf_installParkingWindowPort(nullptr); }
    void learnedUpdatesChanged(int32_t) override {}
    void applyAutoRange() override { calls.push_back("auto range"); }
    void initialLoadOnlyChanged(bool value) override { calls.push_back(value ? "initial load only" : "every load"); }
    std::vector<std::string> calls;
};

TEST(AirportSettings, LearnedValuesReachTheWindowAndTheUsersValuesComeBackSaved)
{
    test::ParkingFolder folder;
    RecordingWindow window;
    const OverriddenSettings kept = OverriddenSettings::current();
    pugi::xml_document learned;
    ASSERT_TRUE(learned.load_string(test::apfText("", R"(
        <parameter name="MAX_LIVE_SEL" value="50"/><parameter name="RANGE" value="65"/>
        <parameter name="AUTO_RANGE" value="false"/><parameter name="parking_percentage" value="55"/>
        <parameter name="WEEK" value="true"/><parameter name="PARK_SOFT" value="true"/>
        <parameter name="MAX_FIT" value="9"/><parameter name="INITIAL_LOAD_ONLY" value="true"/>)")
                                        .c_str()));
    gf_applyLearnedSettings(learned);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"auto range", "initial load only"}));
    const OverriddenSettings applied{50, 9, 65, 55, false, true, true, true};
    EXPECT_EQ(OverriddenSettings::current(), applied);
    EXPECT_FLOAT_EQ(settings::maxFitFl.get(), 5.0F);

    gf_restoreApfOverriddenSettings(kept);
    EXPECT_EQ(OverriddenSettings::current(), kept);
    EXPECT_EQ(rangeNm.load(), static_cast<double>(kept.range));
    const std::string saved = test::readWholeFile(parametersFilePath());
    for (const char* line : {R"(name="RANGE" value="40")", R"(name="AUTO_RANGE" value="true")",
                             R"(name="WEEK" value="false")", R"(name="MAX_LIVE_SEL" value="500")"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    }
}

// A value in a learned file that is no whole number within its setting's bounds, or no truth value for a check box,
// is refused with one alert line and the user's value stays; a good one is taken, also between the list's choices.
TEST(AirportSettings, ValuesThatAreNoNumberOrOutOfBoundsAreRefusedAndTheUsersValueStays)
{
    struct Row {
        const char* key;
        const char* text;
        const char* takenAs; // null: refused
    };
    const Row rows[] = {
        {"MAX_LIVE_SEL", "nan", nullptr},
        {"MAX_LIVE_SEL", "501", nullptr},
        {"MAX_LIVE_SEL", "1e3", nullptr},
        {"MAX_LIVE_SEL", "2147483648", nullptr},
        {"MAX_LIVE_SEL", "30", "30"},
        {"MAX_LIVE_SEL", "0", "0"},
        {"parking_percentage", "-5000", nullptr},
        {"parking_percentage", "0x41", nullptr},
        {"parking_percentage", "", nullptr},
        {"parking_percentage", "100", "100"},
        {"RANGE", "1", nullptr},
        {"RANGE", "10 nm", nullptr},
        {"RANGE", " 10", nullptr},
        {"RANGE", "2", "2"},
        {"MAX_FIT", "48", nullptr},
        {"MAX_FIT", "-1", nullptr},
        {"MAX_FIT", "0", "0"},
        {"WEEK", "maybe", nullptr},
        {"AUTO_RANGE", "", nullptr},
        {"WEEK", "FALSE", "false"},
        {"PARK_SOFT", "0", "false"},
        {"AUTO_RANGE", "1", "true"},
    };
    const std::map<std::string, std::function<std::string()>> valueOf{
        {"MAX_LIVE_SEL", [] { return std::to_string(settings::maxLiveSel.get()); }},
        {"parking_percentage", [] { return std::to_string(settings::parkingPercentage.get()); }},
        {"RANGE", [] { return std::to_string(settings::range.get()); }},
        {"MAX_FIT", [] { return std::to_string(settings::maxFit.get()); }},
        {"WEEK", [] { return std::string(settings::week.get() ? "true" : "false"); }},
        {"AUTO_RANGE", [] { return std::string(settings::autoRange.get() ? "true" : "false"); }},
        {"PARK_SOFT", [] { return std::string(settings::parkSoft.get() ? "true" : "false"); }},
    };
    test::ParkingFolder folder;
    RecordingWindow window;
    for (const Row& row : rows) {
        SCOPED_TRACE(fmt::format("{}=\"{}\"", row.key, row.text));
        // The user's own values, none of them a default; parking_percentage stays when the file holds it.
        settings::maxLiveSel.set(75);
        settings::maxFit.set(20);
        gf_setRange(25);
        settings::parkingPercentage.set(45);
        settings::autoRange.set(false);
        settings::week.set(true);
        settings::parkSoft.set(true);
        const bool percentageRow = std::string_view(row.key) == "parking_percentage";
        const std::string percentage = percentageRow ? "" : R"(<parameter name="parking_percentage" value="45"/>)";
        pugi::xml_document learned;
        ASSERT_TRUE(learned.load_string(
            test::apfText("", fmt::format(R"({}<parameter name="{}" value="{}"/>)", percentage, row.key, row.text))
                .c_str()));
        const OverriddenSettings before = OverriddenSettings::current();
        const std::string userValue = valueOf.at(row.key)();
        const std::size_t logged = folder.logText().size();

        gf_applyLearnedSettings(learned);

        const std::string log = folder.logText().substr(logged);
        const std::string alert = fmt::format("==> learned file: {}=\"{}\" is not ", row.key, row.text);
        if (row.takenAs != nullptr) {
            EXPECT_EQ(valueOf.at(row.key)(), row.takenAs);
            EXPECT_EQ(log.find("==> "), std::string::npos) << log;
        } else {
            EXPECT_EQ(valueOf.at(row.key)(), userValue);
            EXPECT_EQ(OverriddenSettings::current(), before);
            EXPECT_NE(log.find(alert), std::string::npos) << log;
            EXPECT_EQ(log.find("==> "), log.rfind("==> ")) << "one alert line: " << log;
            EXPECT_NE(log.find(fmt::format("refused: {} stays\n", userValue)), std::string::npos) << log;
        }
        EXPECT_EQ(rangeNm.load(), static_cast<double>(settings::range.get()));
    }
}

} // namespace
} // namespace hlw
