#include "parking/parking_window_port.h"

#include <atomic>

namespace hlw {
namespace {

class NoWindow final : public ParkingWindowPort {
  public:
    void learnedUpdatesChanged(int32_t) override {}
    void applyAutoRange() override {}
    void initialLoadOnlyChanged(bool) override {}
};

NoWindow noWindow;
constinit std::atomic<ParkingWindowPort*> installedPort{nullptr};

} // namespace

void gf_installParkingWindowPort(ParkingWindowPort* port) noexcept
{
    installedPort.store(port);
}

ParkingWindowPort& gf_parkingWindow() noexcept
{
    ParkingWindowPort* port = installedPort.load();
    return port != nullptr ? *port : noWindow;
}

} // namespace hlw
