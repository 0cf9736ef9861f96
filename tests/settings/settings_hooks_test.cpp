#include "settings/settings_hooks.h"

#include "core/message_line.h"
#include "core/random_choice.h"
#include "settings/catalogue.h"

#include "recorded_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hlw {
namespace {

using testing::ElementsAre;

class SettingsHooksTest : public testing::Test {
protected:
    void TearDown() override
    {
        gf_installRandomSettingReader(nullptr);
        gf_setMessageRepaintHook(nullptr);
        gf_clearError();
        gf_clearMessage();
        settings::random.set(settings::random.defaultValue());
    }
};

TEST_F(SettingsHooksTest, RandomChoicesFollowTheRandomSetting)
{
    gf_installSettingsHooks();
    settings::random.set(false);
    EXPECT_FALSE(gf_randomChoicesOn());
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(gf_randomIndex(10), 0U);
    }
    settings::random.set(true);
    EXPECT_TRUE(gf_randomChoicesOn());
}

TEST_F(SettingsHooksTest, MessageLineChangesReachTheWindow)
{
    test::RecordedWindow window(false);
    gf_installSettingsHooks();
    gf_setMessage("Reading parameters.xml", false);
    gf_showError("no install path");
    EXPECT_THAT(window.port.operations(), ElementsAre("post 0x8060", "post 0x8060"));
}

} // namespace
} // namespace hlw
