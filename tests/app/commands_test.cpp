// The window's commands, driven by scripted user actions on the recording back end: each control's message,
// saved setting, request to the worker and enabled states, with the edge cases of callsigns, destinations,
// install paths, "Now" and the automatic range.
#include "app/auto_range.h"
#include "app/commands.h"
#include "app/control_table.h"
#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "liveries/livery_tables.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"
#include "support/recording_window.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace settings;
using ::testing::HasSubstr;

class CommandsTest : public ::testing::Test, public ui::WindowEvents {
  protected:
    CommandsTest()
    {
        gf_resetRunFlags();
        userClosing.store(false);
        gf_resetMessageLine();
        gf_overrideDataFolderPath(dir / "user");
        fs::create_directories(dir / "user");
        gf_startLog(dir / "Log.txt");
        ui::gf_installControlPort(&window);
        window.create({"Hollowmere", {400, 20}, 880, 476, 0xFFCC99}, gf_controlsAtCreation(), *this);
        for (BoolCheckBoxParameter* setting : {&autoRange, &scanLiveries, &scanAirports}) {
            setting->set(false);
            window.setChecked(setting->controlId(), false);
        }
        controls.enableForStartUp();
        window.controls().takeOperations();
    }
    ~CommandsTest() override
    {
        ui::gf_installControlPort(nullptr);
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        for (BoolCheckBoxParameter* setting : checkBoxParameterList) {
            setting->set(setting->defaultValue());
        }
        for (IntComboParameter* list : intComboParameterList) {
            list->set(list->defaultValue());
        }
        for (StringParameter* text : {static_cast<StringParameter*>(&settings::blockCallsign),
                                      static_cast<StringParameter*>(&destination),
                                      static_cast<StringParameter*>(&callsign2ObjectId), &msfsInstallPath}) {
            text->set(text->defaultValue());
        }
        gf_setRange(range.defaultValue());
        aiPackageSelector.set(aiPackageSelector.defaultValue());
        simChoice.set(simChoice.defaultValue());
        gf_clearAirports();
        gf_resetRunFlags();
        gf_resetMessageLine();
    }

    void onMessage(uint32_t) override {}
    void onCommand(ui::Command command) override { lastHandled = commands.handle(command); }
    void onClose() override {}
    void onPaint(ui::Painter&) override {}

