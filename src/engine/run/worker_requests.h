#pragma once
// What the window asks of the worker. The window thread never changes worker-owned data: it sets one of these
// flags (with its value where it has one) and the worker's per-second step (or its 5- and 30-second tasks) consumes it by exchange.
#include "core/fixed_code.h"
#include "core/geodesy.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

namespace hlw {

// A destination airport entered in the window, for the park-airport list.
struct DestinationRequest {
    AirportCode code;
    LatLon position;
};

struct WorkerRequests {
    // A parking adjustment, run in two halves 15 s apart.
    std::atomic<bool> parkAdjust{false};
    std::atomic<bool> flushStatic{false};
    std::atomic<bool> refillCallsignList{false};
    std::atomic<bool> objectIdLookup{false};
    std::atomic<bool> blockCallsign{false};
    std::atomic<bool> reReadParkAirports{false};
    std::atomic<bool> matchingDepthChanged{false};
    // "MAX_LIVE_SEL" was lowered: the farthest live aircraft beyond it go.
    std::atomic<bool> trimLiveAircraft{false};
    // "NAV_LIGHTS_WHILE_PARKED" changed: the parked aircraft's navigation lights follow navLightsOn.
    std::atomic<bool> navLights{false};
    std::atomic<bool> navLightsOn{false};
    // "AUTO_RANGE" was switched on: the range is computed from the user aircraft and the park-airport list.
    std::atomic<bool> autoRange{false};

    // The main loop's second counter as of its last per-second step (the window's "Now" counts from it).
    std::atomic<int32_t> secondCounter{0};

    // Window: the destination goes first in the park-airport list at the next per-second step (a later one
    // replaces one not yet taken).
    void postDestination(const DestinationRequest& request)
    {
        std::lock_guard lock(destinationMutex_);
        destination_ = request;
    }
    // Worker: the destination posted since the last call, if any.
    std::optional<DestinationRequest> takeDestination()
    {
        std::lock_guard lock(destinationMutex_);
        return std::exchange(destination_, std::nullopt);
    }

    // The run reset: no request survives a restart.
    void clear() noexcept
    {
        {
            std::lock_guard lock(destinationMutex_);
            destination_.reset();
        }
        for (std::atomic<bool>* flag : {&parkAdjust, &flushStatic, &refillCallsignList, &objectIdLookup,
                                        &blockCallsign, &reReadParkAirports, &matchingDepthChanged,
                                        &trimLiveAircraft, &navLights, &autoRange}) {
            flag->store(false);
        }
        secondCounter.store(0);
    }

private:
    std::mutex destinationMutex_;
    std::optional<DestinationRequest> destination_;
};

} // namespace hlw
