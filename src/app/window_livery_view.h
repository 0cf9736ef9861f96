#pragma once
// The window's side of the livery view port: the livery count is a status value painted in the status band, the
// "SCAN_LIVERIES" check box sits in the settings panel, so each announcement updates or repaints its band.
#include "core/status_board.h"
#include "liveries/livery_view_port.h"

namespace hlw {

class WindowLiveryView final : public LiveryViewPort {
public:
    explicit WindowLiveryView(StatusBoard& status) : status_(status) {}

    // Copies the livery count into the status values (a change repaints).
    void liveryStatusChanged() override;
    void scanSwitchShown() override;

private:
    StatusBoard& status_;
};

} // namespace hlw
