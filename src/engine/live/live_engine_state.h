#pragma once
// The engine's aircraft and the queues around them, owned by the worker and handed to every step of the engine
// tick: the live and static aircraft, the adding stack, the requests waiting to be handed to the simulator client
// thread, the ghost callsigns, the titles remembered per hex id, the unmatched names, the feed's time stamps and
// the engine tick counter. Only the worker thread touches it.
//
// The live and static vectors are erased by moving the last record into the erased one's place: indexes and
// references into them do not survive an erase.
#include "engine/live/feed_clock.h"
#include "engine/sim/sim_commands.h"
#include "engine/sim/sim_link.h"
#include "records/aircraft_records.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace hlw {

// Engine ticks per second; a received position is due 30 s (3000 ticks) after it arrived.
inline constexpr int32_t ticksPerSecond = 100;

struct LiveEngineState {
    std::vector<LiveAircraft> live;
    std::vector<StaticAircraft> statics;
    // Hex ids of live aircraft whose creation is to be requested; its size counts toward the live limit.
    std::vector<uint32_t> addingStack;
    // Callsigns removed as ghosts.
    std::vector<std::string> ghosts;
    // Requests waiting to be handed to the simulator client thread, paced by the engine tick.
    std::deque<uint32_t> pendingRemovals;
    std::deque<AiCreateRequest> liveCreations;
    std::deque<AiCreateRequest> staticCreations;
    // Hex ids whose used slots and static twin the per-second step looks at.
    std::deque<uint32_t> arrivals;
    // The livery title each hex id was given, owned: the livery tables may be rebuilt meanwhile.
    std::unordered_map<uint32_t, std::string> rememberedTitles;
    // Aircraft for which no livery matched.
    std::unordered_set<std::string> unmatchedNames;
    // Hex ids whose drop for want of a livery was logged: one line per aircraft, not one per try.
    std::unordered_set<uint32_t> noLiveryLogged;
    // The time stamps of the last records taken in, against which one far ahead is refused.
    FeedClock feedClock;

    // 100 per second, never reset during a program run; the due ticks of the positions count on it.
    int32_t tick = 0;
    uint32_t weekday = 0;
    uint32_t halfHour = 0;
    // The object chosen in the main window's callsign list; 0 = none.
    uint32_t selectedObjectId = 0;
    // The user aircraft as last requested; none until a report arrived.
    std::optional<UserAircraftFix> user;

    // The live aircraft in "active": counted once per tick, then kept up to date by noteStateChange.
    int32_t activeCount() noexcept;
    // A live aircraft changed its state.
    void noteStateChange(SimObjectState from, SimObjectState to) noexcept;

    LiveAircraft* findLive(uint32_t hexId) noexcept;
    LiveAircraft* findLiveByObject(uint32_t objectId) noexcept;
    LiveAircraft* findLiveByCallsign(std::string_view callsign) noexcept;
    // Moves the last record into the index's place.
    void eraseLive(std::size_t index);
    void eraseStatic(std::size_t index);
    // Removes every live record whose erase or creation-cancelled flag is set, keeping the order of the others.
    void sweepLive();

    // Room for a full run, once per program run.
    void reserve();
    // Back to the start of a run: everything emptied; the tick counter goes on.
    void reset();

private:
    int32_t countedAtTick_ = -1;
    int32_t activeCount_ = 0;
};

} // namespace hlw
