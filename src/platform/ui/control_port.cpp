#include "platform/ui/control_port.h"

#include <atomic>

namespace hlw::ui {
namespace {

// Stands in while no window exists: the program's control updates then simply have nowhere to go.
class DiscardingControlPort final : public ControlPort {
  public:
    bool hasControl(ControlId) const override { return false; }
    bool showsControls() const override { return false; }
    void enable(ControlId, bool) override {}
    void setChecked(ControlId, bool) override {}
    void setText(ControlId, std::string) override {}
    void comboReset(ControlId) override {}
    void comboAddItem(ControlId, std::string) override {}
    void comboSelect(ControlId, std::optional<int32_t>) override {}
    void comboFill(ControlId, std::vector<std::string>, std::optional<int32_t>) override {}
    std::optional<int32_t> comboSelection(ControlId) const override { return std::nullopt; }
    void invalidate(Rect, bool) override {}
    void postMessage(uint32_t) override {}
};

// Constant-initialised, so control updates made during static initialisation find the discarding port.
constinit DiscardingControlPort discardingPort;
constinit std::atomic<ControlPort*> installedPort{nullptr};

} // namespace

void gf_installControlPort(ControlPort* port) noexcept
{
    installedPort.store(port);
}

ControlPort& gf_controlPort() noexcept
{
    ControlPort* const port = installedPort.load();
    return port != nullptr ? *port : discardingPort;
}

} // namespace hlw::ui
