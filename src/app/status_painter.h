#pragma once
// The status area of the main window: the header, the status band with its two lamps and counters, the labels
// of the settings panel with their colour rules, and the parking band. It paints from one snapshot of the status
// values and one reading of the settings and controls it colours labels by; the band backgrounds and the message
// band are painted around it (main_window_paint.h).
#include "app/main_window_state.h"
#include "core/status_board.h"
#include "platform/ui/painter.h"

#include <map>
#include <string>
#include <string_view>

namespace hlw {

// What the labels of the panel depend on besides the status values: settings and the enabled state of three
// check boxes.
struct PanelView {
    bool guidChanges = false;
    bool aerowinx = false;
    bool scanLiveries = false;
    bool scanAirports = false;
    bool autoRange = false;
    bool airborneOnly = false;
    bool straightPbsOnly = false;
    bool initialLoadOnly = false;
    bool lightAircraftEnabled = true;
    bool helicoptersEnabled = true;
    bool highPerfEnabled = true;
    int32_t maxParkSel = 0;
    int32_t maxLiveSel = 0;
    // "CALLSIGN_2_OBJECTID" holds a callsign.
    bool callsignChosen = false;
};

// The settings and the control port as they are now.
PanelView gf_readPanelView();

// The lamp colours of the status band (the program's 0x00BBGGRR values).
ui::Colour gf_simLampColour(const StatusValues& values) noexcept;
ui::Colour gf_rtLampColour(const StatusValues& values) noexcept;

// Window thread only: it remembers which texts it has reported.
class StatusAreaPainter final : public StatusPainter {
  public:
    void paint(ui::Painter& painter, const StatusValues& values) override;
    // The same with the panel given (tests, the demo tool).
    void paint(ui::Painter& painter, const StatusValues& values, const PanelView& panel);

  private:
    // A text that is not valid UTF-8 is not drawn; each distinct one is logged once per value it was read from.
    std::map<std::string, std::string, std::less<>> reportedTexts_;
};

} // namespace hlw
