#include "app/status_painter.h"

#include "app/window_layout.h"
#include "core/count_text.h"
#include "core/log.h"
#include "core/product.h"
#include "core/run_state_port.h"
#include "platform/os/text_conversion.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <initializer_list>

namespace hlw {
namespace {

using namespace settings;

constexpr int32_t headerY = 7;
constexpr int32_t statusRow1 = 35;
constexpr int32_t statusRow2 = 63;
constexpr int32_t statusRow3 = 91;
constexpr int32_t parkingRow1 = 399;
constexpr int32_t parkingRow2 = 427;
constexpr int32_t nextUpdateMaxMinutes = 19;

constexpr ui::Rect simLampRect{397, 30, 426, 113};
constexpr ui::Rect rtLampRect{425, 30, 454, 113};

// The control's row in the panel.
int32_t lf_row(const ControlBinding& binding) noexcept { return binding.rowY(); }

bool lf_readerRuns(ReaderLamp lamp) noexcept
{
    return lamp == ReaderLamp::receiving || lamp == ReaderLamp::stalled;
}

ui::Colour lf_readerColour(ReaderLamp lamp) noexcept { return lamp == ReaderLamp::receiving ? green : yellow; }

// Bytes outside printable ASCII as \xNN, so that the log stays readable text.
std::string lf_escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(c);
        } else {
            out += fmt::format("\\x{:02X}", byte);
        }
    }
    return out;
}

// The painter with the check of texts that other parts of the program wrote.
class Canvas {
  public:
    Canvas(ui::Painter& painter, std::map<std::string, std::string, std::less<>>& reported)
        : painter_(painter), reported_(reported)
    {
    }

    void fill(ui::Rect rect, ui::Colour colour) { painter_.fillRect(rect, colour); }
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, ui::Colour colour)
    {
        painter_.line({x1, y1}, {x2, y2}, colour);
    }
    // A text of the program's own.
    void text(int32_t x, int32_t y, std::string_view text, ui::Colour colour) { painter_.text({x, y}, text, colour); }

    // True when every named value is valid UTF-8; a bad one is logged once for each new text it holds.
    bool valid(std::initializer_list<std::pair<std::string_view, std::string_view>> values)
    {
        bool allValid = true;
        for (const auto& [name, text] : values) {
            if (os::utf8ToUtf16(text)) {
                continue;
            }
            allValid = false;
            const auto known = reported_.find(name);
            if (known != reported_.end() && known->second == text) {
                continue;
            }
            reported_[std::string(name)] = std::string(text);
            if (!gf_runState().stopRequested()) {
                gf_log(fmt::format("TextOut utf8  to wide failed for '{}': {}", lf_escaped(text),
                                   "utf8_to_wide: invalid UTF-8"));
            }
        }
        return allValid;
    }

    // A value written elsewhere: drawn only when it is valid UTF-8.
    void value(int32_t x, int32_t y, std::string_view name, std::string_view text, ui::Colour colour)
    {
        if (valid({{name, text}})) {
            painter_.text({x, y}, text, colour);
        }
    }

  private:
    ui::Painter& painter_;
    std::map<std::string, std::string, std::less<>>& reported_;
};