    void click(const ControlBinding& control)
    {
        ASSERT_TRUE(window.click(control.controlId()));
        window.pump();
    }
    void choose(const ControlBinding& control, int32_t index)
    {
        ASSERT_TRUE(window.choose(control.controlId(), index));
        window.pump();
    }
    void type(const ControlBinding& control, const std::string& text)
    {
        ASSERT_TRUE(window.typeWithEnter(control.controlId(), text));
        window.pump();
    }
    std::string message() const { return gf_messageLineTexts().message; }
    bool enabled(const ControlBinding& control) const { return *window.controlEnabled(control.controlId()); }
    bool checked(const ControlBinding& control) const { return *window.controlChecked(control.controlId()); }
    std::string boxText(const ControlBinding& control) const { return *window.controlText(control.controlId()); }
    // The value stored in "parameters.xml" for the key, or "" when none is.
    std::string saved(const std::string& key) const
    {
        std::ifstream file(dir / "user" / "parameters.xml");
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::string marker = "name=\"" + key + "\" value=\"";
        const std::size_t at = text.find(marker);
        if (at == std::string::npos) {
            return "";
        }
        const std::size_t begin = at + marker.size();
        return text.substr(begin, text.find('"', begin) - begin);
    }
    std::string log()
    {
        gf_logFlushNow();
        std::ifstream file(dir / "Log.txt");
        return {(std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()};
    }

    test::TempDir dir;
    ui::RecordingWindow window;
    StatusBoard status;
    SimControls controls{status};
    WorkerRequests requests;
    WindowCommands commands{window, status, controls, requests};
    bool lastHandled = false;
};

TEST_F(CommandsTest, EachCheckBoxTogglesSavesAndTellsTheUser)
{
    struct Row {
        BoolCheckBoxParameter& box;
        const char* whenOn;
        const char* whenOff;
    };
    const Row rows[] = {
        {ligAutomatic, "", "The liveries defined by your lfolder parameters will be scanned"},
        {ligPrioritize, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", ""},
        {collisionLiveParkedGnd, "", "Be aware, live aircraft may collide with (run through) static parked on the ground"},
        {collisionUserGnd, "",
         "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground"},
        {collisionUserAir, "", "Be aware, user aircraft may collide with (run through) live aircraft in the air"},
        {initialLoadOnly, "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes",
         ""},
        {alwaysOnTop, "Hollowmere's window will remain visible", ""},
        {guidChanges, "", "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
        {aerowinx, "AEROWINX is only for users of the Aerowinx simulator: restart Hollowmere to use it", ""},
        {objectIdList, "Every minute info about all active live aircraft is written to the file output/info/ObjectIdList.txt",
         ""},
        {airborneOnly, "Be aware, airborne live traffic only!  (greater than 150 ft above ground ...)", ""},
        {parkSoft, "", ""},
        {week, "", ""},
        {straightPbsOnly, "", ""},
        {lightAircraft, "", ""},
        {helicopters, "", ""},
        {highPerfAircraft, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.box.key());
        for (int round = 0; round < 2; ++round) {
            gf_setMessage("before", false);
            const bool on = !checked(row.box);
            click(row.box);
            EXPECT_TRUE(lastHandled);
            EXPECT_EQ(checked(row.box), on);
            EXPECT_EQ(row.box.get(), on);
            EXPECT_EQ(saved(row.box.key()), on ? "true" : "false");
            // Boxes that are only saved leave the message line alone.
            const bool savedOnly = *row.whenOn == '\0' && *row.whenOff == '\0';
            EXPECT_EQ(message(), savedOnly ? "before" : (on ? row.whenOn : row.whenOff));
        }
    }
    EXPECT_FALSE(window.topmost());
    click(alwaysOnTop);
    EXPECT_TRUE(window.topmost());
}

TEST_F(CommandsTest, CheckBoxesThatSwitchOtherControlsOrAskTheWorker)
{
    // "Now" follows INITIAL_LOAD_ONLY once the start-up allowed it.
    click(initialLoadOnly);
    EXPECT_FALSE(enabled(nowButton));
    click(initialLoadOnly);
    EXPECT_TRUE(enabled(nowButton));

    // The package list is enabled exactly while the groups are automatic and no livery scan is pending.
    ligAutomatic.set(true);
    window.setChecked(ligAutomatic.controlId(), true);
    click(ligAutomatic);
    EXPECT_FALSE(enabled(aiPackageSelector));
    click(ligAutomatic);
    EXPECT_TRUE(enabled(aiPackageSelector));

    // The navigation lights of parked aircraft are the worker's: a request with the new value.
    const bool lights = navLightsWhileParked.get();
    click(navLightsWhileParked);
    EXPECT_TRUE(requests.navLights.load());
    EXPECT_EQ(requests.navLightsOn.load(), !lights);
}

TEST_F(CommandsTest, AScanSwitchedOnRestartsBeforeTheLinkAndWaitsForTheNextStartAfterIt)
{
    rtLinkPending.store(true);
    click(scanLiveries);
    EXPECT_TRUE(scanLiveries.get());
    EXPECT_FALSE(enabled(aiPackageSelector));
    EXPECT_TRUE(gf_liveryRebuildRequested());
    EXPECT_EQ(message(), "Your liveries will be scanned");
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newSettings, 2}));
    EXPECT_THAT(log(), HasSubstr("Your liveries will be scanned\n"));

