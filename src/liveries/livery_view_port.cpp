#include "liveries/livery_view_port.h"

#include <atomic>

namespace hlw {
namespace {

class SilentLiveryView final : public LiveryViewPort {
public:
    void liveryStatusChanged() override {}
    void scanSwitchShown() override {}
};

constinit SilentLiveryView silentView;
constinit std::atomic<LiveryViewPort*> installedPort{nullptr};

} // namespace

void gf_installLiveryViewPort(LiveryViewPort* port) noexcept { installedPort.store(port); }

LiveryViewPort& gf_liveryView() noexcept
{
    LiveryViewPort* port = installedPort.load();
    return port != nullptr ? *port : silentView;
}

} // namespace hlw