void lf_paintCounters(Canvas& canvas, const StatusValues& values)
{
    const ui::Colour simLamp = gf_simLampColour(values);
    canvas.fill(simLampRect, simLamp);
    canvas.text(398, statusRow2, "Sim", green);
    if (values.simConnected) {
        if (canvas.valid({{"simulatorText", values.simulatorText}, {"userStandText", values.userStandText}})) {
            std::string simulator = values.simulatorText;
            if (!values.userStandText.empty()) {
                simulator += ", user stand " + values.userStandText;
            }
            canvas.text(5, statusRow1, simulator, simLamp);
        }
        canvas.value(5, statusRow2, "aircraftTitleText", values.aircraftTitleText,
                     values.wingSpanKnown ? simLamp : yellow);
    } else {
        canvas.text(5, statusRow1, "MSFS", green);
    }
    if (values.liveryCount == 0) {
        canvas.text(5, statusRow3, "# liveries: ...", red);
    } else {
        canvas.text(5, statusRow3, fmt::format("# liveries: {}", values.liveryCount), green);
    }
    if (values.simAddonCount == 0) {
        canvas.text(141, statusRow3, "# simaddon: ...", yellow);
    } else {
        canvas.text(141, statusRow3, fmt::format("# simaddon: {}", values.simAddonCount), green);
    }
    if (values.thirdPartyCount == 0) {
        canvas.text(278, statusRow3, "# thirdp: ...", yellow);
    } else {
        canvas.text(278, statusRow3, fmt::format("# thirdp: {}", values.thirdPartyCount), green);
    }

    const ui::Colour rtLamp = gf_rtLampColour(values);
    canvas.fill(rtLampRect, rtLamp);
    canvas.text(430, statusRow2, "RT", green);
    if (values.liveSourceReady) {
        canvas.value(458, statusRow1, "rtEditionText", values.rtEditionText, rtLamp);
        if (values.qnhReader != ReaderLamp::notRunning) {
            canvas.text(458, statusRow2, "Weather", lf_readerColour(values.qnhReader));
        }
        if (values.trafficReader != ReaderLamp::notRunning) {
            canvas.text(458, statusRow3, "Traffic", lf_readerColour(values.trafficReader));
        }
    }
    canvas.line(425, 29, 425, 112, black);
}

void lf_paintLiveSource(Canvas& canvas, const StatusValues& values)
{
    if (!values.liveSourceReady) {
        return;
    }
    if (lf_readerRuns(values.qnhReader) && values.qnh >= 1) {
        canvas.text(642, statusRow2, fmt::format("qnh: {:4}", values.qnh), green);
    }
    if (lf_readerRuns(values.trafficReader)) {
        canvas.text(642, statusRow3, fmt::format("live: {:3}", values.liveCount), green);
    }
}

ui::Colour lf_yellowWhen(bool condition) noexcept { return condition ? yellow : black; }
ui::Colour lf_greyUnless(bool condition) noexcept { return condition ? black : grey; }