    gf_resetRunFlags();
    rtLinkPending.store(false);
    // The traffic start enables the box.
    window.enable(scanAirports.controlId(), true);
    click(scanAirports);
    EXPECT_EQ(message(), "Your airports will be scanned at the next start of Hollowmere");
    EXPECT_FALSE(stopRequested.load());
    click(scanLiveries);
    EXPECT_FALSE(scanLiveries.get());
    EXPECT_TRUE(enabled(aiPackageSelector));
}

TEST_F(CommandsTest, ButtonsRequestTheirWorkAndSwitchTheirControls)
{
    window.enable(flushStaticButton.controlId(), true);
    click(flushStaticButton);
    EXPECT_EQ(message(), "All static parked aircraft will be removed ...");
    EXPECT_TRUE(requests.flushStatic.load());
    EXPECT_FALSE(enabled(flushStaticButton));

    window.enable(reReadButton.controlId(), true);
    window.enable(destination.controlId(), true);
    click(reReadButton);
    EXPECT_TRUE(requests.reReadParkAirports.load());
    EXPECT_FALSE(enabled(reReadButton));
    EXPECT_FALSE(enabled(destination));

    window.enable(csToOidButton.controlId(), true);
    window.enable(blockButton.controlId(), true);
    click(csToOidButton);
    EXPECT_TRUE(requests.refillCallsignList.load());
    EXPECT_FALSE(enabled(blockButton));

    // "Block" blocks the chosen callsign and empties the choice.
    callsign2ObjectId.set("KLM1234");
    window.enable(blockButton.controlId(), true);
    click(blockButton);
    EXPECT_EQ(settings::blockCallsign.get(), "KLM1234");
    EXPECT_EQ(saved("BLOCK_CALLSIGN"), "KLM1234");
    EXPECT_TRUE(requests.blockCallsign.exchange(false));
    EXPECT_TRUE(enabled(unblockButton));
    EXPECT_FALSE(enabled(blockButton));

    click(unblockButton);
    EXPECT_EQ(settings::blockCallsign.get(), "");
    EXPECT_EQ(message(), "no more blocking of live aircraft 'KLM1234'");
    EXPECT_TRUE(requests.blockCallsign.load());
    EXPECT_FALSE(enabled(unblockButton));

    // No "tblo.zip" yet: the file browser cannot show it, a note says so and the command counts as not handled.
    window.enable(tbloZipButton.controlId(), true);
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    click(tbloZipButton);
    fs::current_path(before);
    EXPECT_FALSE(lastHandled);
    ASSERT_EQ(window.messageBoxes().size(), 1U);
    EXPECT_EQ(window.messageBoxes()[0].first, "Could not open File Explorer at tblo.zip.");
    EXPECT_EQ(window.messageBoxes()[0].second, "HLMR");
}

TEST_F(CommandsTest, NowAnnouncesTheNextQuarterMinuteAndAsksForTheAdjustment)
{
    window.enable(nowButton.controlId(), true);
    // No park airport: nothing at all.
    gf_setMessage("kept", false);
    click(nowButton);
    EXPECT_EQ(message(), "kept");
    EXPECT_FALSE(requests.parkAdjust.load());

    status.update([](StatusValues& values) {
        values.parkAirportCode = "EHAM";
        values.minutesToStaticUpdate = 7;
    });
    initialLoadOnly.set(true);
    click(nowButton);
    EXPECT_EQ(message(), "");
    EXPECT_FALSE(requests.parkAdjust.load());
    initialLoadOnly.set(false);

    struct Row {
        int32_t second;
        const char* text;
    };
    for (const Row row : {Row{30, "Hollowmere will update static parking in 15 seconds ..."},
                          Row{31, "Hollowmere will update static parking in 14 seconds ..."},
                          Row{44, "Hollowmere will update static parking in 1 second ..."}}) {
        requests.parkAdjust.store(false);
        requests.secondCounter.store(row.second);
        window.enable(nowButton.controlId(), true);
        click(nowButton);
        EXPECT_EQ(message(), row.text);
        EXPECT_TRUE(requests.parkAdjust.load());
        EXPECT_EQ(status.snapshot().minutesToStaticUpdate, 20);
        EXPECT_TRUE(status.snapshot().staticParkingBusy);
        EXPECT_FALSE(enabled(maxParkSel));
        EXPECT_FALSE(enabled(nowButton));
    }
}

