#include "refdata/closest_stand_port.h"

#include <atomic>

namespace hlw {
namespace {

class NoAirportFiles final : public ClosestStandPort {
public:
    ClosestStand closestStand(const AirportCode& /*icao*/, const LatLon& /*position*/) const override
    {
        return {};
    }
};

constinit const NoAirportFiles noAirportFiles;
constinit std::atomic<const ClosestStandPort*> installedPort{nullptr};

} // namespace

void gf_installClosestStandPort(const ClosestStandPort* port) noexcept { installedPort.store(port); }

const ClosestStandPort& gf_closestStandPort() noexcept
{
    const ClosestStandPort* port = installedPort.load();
    return port != nullptr ? *port : noAirportFiles;
}

} // namespace hlw
