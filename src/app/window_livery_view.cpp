#include "app/window_livery_view.h"

#include "platform/ui/control_port.h"
#include "settings/control_services.h"

namespace hlw {

void WindowLiveryView::liveryStatusChanged()
{
    ui::gf_controlPort().invalidate(statusBandRect, true);
}

void WindowLiveryView::scanSwitchShown()
{
    ui::gf_controlPort().invalidate(settingsPanelRect, true);
}

} // namespace hlw
