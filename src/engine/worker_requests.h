#pragma once
// What the window asks of the worker. The window thread never changes worker-owned data: it sets one of these
// flags and the worker's per-second step (or its 5- and 30-second tasks) consumes it by exchange.
#include <atomic>

namespace hlw {

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

    // The run reset: no request survives a restart.
    void clear() noexcept
    {
        for (std::atomic<bool>* flag : {&parkAdjust, &flushStatic, &refillCallsignList, &objectIdLookup,
                                        &blockCallsign, &reReadParkAirports, &matchingDepthChanged,
                                        &trimLiveAircraft}) {
            flag->store(false);
        }
    }
};

} // namespace hlw
