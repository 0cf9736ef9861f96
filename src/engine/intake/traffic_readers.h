#pragma once
// What the worker asks of the two UDP readers (traffic and QNH). The defaults receive nothing: no thread, no
// traffic (latest timestamp 0), the standard QNH, and every call succeeds.
#include "engine/intake/intake_filter.h"

#include <cstdint>
#include <optional>

namespace hlw {

class TrafficReaders {
public:
    virtual ~TrafficReaders() = default;

    // Worker, traffic start: the QNH reader, and 2 s later the traffic reader (on 127.0.0.1 only when the
    // live-traffic application runs on this PC, otherwise on every address).
    virtual void startQnhReader() {}
    virtual void startTrafficReader(bool localOnly) { static_cast<void>(localOnly); }
    // Any thread: asks both readers to end and wakes them.
    virtual void stop() {}
    // Worker: waits until both reader threads have ended.
    virtual void join() {}
    // Worker: the reader watchdog (a stale reader's lamp, a restart of a reader that died).
    virtual void watchdog() {}
    // Worker: the centre of the range filter.
    virtual void setRangeCentre(double latitude, double longitude)
    {
        static_cast<void>(latitude);
        static_cast<void>(longitude);
    }
    // The time stamp (seconds since 1970) of the latest accepted traffic record; 0 before the first.
    virtual double latestTimestamp() const { return 0.0; }
    // Worker: the active park airport, which ground traffic must be near; none while there is none.
    virtual void setParkAirport(const std::optional<ParkAirportFix>& airport) { static_cast<void>(airport); }
    // Worker, first half of a parking adjustment: empties the heard-callsign set and starts collecting.
    virtual void collectCallsigns() {}
    // Worker, when the live-traffic application connects: the readers' state as after a run reset (QNH, latest
    // timestamp, heard callsigns, datagram counts), while the readers go on receiving.
    virtual void resetState() {}
    // Any thread: the QNH in hPa.
    virtual int32_t qnh() const { return 1013; }
};

} // namespace hlw
