#include "app/sim_controls.h"

#include "settings/catalogue.h"
#include "settings/control_services.h"

namespace hlw {
namespace {

using namespace settings;

constexpr int32_t parkingPercentageForRun = 30;

void lf_enable(std::initializer_list<const ControlBinding*> bindings, bool enabled)
{
    for (const ControlBinding* binding : bindings) {
        gf_enableControl(*binding, enabled);
    }
}

void lf_repaintPanel()
{
    ui::gf_controlPort().invalidate(settingsPanelRect, true);
}

// "MAX_FIT_FL" shows its float choices; "MAX_FIT" decides its value.
void lf_showMaxFit()
{
    ui::ControlPort& port = ui::gf_controlPort();
    if (!port.hasControl(maxFitFl.controlId())) {
        return;
    }
    port.comboReset(maxFitFl.controlId());
    for (const float choice : maxFitFl.choices()) {
        port.comboAddItem(maxFitFl.controlId(), FloatChoiceFormat::text(choice));
    }
    maxFitFl.showSelection();
    gf_syncMaxFit();
    gf_enableControl(maxFitFl, false);
}

} // namespace

std::optional<ListChoice> gf_comboText(ui::ControlId id, const ui::Command& command)
{
    if (command.id != id || command.notification != ui::Notification::selectionChanged) {
        return std::nullopt;
    }
    const ui::ControlPort& port = ui::gf_controlPort();
    const std::optional<int32_t> index = port.comboSelection(id);
    if (!index) {
        return std::nullopt;
    }
    std::optional<std::string> text = port.comboItemText(id, *index);
    if (!text) {
        return std::nullopt;
    }
    return ListChoice{*index, std::move(*text)};
}

void SimControls::enableForStartUp()
{
    // AEROWINX too: a restart must bring every control back, whatever changed it meanwhile.
    lf_enable({&alwaysOnTop, &navLightsWhileParked, &objectIdList, &guidChanges, &scanLiveries, &ligAutomatic,
               &ligPrioritize, &aerowinx},
              true);
    lf_enable({&scanAirports, &tbloZipButton}, false);

    gf_enableControl(matchingDepth);
    matchingDepth.fillCombo();
    lf_enable({&lightAircraft, &helicopters, &highPerfAircraft}, true);

    gf_enableControl(range, !autoRange.get());
    range.fillCombo();
    gf_enableControl(autoRange);
    gf_enableControl(arAboveHeight, autoRange.get());
    arAboveHeight.fillCombo();
    lf_enable({&airborneOnly, &collisionUserGnd, &collisionUserAir, &collisionLiveParkedGnd}, true);

    gf_enableControl(blockButton, false);
    gf_enableControl(blockCallsign);
    gf_enableControl(unblockButton, !blockCallsign.empty());
    if (!initialLoadOnly.get()) {
        gf_enableControl(nowButton, false);
    }
    nowAllowed_.store(true);

    for (const IntComboParameter* list : {&maxParkSel, &maxLiveSel}) {
        gf_enableControl(*list);
        list->fillCombo();
    }
    gf_enableControl(straightPbsOnly);
    lf_enable({&csToOidButton, &callsign2ObjectId}, false);

    // The package list is of use only while the livery groups are chosen automatically from scanned liveries.
    aiPackageSelector.fillCombo();
    gf_enableControl(aiPackageSelector, ligAutomatic.get() && !scanLiveries.get());

    gf_enableControl(simChoice);
    simChoice.fillCombo();

    gf_enableControl(destination, false);
    // The settings load fills no text into this box, and the close of a run empties the setting: without this
    // the box would still show the destination of the run before.
    gf_setStringControlText(destination);
    for (const IntComboParameter* list : {&airpRange, &airpHeight}) {
        gf_enableControl(*list);
        list->fillCombo();
    }
    gf_enableControl(reReadButton, false);
    // For this run only: not saved.
    parkingPercentage.set(parkingPercentageForRun);
    parkingPercentage.fillCombo();
    gf_enableControl(parkingPercentage, false);

    lf_showMaxFit();

    lf_enable({&week, &parkSoft}, true);
    gf_enableControl(flushStaticButton, false);
    gf_enableControl(initialLoadOnly);
}

void SimControls::disableParking()
{
    status_.update([](StatusValues& values) { values.staticParkingBusy = true; });
    lf_enable({&parkingPercentage, &week, &parkSoft, &maxFitFl, &maxParkSel, &maxLiveSel, &flushStaticButton},
              false);
    if (!initialLoadOnly.get()) {
        gf_enableControl(nowButton, false);
    }
    gf_enableControl(reReadButton, false);
    lf_repaintPanel();
}

void SimControls::enableParking()
{
    status_.update([](StatusValues& values) {
        values.staticParkingBusy = false;
        values.minutesToStaticUpdate = staticRefreshMinutes;
    });
    lf_repaintPanel();
    lf_enable({&maxParkSel, &maxLiveSel, &parkingPercentage, &week, &parkSoft, &maxFitFl}, true);
    if (!initialLoadOnly.get()) {
        gf_enableControl(nowButton);
    }
    lf_enable({&flushStaticButton, &reReadButton}, true);
    lf_repaintPanel();
}

} // namespace hlw