void lf_paintLabels(Canvas& canvas, const StatusValues& values, const PanelView& panel)
{
    struct Label {
        int32_t x;
        const ControlBinding& row;
        std::string_view text;
        ui::Colour colour;
    };
    const bool bothMaxZero = panel.maxParkSel == 0 && panel.maxLiveSel == 0;
    const ui::Colour maxParkColour = bothMaxZero ? red : lf_yellowWhen(panel.maxParkSel == 0);
    const ui::Colour maxLiveColour = bothMaxZero ? red : lf_yellowWhen(panel.maxLiveSel == 0);
    const Label labels[] = {
        {652, alwaysOnTop, "Meta:", black},
        {768, alwaysOnTop, "Stay on top", black},
        {672, objectIdList, "Oid list", black},
        {768, navLightsWhileParked, "Nav lights", black},
        {768, guidChanges, "GUID changes", lf_yellowWhen(!panel.guidChanges)},
        {672, aerowinx, "Aerowinx", lf_yellowWhen(panel.aerowinx)},
        {25, scanLiveries, "Scan for liveries", lf_yellowWhen(panel.scanLiveries)},
        {237, ligAutomatic, "Automatic:", black},
        {556, ligPrioritize, "Prioritize", black},
        {25, scanAirports, "Scan for addon airports", lf_yellowWhen(panel.scanAirports)},
        {5, matchingDepth, "Max aircraft matching depth", black},
        {258, lightAircraft, "Optional:", black},
        {343, lightAircraft, "Light aircraft", lf_greyUnless(panel.lightAircraftEnabled)},
        {450, helicopters, "Helicopters", lf_greyUnless(panel.helicoptersEnabled)},
        {556, highPerfAircraft, "FighterJets", lf_greyUnless(panel.highPerfEnabled)},
        {5, range, "Traffic injection", black},
        {163, range, "Radius:", black},
        {270, range, "nm, or", black},
        {343, autoRange, "Auto radius", black},
        {430, arAboveHeight, "Ah:", lf_greyUnless(panel.autoRange)},
        {536, arAboveHeight, "ft", lf_greyUnless(panel.autoRange)},
        {592, airborneOnly, "AirOnly", lf_yellowWhen(panel.airborneOnly)},
        {5, blockCallsign, "Block callsign:", black},
        {5, collisionUserGnd, "Collision avoidance", black},
        {237, collisionUserGnd, "User ground", black},
        {343, collisionUserAir, "User air", black},
        {450, collisionLiveParkedGnd, "Live X parked", black},
        {5, maxParkSel, "Airport parking", lf_yellowWhen(values.staticParkingBusy)},
        {171, maxParkSel, "Max park (static+live):", maxParkColour},
        {401, maxLiveSel, "Max live (park incl):", maxLiveColour},
        {672, straightPbsOnly, "Straight push backs only", lf_greyUnless(panel.straightPbsOnly)},
        {137, destination, "Destination:", black},
        {303, airpRange, "Range:", black},
        {403, airpRange, "nm", black},
        {440, airpHeight, "Height above gnd:", black},
        {646, airpHeight, "ft", black},
        {25, initialLoadOnly, "ILO", lf_yellowWhen(panel.initialLoadOnly)},
        {91, week, "Week", black},
        {171, parkSoft, "Soft", black},
        {264, parkingPercentage, "Target: ", black},
        {378, parkingPercentage, "%", black},
        {506, maxFitFl, "Max fit:", black},
        {632, maxFitFl, "hrs", black},
    };
    for (const Label& label : labels) {
        canvas.text(label.x, lf_row(label.row), label.text, label.colour);
    }
    if (panel.callsignChosen && !values.callsignObjectIdText.empty()) {
        canvas.value(476, lf_row(callsign2ObjectId), "callsignObjectIdText", values.callsignObjectIdText, black);
    }
    if (!values.parkAirportCode.empty() && !values.staticParkingBusy) {
        if (panel.initialLoadOnly) {
            canvas.text(5, lf_row(airpRange), "(no next ... )", black);
        } else if (values.minutesToStaticUpdate >= 1 && values.minutesToStaticUpdate <= nextUpdateMaxMinutes) {
            canvas.text(5, lf_row(airpRange), fmt::format("(next in {} min)", values.minutesToStaticUpdate), black);
        }
    }
    if (values.tbloNeeded != 0) {
        canvas.text(303, lf_row(scanAirports), "<- please send us tblo.zip: it adds your airports", yellow);
    }
}

void lf_paintParking(Canvas& canvas, const StatusValues& values)
{
    if (values.parkAirportCode.empty()) {
        return;
    }
    canvas.value(5, parkingRow1, "parkAirportCode", values.parkAirportCode, values.fileLoaded ? green : yellow);
    if (!values.fileLoaded) {
        return;
    }
    if (canvas.valid({{"airportNameText", values.airportNameText}, {"airportInfoText", values.airportInfoText}})) {
        canvas.text(45, parkingRow1,
                    fmt::format(" {}, {}{}, wk={}", values.airportNameText, values.airportInfoText,
                                values.handmade ? " (h)" : "", values.weekValue),
                    green);
    }
    if (values.softOptionsUsed && values.otherWeekdaysUsed) {
        canvas.text(370, parkingRow1, "*WS*", green);
    } else if (values.softOptionsUsed) {
        canvas.text(370, parkingRow1, "*S*", green);
    } else if (values.otherWeekdaysUsed) {
        canvas.text(370, parkingRow1, "*W*", green);
    }
    if (canvas.valid({{"qualityText", values.qualityText}})) {
        canvas.text(430, parkingRow1, "qf: " + values.qualityText, green);
    }
    if (!values.reservedStand.empty() && canvas.valid({{"reservedStand", values.reservedStand}})) {
        canvas.text(571, parkingRow1, "reserved stand: " + values.reservedStand,
                    values.reservedStandFound ? green : red);
    }
    canvas.text(748, parkingRow1, fmt::format("# updates: {:4}", values.updateCount), green);

    canvas.text(5, parkingRow2, fmt::format("# stands: {:3}", values.standCount), green);
    canvas.text(111, parkingRow2, fmt::format("parked live: {:3}", values.parkedLiveCount), green);
    if (values.meanParkedHoursLive > 0.0F) {
        canvas.text(249, parkingRow2, "average fit: " + gf_floatText(values.meanParkedHoursLive), green);
    }
    if (values.maxParkLive > 0) {
        canvas.text(430, parkingRow2, fmt::format("static: {:3}", values.staticCount), green);
        if (values.positionsToPlace != 0) {
            canvas.text(500, parkingRow2, fmt::format(" ({})", values.positionsToPlace), yellow);
        }
        if (!values.otherWeekdaysUsed && values.meanParkedHoursStatic > 0.0F) {
            canvas.text(571, parkingRow2, "average fit: " + gf_floatText(values.meanParkedHoursStatic), green);
        }
    }
    if (values.maxParkLive != 0) {
        canvas.text(708, parkingRow2, fmt::format("max park: {:3} (={} %)", values.maxParkLive, values.maxParkPercent),
                    green);
    } else {
        canvas.text(708, parkingRow2, "no max park live", green);
    }
}