TEST_F(CommandsTest, ListsStoreTheChosenValueAndAskTheWorkerWhereItsDataChange)
{
    choose(maxLiveSel, 1);
    EXPECT_EQ(maxLiveSel.get(), 10);
    EXPECT_EQ(saved("MAX_LIVE_SEL"), "10");
    EXPECT_TRUE(requests.trimLiveAircraft.load());

    matchingDepth.set(matchingDepth.choices().back());
    choose(matchingDepth, 0);
    EXPECT_FALSE(requests.matchingDepthChanged.load());
    choose(matchingDepth, 2);
    EXPECT_TRUE(requests.matchingDepthChanged.load());

    choose(range, 0);
    EXPECT_EQ(range.get(), range.choices().front());
    EXPECT_EQ(rangeMetres.load(), range.choices().front() * 1852);

    const int32_t index = 3;
    window.enable(maxFitFl.controlId(), true);
    choose(maxFitFl, index);
    const float value = maxFitFl.choices()[index];
    EXPECT_FLOAT_EQ(maxFitFl.get(), value);
    EXPECT_EQ(maxFit.get(), maxFit.clamp(static_cast<int32_t>(std::lround(2.0F * value)) - 1));
    EXPECT_EQ(saved("MAX_FIT"), std::to_string(maxFit.get()));

    callsign2ObjectId.choices()->assign({"", "DLH4AB", "KLM1234"});
    callsign2ObjectId.fillCombo();
    window.enable(callsign2ObjectId.controlId(), true);
    status.update([](StatusValues& values) { values.callsignObjectIdText = "= 17"; });
    choose(callsign2ObjectId, 2);
    EXPECT_EQ(callsign2ObjectId.get(), "KLM1234");
    EXPECT_EQ(saved("CALLSIGN_2_OBJECTID"), "");
    EXPECT_EQ(status.snapshot().callsignObjectIdText, "");
    EXPECT_TRUE(requests.objectIdLookup.load());
    EXPECT_TRUE(enabled(blockButton));
}

TEST_F(CommandsTest, ListsThatOnlyStoreTheirValue)
{
    struct Row {
        IntComboParameter& list;
        int32_t index;
    };
    const Row rows[] = {{maxParkSel, 2}, {parkingPercentage, 3}, {airpRange, 0}, {arAboveHeight, 1}, {airpHeight, 4}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list.key());
        window.enable(row.list.controlId(), true);
        choose(row.list, row.index);
        const int32_t value = row.list.choices()[static_cast<std::size_t>(row.index)];
        EXPECT_EQ(row.list.get(), value);
        EXPECT_EQ(saved(row.list.key()), std::to_string(value));
    }
    EXPECT_FALSE(requests.trimLiveAircraft.load());

    // The package order is stored with its note; choosing the same one again changes nothing.
    aiPackageSelector.set(aiPackageSelector.choices().front());
    aiPackageSelector.fillCombo();
    window.enable(aiPackageSelector.controlId(), true);
    choose(aiPackageSelector, 1);
    EXPECT_EQ(aiPackageSelector.get(), aiPackageSelector.choices()[1]);
    EXPECT_EQ(saved("AI_PACKAGE_SELECTOR"), aiPackageSelector.choices()[1]);
    EXPECT_EQ(message(), "If you want to make this choice effective, you must start a Scan for liveries");
    gf_clearMessage();
    choose(aiPackageSelector, 1);
    EXPECT_EQ(message(), "");
}

