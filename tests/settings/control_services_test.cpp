#include "settings/control_services.h"

#include "core/log.h"
#include "core/message_line.h"
#include "recorded_window.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hlw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(ControlServicesTest, IntegerTextSelectsTheListEntryAndRepaintsThePanel)
{
    test::RecordedWindow window;
    IntComboParameter& range = settings::range;
    range.fillCombo();
    window.port.takeOperations();

    range.set(65);
    gf_setIntControlText(range);
    EXPECT_EQ(window.port.comboSelection(range.controlId()), 17);
    range.set(7);
    gf_setIntControlText(range);
    EXPECT_EQ(window.port.comboSelection(range.controlId()), std::nullopt);
    EXPECT_THAT(window.port.operations(), ElementsAre("text 32818 65", "invalidate 0,112,880,392 erase", "text 32818 7",
                                                      "invalidate 0,112,880,392 erase"));
    range.set(range.defaultValue());
}

TEST(ControlServicesTest, StringTextFillsAnEditBoxOrSelectsTheEqualListEntry)
{
    test::RecordedWindow window;
    settings::simChoice.fillCombo();
    settings::simChoice.set("MSFS 2024");
    gf_setStringControlText(settings::simChoice);
    EXPECT_EQ(window.port.comboSelection(settings::simChoice.controlId()), 1);

    settings::blockCallsign.set("DLH4AB");
    gf_setStringControlText(settings::blockCallsign);
    EXPECT_EQ(window.port.control(settings::blockCallsign.controlId())->text, "DLH4AB");

    settings::simChoice.set(settings::simChoice.defaultValue());
    settings::blockCallsign.set("");
}

TEST(ControlServicesTest, MissingControlIsLoggedAndNothingElseHappens)
{
    test::TempDir dir;
    gf_startLog(dir / "Log.txt");
    test::RecordedWindow window(false);
    gf_setIntControlText(settings::airpRange);
    gf_setStringControlText(settings::destination);
    gf_stopLog();
    EXPECT_TRUE(window.port.operations().empty());
    const std::string log = test::readWholeFile(dir / "Log.txt");
    EXPECT_THAT(log, HasSubstr("GetDlgItem failed for ID 32840\n"));
    EXPECT_THAT(log, HasSubstr("GetDlgItem failed for ID 32839\n"));
}

TEST(ControlServicesTest, EnableAndDisableByBinding)
{
    test::RecordedWindow window;
    gf_enableControl(settings::nowButton, false);
    gf_enableControl(settings::scanAirports);
    EXPECT_FALSE(window.port.control(settings::nowButton.controlId())->enabled);
    EXPECT_THAT(window.port.operations(), ElementsAre("enable 32847 off", "enable 32802 on"));
}

TEST(ControlServicesTest, MessageLineChangesPostTheRepaintMessage)
{
    test::RecordedWindow window(false);
    gf_routeMessageLineToControlPort();
    gf_setMessage("Calculating static parked aircraft ...", false);
    gf_clearMessage();
    gf_setMessageRepaintHook(nullptr);
    EXPECT_THAT(window.port.operations(), ElementsAre("post 0x8060", "post 0x8060"));
}

} // namespace
} // namespace hlw
