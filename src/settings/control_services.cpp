#include "settings/control_services.h"

#include "core/log.h"
#include "core/message_line.h"

#include <fmt/format.h>

namespace hlw {
namespace {

void lf_setControlText(ui::ControlId id, std::string text)
{
    ui::ControlPort& port = ui::gf_controlPort();
    if (!port.hasControl(id)) {
        // Without a window there is no control to miss.
        if (port.showsControls()) {
            gf_log(fmt::format("GetDlgItem failed for ID {}", id));
        }
        return;
    }
    port.setText(id, std::move(text));
    port.invalidate(settingsPanelRect, true);
}

void lf_postRepaint()
{
    ui::gf_controlPort().postMessage(ui::repaintMessage);
}

} // namespace

void gf_enableControl(const ControlBinding& binding, bool enabled)
{
    ui::gf_controlPort().enable(binding.controlId(), enabled);
}

void gf_setIntControlText(const IntComboParameter& parameter)
{
    lf_setControlText(parameter.controlId(), fmt::format("{}", parameter.get()));
}

void gf_setStringControlText(const StringEditParameter& parameter)
{
    lf_setControlText(parameter.controlId(), parameter.get());
}

void gf_routeMessageLineToControlPort()
{
    gf_setMessageRepaintHook(&lf_postRepaint);
}

} // namespace hlw
