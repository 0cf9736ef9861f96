#pragma once
// The window's side of the livery view port: the livery status is painted in the status band, the
// "SCAN_LIVERIES" check box in the settings panel, so each announcement repaints its band.
#include "liveries/livery_view_port.h"

namespace hlw {

class WindowLiveryView final : public LiveryViewPort {
public:
    void liveryStatusChanged() override;
    void scanSwitchShown() override;
};

} // namespace hlw
