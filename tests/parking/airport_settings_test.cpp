// The settings an airport's learned file overrides: the window follows the ones it shows, and the user's own
// values come back, saved, when the airport is left.
#include "parking/airport_settings.h"

#include "parking/parking_window_port.h"
#include "parking_fixture.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace hlw
