#include "app/client_area_paint.h"
#include "app/status_painter.h"
#include "support/log_capture.h"
#include "support/recording_painter.h"
#include "window_scenarios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace hlw {
namespace {

// Colours as the recording painter writes them.
constexpr std::string_view G = "0x32CD32";
constexpr std::string_view Y = "0x00FFFF";
constexpr std::string_view R = "0x0000FF";
constexpr std::string_view K = "0x000000";
constexpr std::string_view A = "0xA0A0A0";

std::string op(std::string_view kind, std::string_view where, std::string_view colour, std::string_view text = {})
{
    std::string line = std::string(kind) + " " + std::string(where) + " " + std::string(colour);
    if (kind == "text") {
        line += " " + std::string(text);
    }
    return line;
}
std::string text(std::string_view where, std::string_view colour, std::string_view what)
{
    return op("text", where, colour, what);
}

struct Row {
    const char* name;
    // The scenario the row starts from, and what it changes.
    const char* scenario;
    std::function<void(StatusValues&, PanelView&)> change;
    std::vector<std::string> present;
    // Operations that begin with one of these must not appear.
    std::vector<std::string> absentPrefixes;
};

std::vector<std::string> lf_paint(const demo::WindowScenario& scenario, const StatusValues& values,
                                  const PanelView& panel)
{
    struct FixedPanel final : StatusPainter {
        void paint(ui::Painter& painter, const StatusValues& status) override { inner.paint(painter, status, view); }
        StatusAreaPainter inner;
        PanelView view;
    } painter;
    painter.view = panel;
    ui::RecordingPainter recorder;
    gf_paintClientArea(recorder, &painter, values, {scenario.message, scenario.error});
    return recorder.operations();
}

void none(StatusValues&, PanelView&) {}

const std::vector<Row>& rows()
{
    static const std::vector<Row> table = {
        {"not connected", "not-connected", none,
         {op("fill", "397,30,426,113", R), text("5,35", G, "MSFS"), op("fill", "425,30,454,113", K),
          text("5,91", R, "# liveries: ..."), text("141,91", Y, "# simaddon: ..."), text("278,91", Y, "# thirdp: ..."),
          text("398,63", G, "Sim"), text("430,63", G, "RT"), text("3,7", G, "Version 12.5.1"),
          text("390,7", G, "Hollowmere"), op("fill", "0,448,881,477", G), text("3,455", Y, "Waiting for MSFS ...")},
         {"text 458,", "text 642,", "text 5,399", "text 5,427"}},
        {"connected without a flight", "connected-no-flight", none,
         {op("fill", "397,30,426,113", Y), text("5,35", Y, "MSFS 2020 v1.39.9"), text("5,63", Y, ""),
          text("5,91", G, "# liveries: 4711")},
         {"text 5,35 0x32CD32 MSFS"}},
        {"running, both readers receiving", "running", none,
         {op("fill", "397,30,426,113", G), text("5,35", G, "MSFS 2020 v1.39.9"),
          text("5,63", G, "Airbus A320 Neo Asobo"), op("fill", "425,30,454,113", G),
          text("458,35", G, "RT Professional 10.0"), text("458,63", G, "Weather"), text("458,91", G, "Traffic"),
          text("642,63", G, "qnh: 1013"), text("642,91", G, "live:  27"), text("141,91", G, "# simaddon: 12"),
          text("278,91", G, "# thirdp: 3"), op("line", "425,29 425,112", K)},
         {"text 5,399"}},
        {"running, readers stalled", "readers-stalled", none,
         {op("fill", "425,30,454,113", Y), text("458,35", Y, "RT Professional 10.0"), text("458,63", Y, "Weather"),
          text("458,91", Y, "Traffic"), text("642,63", G, "qnh: 1013"), text("642,91", G, "live:  27")},
         {}},
        {"running, readers not started", "readers-stopped", none,
         {op("fill", "425,30,454,113", Y), text("458,35", Y, "RT Professional 10.0")},
         {"text 458,63", "text 458,91", "text 642,"}},
        {"traffic receiving, weather stalled", "running",
         [](StatusValues& v, PanelView&) { v.qnhReader = ReaderLamp::stalled; },
         {op("fill", "425,30,454,113", G), text("458,63", Y, "Weather"), text("458,91", G, "Traffic")},
         {}},
        {"source not ready", "source-not-ready", none, {op("fill", "425,30,454,113", R)}, {"text 458,", "text 642,"}},
        {"the traffic start has not begun", "running",
         [](StatusValues& v, PanelView&) { v.trafficStartPending = true; }, {op("fill", "425,30,454,113", K)}, {}},
        {"QNH 0 hides the qnh text", "qnh-zero", none, {text("642,91", G, "live:  27")}, {"text 642,63"}},
        {"user stand and unknown wing span", "running",
         [](StatusValues& v, PanelView&) {
             v.userStandText = "GATE 12";
             v.wingSpanKnown = false;
         },
         {text("5,35", G, "MSFS 2020 v1.39.9, user stand GATE 12"), text("5,63", Y, "Airbus A320 Neo Asobo")},
         {}},
        {"both maximum lists 0", "max-lists-zero", none,
         {text("171,315", R, "Max park (static+live):"), text("401,315", R, "Max live (park incl):")}, {}},
        {"max park 0 alone", "running", [](StatusValues&, PanelView& p) { p.maxParkSel = 0; },
         {text("171,315", Y, "Max park (static+live):"), text("401,315", K, "Max live (park incl):")}, {}},
        {"max live 0 alone", "running", [](StatusValues&, PanelView& p) { p.maxLiveSel = 0; },
         {text("171,315", K, "Max park (static+live):"), text("401,315", Y, "Max live (park incl):")}, {}},
        {"19 minutes to the next update", "next-update-19", none, {text("5,343", K, "(next in 19 min)")}, {}},
        {"20 minutes to the next update", "next-update-20", none, {}, {"text 5,343"}},
        {"next update with initial load only", "next-update-19",
         [](StatusValues&, PanelView& p) { p.initialLoadOnly = true; },
         {text("5,343", K, "(no next ... )"), text("25,371", Y, "ILO")}, {"text 5,343 0x000000 (next"}},
        {"no next-update note without a park airport", "running",
         [](StatusValues& v, PanelView&) { v.minutesToStaticUpdate = 5; }, {}, {"text 5,343"}},
        {"park airport with its reserved stand found", "park-reserved-found", none,
         {text("5,399", G, "EHAM"), text("45,399", G, " Amsterdam Schiphol, simaddon (h), wk=23"),
          text("370,399", G, "*S*"), text("430,399", G, "qf: 0.87"), text("571,399", G, "reserved stand: GATE D7"),
          text("748,399", G, "# updates:  118"), text("5,427", G, "# stands: 232"),
          text("111,427", G, "parked live:   9"), text("249,427", G, "average fit: 2.5"),
          text("430,427", G, "static:  64"), text("571,427", G, "average fit: 3"),
          text("708,427", G, "max park: 120 (=52 %)"), text("5,35", G, "MSFS 2020 v1.39.9, user stand GATE 12")},
         {"text 500,427"}},
        {"park airport with its reserved stand missing", "park-reserved-missing", none,
         {text("571,399", R, "reserved stand: GATE D7")}, {}},
        {"park airport file not loaded", "park-reserved-found",
         [](StatusValues& v, PanelView&) { v.fileLoaded = false; }, {text("5,399", Y, "EHAM")},
         {"text 45,", "text 370,399", "text 5,427", "text 708,427"}},
        {"soft options and other weekdays", "park-reserved-found",
         [](StatusValues& v, PanelView&) { v.otherWeekdaysUsed = true; }, {text("370,399", G, "*WS*")},
         {"text 571,427"}},
        {"other weekdays only", "park-reserved-found",
         [](StatusValues& v, PanelView&) {
             v.softOptionsUsed = false;
             v.otherWeekdaysUsed = true;
         },
         {text("370,399", G, "*W*")}, {}},
        {"no max park live", "park-reserved-found",
         [](StatusValues& v, PanelView&) {
             v.maxParkLive = 0;
             v.meanParkedHoursLive = -1.0F;
             v.reservedStand.clear();
         },
         {text("708,427", G, "no max park live")}, {"text 430,427", "text 249,427", "text 571,399"}},
        {"static parking busy", "static-busy", none,
         {text("5,315", Y, "Airport parking"), text("500,427", Y, " (17)")}, {"text 5,343"}},
        {"tblo.zip waiting", "tblo-waiting", none, {}, {}},
        {"an error on the message band", "error", none,
         {op("fill", "0,448,881,477", R),
          text("3,455", Y,
               "112: The downloading/unzipping of the new version failed? Try manually via the Tarnwick website")},
         {"fill 0,448,881,477 0x32CD32"}},
        {"label colours of settings that are off", "running",
         [](StatusValues&, PanelView& p) {
             p.guidChanges = false;
             p.straightPbsOnly = false;
             p.autoRange = false;
             p.lightAircraftEnabled = false;
         },
         {text("768,203", Y, "GUID changes"), text("672,315", A, "Straight push backs only"),
          text("430,231", A, "Ah:"), text("536,231", A, "ft"), text("343,203", A, "Light aircraft"),
          text("450,203", K, "Helicopters"), text("672,203", K, "Aerowinx"), text("25,147", K, "Scan for liveries")},
         {}},
        {"label colours of settings that are on", "running",
         [](StatusValues&, PanelView& p) {
             p.guidChanges = true;
             p.aerowinx = true;
             p.scanLiveries = true;
             p.scanAirports = true;
             p.autoRange = true;
             p.airborneOnly = true;
         },
         {text("768,203", K, "GUID changes"), text("672,203", Y, "Aerowinx"), text("25,147", Y, "Scan for liveries"),
          text("25,175", Y, "Scan for addon airports"), text("430,231", K, "Ah:"), text("592,231", Y, "AirOnly")},
         {}},
        {"object id beside a chosen callsign", "running",
         [](StatusValues& v, PanelView& p) {
             v.callsignObjectIdText = "= 4711";
             p.callsignChosen = true;
         },
         {text("476,259", K, "= 4711")}, {}},
        {"object id without a chosen callsign", "running",
         [](StatusValues& v, PanelView&) { v.callsignObjectIdText = "= 4711"; }, {}, {"text 476,259"}},
    };
    return table;
}

class StatusPainterRows : public testing::TestWithParam<Row> {};

TEST_P(StatusPainterRows, PaintsWhatTheRuleSays)
{
    const Row& row = GetParam();
    const demo::WindowScenario* scenario = demo::gf_findWindowScenario(row.scenario);
    ASSERT_NE(scenario, nullptr) << row.scenario;
    StatusValues values = scenario->status;
    PanelView panel = scenario->panel;
    row.change(values, panel);
    const std::vector<std::string> operations = lf_paint(*scenario, values, panel);
    for (const std::string& expected : row.present) {
        EXPECT_NE(std::ranges::find(operations, expected), operations.end()) << "missing: " << expected;
    }
    for (const std::string& prefix : row.absentPrefixes) {
        for (const std::string& operation : operations) {
            EXPECT_FALSE(operation.starts_with(prefix)) << "unexpected: " << operation;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, StatusPainterRows, testing::ValuesIn(rows()), [](const testing::TestParamInfo<Row>& param) {
    std::string name = param.param.name;
    std::ranges::replace_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
});

TEST(StatusPainter, EveryScenarioHasARowAndTheBandsComeFirst)
{
    for (const demo::WindowScenario& scenario : demo::gf_windowScenarios()) {
        EXPECT_TRUE(std::ranges::any_of(rows(), [&](const Row& row) { return row.scenario == scenario.name; }))
            << scenario.name;
        const std::vector<std::string> operations = lf_paint(scenario, scenario.status, scenario.panel);
        ASSERT_GE(operations.size(), 5U);
        EXPECT_EQ(operations[0], "fill 0,0,880,28 0x000000");
        EXPECT_EQ(operations[2], "fill 0,112,880,392 0xFFCC99");
        EXPECT_EQ(operations[4], "line 0,28 880,28 0xFFFFFF");
        // The message band is painted last, over the line that borders it.
        const auto band = std::ranges::find_if(operations, [](const std::string& o) { return o.starts_with("fill 0,448"); });
        ASSERT_NE(band, operations.end());
        EXPECT_LE(operations.end() - band, 2);
    }
    const demo::WindowScenario& tblo = *demo::gf_findWindowScenario("tblo-waiting");
    const std::vector<std::string> operations = lf_paint(tblo, tblo.status, tblo.panel);
    EXPECT_TRUE(std::ranges::any_of(operations, [](const std::string& o) { return o.starts_with("text 303,175 0x00FFFF"); }));
}

TEST(StatusPainter, ATextThatIsNotUtf8IsNotDrawnAndLoggedOncePerValue)
{
    test::LogCapture log;
    StatusAreaPainter painter;
    StatusValues values = demo::gf_findWindowScenario("park-reserved-found")->status;
    values.aircraftTitleText = "Boeing \xFF 737";
    values.airportNameText = "Z\xC3";
    const PanelView panel;
    const auto paint = [&] {
        ui::RecordingPainter recorder;
        painter.paint(recorder, values, panel);
        return recorder.operations();
    };
    const std::vector<std::string> first = paint();
    EXPECT_FALSE(std::ranges::any_of(first, [](const std::string& o) { return o.starts_with("text 5,63"); }));
    EXPECT_FALSE(std::ranges::any_of(first, [](const std::string& o) { return o.starts_with("text 45,399"); }));
    // The rest of the area is still drawn.
    EXPECT_NE(std::ranges::find(first, "text 430,399 0x32CD32 qf: 0.87"), first.end());
    paint();
    EXPECT_EQ(log.count("TextOut utf8  to wide failed for 'Boeing \\xFF 737'"), 1U);
    EXPECT_EQ(log.count("TextOut utf8  to wide failed for 'Z\\xC3'"), 1U);
    // Another bad text in the same value is reported again; a good one is drawn.
    values.aircraftTitleText = "\xC0\x80";
    paint();
    EXPECT_EQ(log.count("TextOut utf8  to wide failed for '\\xC0\\x80'"), 1U);
    values.aircraftTitleText = "Boeing 737";
    const std::vector<std::string> good = paint();
    EXPECT_NE(std::ranges::find(good, "text 5,63 0x32CD32 Boeing 737"), good.end());
}

} // namespace
} // namespace hlw
