#include "app/commands.h"

#include "core/count_text.h"
#include "core/known_folders.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/string_helpers.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"
#include "engine/live/live_list.h"
#include "liveries/livery_tables.h"
#include "refdata/airports_database.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace settings;

constexpr int32_t adjustmentPeriodSeconds = 15;
constexpr double airborneOnlyHeightFt = 150.0;

void lf_repaintPanel() { ui::gf_controlPort().invalidate(settingsPanelRect, true); }

void lf_message(const std::string& text, bool log = false) { gf_setMessage(text, log); }

// Sets the check mark and the setting to the opposite of the box's mark, and saves it.
bool lf_toggle(BoolCheckBoxParameter& setting)
{
    ui::ControlPort& port = ui::gf_controlPort();
    const bool value = !port.controlChecked(setting.controlId()).value_or(setting.get());
    port.setChecked(setting.controlId(), value);
    setting.setAndSave(value);
    return value;
}

void lf_onOff(bool on, const std::string& whenOn, const std::string& whenOff)
{
    const std::string& text = on ? whenOn : whenOff;
    if (text.empty()) {
        gf_clearMessage();
    } else {
        lf_message(text);
    }
}

// A callsign as the user may type it: 4 to 8 printable ASCII characters.
bool lf_validCallsign(const std::string& text)
{
    if (text.size() < 4 || text.size() > 8) {
        return false;
    }
    return std::ranges::all_of(text, [](char c) { return c >= 0x20 && c < 0x7F; });
}

std::string lf_upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The value of the chosen list entry, clamped and stored; its previous value is returned.
template <typename List> int32_t lf_storeChoice(List& list, int32_t index)
{
    const int32_t before = list.get();
    list.setClampedAndSave(list.choices().at(static_cast<std::size_t>(index)));
    return before;
}

void lf_communityPathFound()
{
    gf_setMessage(fmt::format("Community path found, {} will restart ...", productName), true);
    gf_requestStop(ExitReason::newSettings, 3);
}

// The scan runs at the next start: at once while the live-traffic application has not connected yet (nothing of
// the run is lost), else at the next start of the program.
void lf_scanSwitchedOn(std::string_view what, bool liveries)
{
    if (rtLinkPending.load()) {
        if (liveries) {
            gf_requestLiveryRebuild();
        }
        gf_setMessage(fmt::format("Your {} will be scanned", what), true);
        gf_requestStop(ExitReason::newSettings, 2);
    } else {
        lf_message(fmt::format("Your {} will be scanned at the next start of {}", what, productName));
    }
}

} // namespace

WindowCommands::WindowCommands(ui::Window& window, StatusBoard& status, SimControls& controls,
                               WorkerRequests& requests)
    : window_(window), status_(status), controls_(controls), requests_(requests), manualRange_(range.defaultValue())
{
}

bool WindowCommands::handle(const ui::Command& command)
{
    bool handled = false;
    try {
        handled = buttons(command.id) || checkBoxes(command.id) || lists(command) || enter(command.id);
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", error.what()));
        handled = false;
    }
    // The package list is of use only while the livery groups come from scanned liveries.
    gf_enableControl(aiPackageSelector, ligAutomatic.get() && !scanLiveries.get());
    if (!handled) {
        lf_repaintPanel();
    }
    return handled;
}

bool WindowCommands::buttons(ui::ControlId id)
{
    if (id == unblockButton.controlId()) {
        if (settings::blockCallsign.empty()) {
            lf_message("Nothing to block or unblock...");
        } else {
            unblockCallsign();
        }
        gf_enableControl(blockButton, !callsign2ObjectId.empty());
    } else if (id == csToOidButton.controlId()) {
        requests_.refillCallsignList.store(true);
        gf_enableControl(blockButton, false);
    } else if (id == blockButton.controlId()) {
        blockCallsign(callsign2ObjectId.get());
        gf_resetCallsignList(status_);
        gf_enableControl(blockButton, false);
    } else if (id == reReadButton.controlId()) {
        requests_.reReadParkAirports.store(true);
        gf_enableControl(reReadButton, false);
        gf_enableControl(destination, false);
    } else if (id == flushStaticButton.controlId()) {
        lf_message("All static parked aircraft will be removed ...");
        requests_.flushStatic.store(true);
        gf_enableControl(flushStaticButton, false);
    } else if (id == tbloZipButton.controlId()) {
        if (!gf_shellOpen(fs::current_path() / paths::tbloFolder / paths::tbloZipName)) {
            window_.messageBox("Could not open File Explorer at tblo.zip.", "HLMR");
            return false;
        }
    } else if (id == nowButton.controlId()) {
        if (status_.snapshot().parkAirportCode.empty()) {
            return true;
        }
        if (initialLoadOnly.get()) {
            gf_clearMessage();
            return true;
        }
        staticParkingCountdown();
        status_.update([](StatusValues& values) { values.minutesToStaticUpdate = staticRefreshMinutes; });
        lf_repaintPanel();
    } else {
        return false;
    }
    return true;
}

