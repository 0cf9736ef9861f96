#pragma once
// The commands the worker hands to the simulator client thread, which sends them on each simulator frame:
// AI positions, client events, creations and removals, under one command-queue mutex. The worker also holds
// that mutex for its own requests on the shared connection; the frame send only tries it and skips a frame
// rather than wait.
//
// Lock order: the reply mutex (sim_replies.h) before this one; the message line and the log inside both.
#include "engine/sim/sim_data_records.h"
#include "platform/sim/simconnect_shim.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace hlw {

struct AiPositionUpdate {
    AiPositionData data;
    uint32_t objectId = 0;
};

struct ClientEventRequest {
    uint32_t objectId = 0;
    uint32_t eventId = 0;
    uint32_t value = 0;

    bool operator==(const ClientEventRequest&) const = default;
};

struct AiCreateRequest {
    SIMCONNECT_DATA_INITPOSITION position{};
    std::string callsign; // sent as the tail number
    std::string title;    // a copy: the livery tables may be rebuilt before the frame sends it
    uint32_t hexId = 0;   // a live aircraft's ICAO address, or a static aircraft's number (at most 10000)
};

// The commands waiting for the next frame.
struct QueuedCommands {
    std::vector<AiPositionUpdate> positions;
    std::vector<ClientEventRequest> events;
    std::vector<AiCreateRequest> creations;
    std::vector<uint32_t> removals;

    void clear();
};

class SimCommandQueues {
public:
    using Lock = std::unique_lock<std::recursive_mutex>;

    // While no frame drains them, the event, creation and removal queues keep at most this many entries.
    static constexpr size_t kQueueLimit = 10000;

    Lock lock() { return Lock(mutex_); }
    Lock tryLock() { return Lock(mutex_, std::try_to_lock); }

    // Each appends under the lock; an entry beyond kQueueLimit is dropped (the first one of a run is logged).
    void queueEvent(const ClientEventRequest& event);
    void queueEvents(const ClientEventRequest* first, size_t count);
    void queueCreate(AiCreateRequest request);
    void queueRemoval(uint32_t objectId);

    // The engine's fill buffer: the worker's alone, used without the lock.
    std::vector<AiPositionUpdate>& fillBuffer() { return fill_; }
    // Hands the fill buffer to the next frame when the mutex is free; the fill buffer is empty afterwards
    // either way (a busy mutex costs this tick's positions, never a wait). True when handed over.
    bool publishPositions();
    // Empties both position buffers (the worker, when the flight stops running).
    void clearPositions();

    // The queued commands; only while `held` holds this object's mutex (throws std::logic_error otherwise).
    QueuedCommands& queued(const Lock& held);

    // Room for entries made before traffic starts, contents unchanged.
    void reserve(size_t entries);
    // Empties every queue and forgets the logged overflows (the run reset).
    void clear();

private:
    bool roomFor(size_t size, bool& overflowLogged, const char* what);

    std::recursive_mutex mutex_;
    QueuedCommands queued_;
    std::vector<AiPositionUpdate> fill_;
    bool eventOverflowLogged_ = false;
    bool creationOverflowLogged_ = false;
    bool removalOverflowLogged_ = false;
};

} // namespace hlw
