#include "window_scenarios.h"

#include "settings/catalogue.h"

#include <algorithm>

namespace hlw::demo {
namespace {

// The simulator connected with a flight running and a known aircraft; the live-traffic link and both readers
// receiving.
StatusValues lf_running()
{
    StatusValues values;
    values.simConnected = true;
    values.flightRunningShown = true;
    values.simulatorText = "MSFS 2020 v1.39.9";
    values.aircraftTitleText = "Airbus A320 Neo Asobo";
    values.wingSpanKnown = true;
    values.liveryCount = 4711;
    values.simAddonCount = 12;
    values.thirdPartyCount = 3;
    values.trafficStartPending = false;
    values.liveSourceReady = true;
    values.rtEditionText = "RT Professional 10.0";
    values.qnh = 1013;
    values.trafficReader = ReaderLamp::receiving;
    values.qnhReader = ReaderLamp::receiving;
    values.liveCount = 27;
    return values;
}

StatusValues lf_parked(bool reservedFound)
{
    StatusValues values = lf_running();
    values.userStandText = "GATE 12";
    values.parkAirportCode = "EHAM";
    values.fileLoaded = true;
    values.airportNameText = "Amsterdam Schiphol";
    values.airportInfoText = "simaddon";
    values.handmade = true;
    values.weekValue = 23;
    values.softOptionsUsed = true;
    values.qualityText = "0.87";
    values.reservedStand = "GATE D7";
    values.reservedStandFound = reservedFound;
    values.updateCount = 118;
    values.standCount = 232;
    values.parkedLiveCount = 9;
    values.meanParkedHoursLive = 2.5F;
    values.staticCount = 64;
    values.meanParkedHoursStatic = 3.0F;
    values.maxParkLive = 120;
    values.maxParkPercent = 52;
    values.minutesToStaticUpdate = 12;
    return values;
}

PanelView lf_panel()
{
    PanelView panel;
    panel.guidChanges = true;
    panel.straightPbsOnly = true;
    panel.maxParkSel = 100;
    panel.maxLiveSel = 50;
    return panel;
}

std::vector<WindowScenario> lf_build()
{
    std::vector<WindowScenario> scenarios;
    const auto add = [&](std::string name, std::string description, StatusValues status, std::string message = {},
                         std::string error = {}) -> WindowScenario& {
        scenarios.push_back({std::move(name), std::move(description), std::move(status), lf_panel(),
                             std::move(message), std::move(error)});
        return scenarios.back();
    };

    add("not-connected", "the simulator is not connected: red Sim lamp, black RT lamp", StatusValues{},
        "Waiting for MSFS ...");
    {
        StatusValues values;
        values.simConnected = true;
        values.simulatorText = "MSFS 2020 v1.39.9";
        values.liveryCount = 4711;
        add("connected-no-flight", "connected without a flight: yellow Sim lamp", values);
    }
    add("running", "a running flight with both readers receiving: green lamps", lf_running());
    {
        StatusValues values = lf_running();
        values.trafficReader = ReaderLamp::stalled;
        values.qnhReader = ReaderLamp::stalled;
        add("readers-stalled", "both readers stalled: yellow RT lamp and reader texts", values);
    }
    {
        StatusValues values = lf_running();
        values.trafficReader = ReaderLamp::notRunning;
        values.qnhReader = ReaderLamp::notRunning;
        add("readers-stopped", "both readers not running: yellow RT lamp, no reader texts", values);
    }
    {
        StatusValues values = lf_running();
        values.liveSourceReady = false;
        add("source-not-ready", "the live-traffic source is not ready: red RT lamp", values);
    }
    {
        StatusValues values = lf_running();
        values.qnh = 0;
        add("qnh-zero", "a QNH of 0 hides the qnh text", values);
    }
    {
        WindowScenario& scenario = add("max-lists-zero", "both maximum lists at 0: both labels red", lf_parked(true));
        scenario.panel.maxParkSel = 0;
        scenario.panel.maxLiveSel = 0;
    }
    {
        StatusValues values = lf_parked(true);
        values.minutesToStaticUpdate = 19;
        add("next-update-19", "19 minutes to the next static update: the note shows", values);
    }
    {
        StatusValues values = lf_parked(true);
        values.minutesToStaticUpdate = 20;
        add("next-update-20", "20 minutes to the next static update: no note", values);
    }
    add("park-reserved-found", "park airport loaded, its reserved stand found (green)", lf_parked(true));
    add("park-reserved-missing", "park airport loaded, its reserved stand not found (red)", lf_parked(false));
    {
        StatusValues values = lf_parked(true);
        values.staticParkingBusy = true;
        values.positionsToPlace = 17;
        add("static-busy", "static parking busy: yellow label, positions still to place", values,
            "Hollowmere will update static parking in 14 seconds ...");
    }
    {
        StatusValues values = lf_running();
        values.tbloNeeded = 42;
        add("tblo-waiting", "\"tblo.zip\" made by the add-on scan: the yellow request", values);
    }
    add("error", "an error on the red message band", lf_running(), {},
        "112: The downloading/unzipping of the new version failed? Try manually via the Tarnwick website");
    return scenarios;
}

} // namespace

const std::vector<WindowScenario>& gf_windowScenarios()
{
    static const std::vector<WindowScenario> scenarios = lf_build();
    return scenarios;
}

const WindowScenario* gf_findWindowScenario(std::string_view name)
{
    const std::vector<WindowScenario>& scenarios = gf_windowScenarios();
    const auto found = std::ranges::find(scenarios, name, &WindowScenario::name);
    return found == scenarios.end() ? nullptr : &*found;
}

void gf_applyPanelSettings(const PanelView& panel)
{
    using namespace settings;
    guidChanges.set(panel.guidChanges);
    aerowinx.set(panel.aerowinx);
    scanLiveries.set(panel.scanLiveries);
    scanAirports.set(panel.scanAirports);
    autoRange.set(panel.autoRange);
    airborneOnly.set(panel.airborneOnly);
    straightPbsOnly.set(panel.straightPbsOnly);
    initialLoadOnly.set(panel.initialLoadOnly);
    maxParkSel.set(panel.maxParkSel);
    maxLiveSel.set(panel.maxLiveSel);
    callsign2ObjectId.set(panel.callsignChosen ? "DLH4AB" : "");
}

} // namespace hlw::demo