bool lf_enabled(const ControlBinding& binding)
{
    return ui::gf_controlPort().controlEnabled(binding.controlId()).value_or(true);
}

} // namespace

PanelView gf_readPanelView()
{
    PanelView panel;
    panel.guidChanges = guidChanges.get();
    panel.aerowinx = aerowinx.get();
    panel.scanLiveries = scanLiveries.get();
    panel.scanAirports = scanAirports.get();
    panel.autoRange = autoRange.get();
    panel.airborneOnly = airborneOnly.get();
    panel.straightPbsOnly = straightPbsOnly.get();
    panel.initialLoadOnly = initialLoadOnly.get();
    panel.lightAircraftEnabled = lf_enabled(lightAircraft);
    panel.helicoptersEnabled = lf_enabled(helicopters);
    panel.highPerfEnabled = lf_enabled(highPerfAircraft);
    panel.maxParkSel = maxParkSel.get();
    panel.maxLiveSel = maxLiveSel.get();
    panel.callsignChosen = !callsign2ObjectId.empty();
    return panel;
}

ui::Colour gf_simLampColour(const StatusValues& values) noexcept
{
    if (!values.simConnected) {
        return red;
    }
    return values.flightRunningShown && !values.aircraftTitleText.empty() ? green : yellow;
}

ui::Colour gf_rtLampColour(const StatusValues& values) noexcept
{
    if (values.trafficStartPending) {
        return black;
    }
    if (!values.liveSourceReady) {
        return red;
    }
    return values.trafficReader == ReaderLamp::receiving ? green : yellow;
}

void StatusAreaPainter::paint(ui::Painter& painter, const StatusValues& values)
{
    paint(painter, values, gf_readPanelView());
}

void StatusAreaPainter::paint(ui::Painter& painter, const StatusValues& values, const PanelView& panel)
{
    Canvas canvas(painter, reportedTexts_);
    canvas.line(0, 28, clientWidth, 28, white);
    canvas.line(0, 113, clientWidth, 113, white);
    canvas.line(0, 449, clientWidth, 449, white);
    canvas.line(0, 392, clientWidth, 392, white);
    canvas.text(3, headerY, fmt::format("Version {}", programVersionText), green);
    canvas.text(390, headerY, productName, green);
    canvas.line(0, 140, clientWidth, 140, black);
    for (const int32_t y : {168, 196, 224, 252, 280}) {
        canvas.line(0, y, 642, y, black);
    }
    canvas.line(0, 308, clientWidth, 308, black);
    canvas.line(642, 140, 642, 308, black);
    lf_paintCounters(canvas, values);
    lf_paintLiveSource(canvas, values);
    lf_paintLabels(canvas, values, panel);
    lf_paintParking(canvas, values);
}

} // namespace hlw
