#include "app/window_livery_view.h"

#include "liveries/livery_tables.h"
#include "platform/ui/control_port.h"
#include "settings/control_services.h"

namespace hlw {

void WindowLiveryView::liveryStatusChanged()
{
    const int32_t count = liveryCount.load();
    status_.update([count](StatusValues& values) { values.liveryCount = count; });
}

void WindowLiveryView::scanSwitchShown()
{
    ui::gf_controlPort().invalidate(settingsPanelRect, true);
}

} // namespace hlw