// Another simulator: stored, the scans switched on and the run restarted.
TEST_F(CommandsTest, AnotherSimulatorRestartsTheRun)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    simChoice.set("MSFS 2020");
    simChoice.fillCombo();
    choose(simChoice, 1);
    fs::current_path(before);
    EXPECT_EQ(simChoice.get(), "MSFS 2024");
    EXPECT_EQ(saved("SIM_CHOICE"), "MSFS 2024");
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newSettings, 3}));
    EXPECT_TRUE(scanLiveries.get());
    simChoice.set(simChoice.defaultValue());
}

TEST_F(CommandsTest, ABlockedCallsignIsCheckedAsTyped)
{
    struct Row {
        const char* typed;
        const char* stored;
        const char* message;
    };
    const Row rows[] = {
        {"  ab1", "  AB1", ""},
        {"ABC", "  AB1", "callsign 'ABC' is not valid"},
        {"ABCDEFGHI", "  AB1", "callsign 'ABCDEFGHI' is not valid"},
        {"  Ab1", "  AB1", "callsign '  AB1' was already set ..."},
        {"AB\x01" "12", "  AB1", "callsign 'AB\x01" "12' is not valid"},
        {"dlh4ab", "DLH4AB", ""},
        {"", "", "no more blocking of live aircraft 'DLH4AB'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        requests.blockCallsign.store(false);
        type(settings::blockCallsign, row.typed);
        EXPECT_EQ(settings::blockCallsign.get(), row.stored);
        EXPECT_EQ(saved("BLOCK_CALLSIGN"), row.stored);
        EXPECT_EQ(boxText(settings::blockCallsign), row.stored);
        EXPECT_EQ(message(), row.message);
        EXPECT_EQ(requests.blockCallsign.load(), std::string(row.message).find("is not") == std::string::npos &&
                                                     std::string(row.message).find("already") == std::string::npos);
        EXPECT_EQ(enabled(unblockButton), !std::string(row.stored).empty());
    }
}

TEST_F(CommandsTest, ADestinationIsCheckedAndGoesToTheWorkersList)
{
    AirportRecord eham;
    eham.icao = FixedCode<4>("EHAM");
    eham.lat = 52.31;
    eham.lon = 4.76;
    gf_installAirports({eham});
    destination.set("EHRD");
    window.enable(destination.controlId(), true);
    struct Row {
        const char* typed;
        const char* message;
    };
    const Row refused[] = {{"EHR", "destination 'EHR' is not valid"},
                           {"E?AM", "destination 'E?AM' is not valid"},
                           {"ehrd", "destination 'EHRD' was already set ..."},
                           {"zzzz", "destination 'ZZZZ' is unknown ..."}};
    for (const Row& row : refused) {
        SCOPED_TRACE(row.typed);
        type(destination, row.typed);
        EXPECT_EQ(message(), row.message);
        EXPECT_EQ(boxText(destination), "EHRD");
        EXPECT_EQ(destination.get(), "EHRD");
        EXPECT_FALSE(requests.takeDestination());
    }
    EXPECT_THAT(log(), HasSubstr("destination 'ZZZZ' is unknown ...\n"));

    window.enable(reReadButton.controlId(), true);
    type(destination, "eham");
    EXPECT_EQ(destination.get(), "EHAM");
    EXPECT_EQ(saved("DESTINATION"), "EHAM");
    EXPECT_EQ(message(), "New destination: EHAM");
    EXPECT_FALSE(enabled(reReadButton));
    const std::optional<DestinationRequest> request = requests.takeDestination();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->code.view(), "EHAM");
    EXPECT_DOUBLE_EQ(request->position.lat, 52.31);

    // Empty: for this run only, and "Re-read" may run again.
    type(destination, "");
    EXPECT_EQ(destination.get(), "");
    EXPECT_EQ(saved("DESTINATION"), "EHAM");
    EXPECT_TRUE(enabled(reReadButton));
    EXPECT_EQ(message(), "destination set to empty");
}

