#pragma once
// What the window shows of the liveries. The livery code announces its changes through this port; the program's
// window installs the port that repaints what shows them. Until then, and in suites that install none, the
// announcements go nowhere. Any thread may announce: the installed port must not wait for the window.
namespace hlw {

class LiveryViewPort {
public:
    virtual ~LiveryViewPort() = default;
    // liveryCount or liveriesDone (livery_tables.h) changed, or a scan started or ended.
    virtual void liveryStatusChanged() = 0;
    // The scan switched "SCAN_LIVERIES" off and showed it in its check box.
    virtual void scanSwitchShown() = 0;
};

// Installs the port that gf_liveryView() returns; nullptr restores the silent default. The port must outlive its
// use.
void gf_installLiveryViewPort(LiveryViewPort* port) noexcept;

// The installed port, or one that does nothing.
LiveryViewPort& gf_liveryView() noexcept;

} // namespace hlw