void WindowCommands::staticParkingCountdown()
{
    controls_.disableParking();
    const int32_t s = requests_.secondCounter.load();
    const int32_t n = adjustmentPeriodSeconds * (s / adjustmentPeriodSeconds + 1) - s;
    if (n > 0) {
        lf_message(fmt::format("{} will update static parking in {} second{} ...", productName, n, gf_pluralInt(n)));
    }
    requests_.parkAdjust.store(true);
}

bool WindowCommands::checkBoxes(ui::ControlId id)
{
    BoolCheckBoxParameter* box = nullptr;
    for (BoolCheckBoxParameter* setting : checkBoxParameterList) {
        if (setting->controlId() == id) {
            box = setting;
        }
    }
    if (box == nullptr) {
        return false;
    }
    const bool wasOn = box->get();
    const bool on = lf_toggle(*box);
    if (box == &ligAutomatic) {
        lf_onOff(on, {}, "The liveries defined by your lfolder parameters will be scanned");
    } else if (box == &ligPrioritize) {
        lf_onOff(on, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", {});
    } else if (box == &collisionLiveParkedGnd) {
        lf_onOff(on, {}, "Be aware, live aircraft may collide with (run through) static parked on the ground");
    } else if (box == &collisionUserGnd) {
        lf_onOff(on, {},
                 "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground");
    } else if (box == &collisionUserAir) {
        lf_onOff(on, {}, "Be aware, user aircraft may collide with (run through) live aircraft in the air");
    } else if (box == &initialLoadOnly) {
        lf_onOff(on,
                 fmt::format("Initial Load Only: static parked aircraft are generated once, no renewal every {} minutes",
                             staticRefreshMinutes),
                 {});
        if (controls_.nowAllowed()) {
            gf_enableControl(nowButton, !on);
        }
        lf_repaintPanel();
    } else if (box == &alwaysOnTop) {
        lf_onOff(on, fmt::format("{}'s window will remain visible", productName), {});
        window_.setTopmost(on);
        lf_repaintPanel();
    } else if (box == &guidChanges) {
        lf_onOff(on, {}, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
        lf_repaintPanel();
    } else if (box == &aerowinx) {
        lf_onOff(on,
                 fmt::format("AEROWINX is only for users of the Aerowinx simulator: restart {} to use it", productName),
                 {});
    } else if (box == &autoRange) {
        gf_enableControl(arAboveHeight, on);
        applyAutoRange(wasOn);
    } else if (box == &scanAirports) {
        if (on) {
            lf_scanSwitchedOn("airports", false);
        } else {
            gf_clearMessage();
        }
        lf_repaintPanel();
    } else if (box == &navLightsWhileParked) {
        requests_.navLightsOn.store(on);
        requests_.navLights.store(true);
    } else if (box == &objectIdList) {
        lf_onOff(on,
                 fmt::format("Every minute info about all active live aircraft is written to the file {}",
                             paths::objectIdListPath.string()),
                 {});
    } else if (box == &airborneOnly) {
        lf_onOff(on,
                 fmt::format("Be aware, airborne live traffic only!  (greater than {:.0f} ft above ground ...)",
                             airborneOnlyHeightFt),
                 {});
        lf_repaintPanel();
    } else if (box == &scanLiveries) {
        if (on) {
            lf_scanSwitchedOn("liveries", true);
        } else {
            gf_clearMessage();
        }
        lf_repaintPanel();
    }
    return true;
}

// Remembers the manual range only when the automatic range is switched on, so that a second "on" (an airport
// file that asks for it again) cannot take the computed range for the user's own.
void WindowCommands::applyAutoRange(bool wasOn)
{
    if (autoRange.get()) {
        if (!wasOn) {
            manualRange_ = range.get();
        }
        requests_.autoRange.store(true);
    } else {
        gf_setRange(manualRange_);
        gf_clearMessage();
    }
    gf_enableControl(range, !autoRange.get());
}

bool WindowCommands::lists(const ui::Command& command)
{
    if (command.notification != ui::Notification::selectionChanged) {
        return false;
    }
    const ui::ControlId id = command.id;
    const std::optional<ListChoice> choice = gf_comboText(id, command);
    if (!choice) {
        // A list without a selection: nothing to do, but the command was the list's.
        for (const Parameter* setting : allSettings) {
            const auto* binding = dynamic_cast<const ControlBinding*>(setting);
            if (binding != nullptr && binding->controlId() == id) {
                return true;
            }
        }
        return false;
    }
    if (id == simChoice.controlId()) {
        if (!simChoice.equals(choice->text)) {
            simChoice.setAndSave(choice->text);
            ui::gf_controlPort().comboSelect(id, choice->index);
            gf_switchSimVersion();
        }
    } else if (id == aiPackageSelector.controlId()) {
        if (!aiPackageSelector.equals(choice->text)) {
            aiPackageSelector.setAndSave(choice->text);
            gf_setMessage("If you want to make this choice effective, you must start a Scan for liveries", true);
        }
    } else if (id == callsign2ObjectId.controlId()) {
        if (!callsign2ObjectId.equals(choice->text)) {
            callsign2ObjectId.set(choice->text);
            status_.update([](StatusValues& values) { values.callsignObjectIdText.clear(); });
            lf_repaintPanel();
            requests_.objectIdLookup.store(true);
            const bool unblockEnabled = ui::gf_controlPort().controlEnabled(unblockButton.controlId()).value_or(false);
            gf_enableControl(blockButton, !unblockEnabled);
        }
    } else if (id == matchingDepth.controlId()) {
        const int32_t before = lf_storeChoice(matchingDepth, choice->index);
        if (matchingDepth.get() > before) {
            requests_.matchingDepthChanged.store(true);
        }
    } else if (id == range.controlId()) {
        lf_storeChoice(range, choice->index);
        gf_setRange(range.get());
    } else if (id == maxLiveSel.controlId()) {
        lf_storeChoice(maxLiveSel, choice->index);
        // The worker removes the farthest live aircraft beyond the new limit.
        requests_.trimLiveAircraft.store(true);
    } else if (id == maxFitFl.controlId()) {
        const float value = maxFitFl.choices().at(static_cast<std::size_t>(choice->index));
        maxFitFl.set(value);
        maxFit.setClampedAndSave(static_cast<int32_t>(std::lround(2.0F * value)) - 1);
    } else {
        for (IntComboParameter* list : {&maxParkSel, &parkingPercentage, &airpRange, &arAboveHeight, &airpHeight}) {
            if (id == list->controlId()) {
                lf_storeChoice(*list, choice->index);
                return true;
            }
        }
        return false;
    }
    return true;
}

bool WindowCommands::enter(ui::ControlId id)
{
    if (id != settings::blockCallsign.controlId() && id != destination.controlId() &&
        id != allInstallPath.controlId()) {
        return false;
    }
    gf_clearMessage();
    const std::string typed = ui::gf_controlPort().controlText(id).value_or(std::string());
    if (id == settings::blockCallsign.controlId()) {
        checkBlockCallsign(typed);
    } else if (id == destination.controlId()) {
        checkDestination(typed);
    } else {
        gf_checkInstallPath(simIsMsfs2020.load() ? msfsInstallPath : msfs2024InstallPath, typed);
    }
    return true;
}

void WindowCommands::checkBlockCallsign(const std::string& typed)
{
    if (typed.empty()) {
        if (!settings::blockCallsign.empty()) {
            unblockCallsign();
        }
        return;
    }
    if (!lf_validCallsign(typed)) {
        gf_setMessage(fmt::format("callsign '{}' is not valid", typed), true);
        gf_setStringControlText(settings::blockCallsign);
        return;
    }
    const std::string callsign = lf_upper(typed);
    if (settings::blockCallsign.equals(callsign)) {
        gf_setMessage(fmt::format("callsign '{}' was already set ...", callsign), true);
        gf_setStringControlText(settings::blockCallsign);
        return;
    }
    if (callsign2ObjectId.equals(callsign)) {
        gf_resetCallsignList(status_);
    }
    blockCallsign(callsign);
}

void WindowCommands::unblockCallsign()
{
    if (settings::blockCallsign.empty()) {
        return;
    }
    const std::string former = settings::blockCallsign.get();
    settings::blockCallsign.setAndSave("");
    gf_setStringControlText(settings::blockCallsign);
    gf_enableControl(unblockButton, false);
    gf_setMessage(fmt::format("no more blocking of live aircraft '{}'", former), true);
    requests_.blockCallsign.store(true);
}

void WindowCommands::blockCallsign(const std::string& callsign)
{
    settings::blockCallsign.setAndSave(callsign);
    gf_setStringControlText(settings::blockCallsign);
    gf_enableControl(unblockButton, true);
    requests_.blockCallsign.store(true);
}

void WindowCommands::checkDestination(const std::string& typed)
{
    if (typed.empty()) {
        // For this run only.
        destination.set("");
        gf_enableControl(reReadButton, true);
        gf_setMessage("destination set to empty", true);
        return;
    }
    if (typed.size() != 4 || !FixedCode<4>::isValid(typed)) {
        gf_setMessage(fmt::format("destination '{}' is not valid", typed), true);
        gf_setStringControlText(destination);
        return;
    }
    const std::string code = lf_upper(typed);
    if (destination.equals(code)) {
        gf_setMessage(fmt::format("destination '{}' was already set ...", code), true);
        gf_setStringControlText(destination);
        return;
    }
    const AirportRecord* airport = gf_findAirport(FixedCode<4>(code));
    if (airport == nullptr) {
        gf_setMessage(fmt::format("destination '{}' is unknown ...", code), true);
        gf_setStringControlText(destination);
        return;
    }
    gf_setDestination(code, airport->position(), [this](const FixedCode<4>& airportCode, const LatLon& position) {
        requests_.postDestination({airportCode, position});
    });
}

void gf_setDestination(const std::string& code, const LatLon& position,
                       const std::function<void(const FixedCode<4>&, const LatLon&)>& addToList)
{
    destination.setAndSave(code);
    gf_setStringControlText(destination);
    gf_setMessage(fmt::format("New destination: {}", code), true);
    addToList(FixedCode<4>(code), position);
    gf_enableControl(reReadButton, false);
}

void gf_checkInstallPath(StringParameter& target, const std::string& typed)
{
    gf_clearError();
    gf_clearMessage();
    if (typed.empty()) {
        if (!target.empty()) {
            target.setAndSave("");
        }
        return;
    }
    const fs::path path = gf_pathFromUtf8(typed);
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (error) {
        gf_setMessage(fmt::format("Cannot access install path '{}': {}", typed, error.message()), true);
        return;
    }
    if (!exists) {
        gf_setMessage(fmt::format("This install path does not exist: {}", typed), true);
        return;
    }
    // Trailing separators do not count: "Community/" is the folder "Community".
    fs::path withoutSlash = path;
    while (!withoutSlash.has_filename() && withoutSlash.has_parent_path() && withoutSlash != withoutSlash.root_path()) {
        withoutSlash = withoutSlash.parent_path();
    }
    if (withoutSlash.filename() != paths::communityName) {
        if (fs::exists(path / paths::communityName, error)) {
            target.setAndSave(typed);
            lf_communityPathFound();
        } else {
            gf_setMessage("This path exists but is not a path to Community ...", true);
        }
        return;
    }
    const fs::path parent = withoutSlash.parent_path();
    if (fs::exists(parent / paths::communityName, error)) {
        const std::u8string text = parent.u8string();
        target.setAndSave(std::string(text.begin(), text.end()));
        lf_communityPathFound();
    } else {
        gf_setMessage("This path does not contain a valid Community folder (unexpected).", true);
    }
}

} // namespace hlw