TEST_F(CommandsTest, AnInstallPathIsStoredAsTheFolderThatHoldsCommunity)
{
    simIsMsfs2020.store(true);
    fs::create_directories(dir / "sim" / "Packages" / "Community");
    fs::create_directories(dir / "empty");
    window.enable(allInstallPath.controlId(), true);
    struct Row {
        std::string typed;
        std::string stored;
        std::string message;
        bool restarts;
    };
    const std::string packages = (dir / "sim" / "Packages").string();
    const Row rows[] = {
        {(dir / "nowhere").string(), "", "This install path does not exist: " + (dir / "nowhere").string(), false},
        {(dir / "empty").string(), "", "This path exists but is not a path to Community ...", false},
        {packages, packages, "Community path found, Hollowmere will restart ...", true},
        {packages + "/Community/", packages, "Community path found, Hollowmere will restart ...", true},
        {packages + "/Community", packages, "Community path found, Hollowmere will restart ...", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        gf_resetRunFlags();
        msfsInstallPath.set("");
        gf_showError("an old error");
        type(allInstallPath, row.typed);
        EXPECT_EQ(gf_messageLineTexts().error, "");
        EXPECT_EQ(msfsInstallPath.get(), row.stored);
        EXPECT_EQ(message(), row.message);
        const StopDecision expected = row.restarts ? StopDecision{ExitReason::newSettings, 3} : StopDecision{};
        EXPECT_EQ(gf_stopDecision(), expected);
    }
    type(allInstallPath, "");
    EXPECT_EQ(msfsInstallPath.get(), "");
    EXPECT_EQ(saved("MSFS_INSTALL_PATH"), "");
    simIsMsfs2020.store(false);
}

TEST(AutoRange, TheFirstRuleThatAppliesGivesTheRange)
{
    struct Row {
        bool onGround;
        double heightFt;
        double distanceNm;
        int32_t range;
    };
    // AR_ABOVE_HEIGHT 10000 ft, AIRP_HEIGHT 3000 ft.
    const Row rows[] = {
        {true, 20000.0, 50.0, 10},   {false, 10001.0, 3.0, 100}, {false, 10000.0, 3.0, 40},
        {false, 3000.0, 7.0, 10},    {false, 3000.0, 7.01, 8},   {false, 0.0, 37.0, 40},
        {false, 0.0, 36.9, 35},      {false, 0.0, 12.5, 14},     {false, 0.0, 12.49, 12},
        {false, 0.0, 8.49, 8},       {false, 0.0, 8.5, 10},      {false, 0.0, 27.5, 30},
        {false, 0.0, 18.6, 20},      {false, 0.0, 16.5, 18},     {false, 0.0, 15.0, 16},
        {false, 0.0, 22.5, 25},      {false, 0.0, noParkAirportDistanceNm, 40},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_autoRangeNm(row.onGround, row.heightFt, 10000, 3000, row.distanceNm), row.range)
            << row.heightFt << " ft, " << row.distanceNm << " nm";
    }
}

// Switching on remembers the manual range; switching off restores it. Only an off-to-on change remembers.
TEST_F(CommandsTest, TheAutomaticRangeKeepsTheUsersManualRange)
{
    gf_setRange(25);
    click(autoRange);
    EXPECT_TRUE(requests.autoRange.exchange(false));
    EXPECT_FALSE(enabled(range));
    EXPECT_TRUE(enabled(arAboveHeight));
    // The worker computes a range meanwhile.
    gf_setRange(100);
    click(autoRange);
    EXPECT_EQ(range.get(), 25);
    EXPECT_TRUE(enabled(range));
    EXPECT_FALSE(enabled(arAboveHeight));
    EXPECT_FALSE(requests.autoRange.load());
}

} // namespace
} // namespace hlw
