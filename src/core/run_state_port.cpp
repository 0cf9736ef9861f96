#include "core/run_state_port.h"

#include <atomic>

namespace hlw {
namespace {

class DefaultRunState final : public RunStatePort {
public:
    bool stopRequested() const noexcept override { return false; }
    bool userClosing() const noexcept override { return false; }
    bool simIsMsfs2020() const noexcept override { return true; }
    int32_t simCode() const noexcept override { return 1; }
    bool simTimeInUse() const noexcept override { return false; }
    int64_t simUtcSeconds() const noexcept override { return 0; }
};

constinit const DefaultRunState defaultRunState;
constinit std::atomic<const RunStatePort*> installedPort{nullptr};

} // namespace

void gf_installRunStatePort(const RunStatePort* port) noexcept { installedPort.store(port); }

const RunStatePort& gf_runState() noexcept
{
    const RunStatePort* port = installedPort.load();
    return port != nullptr ? *port : defaultRunState;
}

} // namespace hlw
