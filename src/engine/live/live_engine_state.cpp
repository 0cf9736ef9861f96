#include "engine/live/live_engine_state.h"

#include <algorithm>
#include <utility>

namespace hlw {

namespace {

template <typename Record> void lf_swapErase(std::vector<Record>& records, std::size_t index)
{
    if (index + 1 < records.size()) {
        records[index] = std::move(records.back());
    }
    records.pop_back();
}

} // namespace

int32_t LiveEngineState::activeCount() noexcept
{
    if (countedAtTick_ != tick) {
        countedAtTick_ = tick;
        activeCount_ = static_cast<int32_t>(
            std::ranges::count_if(live, [](const LiveAircraft& ac) { return ac.state == SimObjectState::active; }));
    }
    return activeCount_;
}

void LiveEngineState::noteStateChange(SimObjectState from, SimObjectState to) noexcept
{
    if (countedAtTick_ == tick && from != to) {
        activeCount_ += (to == SimObjectState::active ? 1 : 0) - (from == SimObjectState::active ? 1 : 0);
    }
}

LiveAircraft* LiveEngineState::findLive(uint32_t hexId) noexcept
{
    const auto it = std::ranges::find_if(live, [hexId](const LiveAircraft& ac) { return ac.flight.hexId == hexId; });
    return it == live.end() ? nullptr : &*it;
}

LiveAircraft* LiveEngineState::findLiveByObject(uint32_t objectId) noexcept
{
    if (objectId == 0) {
        return nullptr;
    }
    const auto it = std::ranges::find_if(live, [objectId](const LiveAircraft& ac) { return ac.objectId == objectId; });
    return it == live.end() ? nullptr : &*it;
}

LiveAircraft* LiveEngineState::findLiveByCallsign(std::string_view callsign) noexcept
{
    const auto it =
        std::ranges::find_if(live, [callsign](const LiveAircraft& ac) { return ac.flight.callsign == callsign; });
    return it == live.end() ? nullptr : &*it;
}

void LiveEngineState::eraseLive(std::size_t index)
{
    countedAtTick_ = -1;
    lf_swapErase(live, index);
}

void LiveEngineState::eraseStatic(std::size_t index)
{
    lf_swapErase(statics, index);
}

void LiveEngineState::sweepLive()
{
    countedAtTick_ = -1;
    std::erase_if(live, [](const LiveAircraft& ac) { return ac.erase != 0 || ac.creationCancelled != 0; });
}

void LiveEngineState::reserve()
{
    live.reserve(512);
    statics.reserve(256);
    addingStack.reserve(64);
    ghosts.reserve(64);
    rememberedTitles.reserve(256);
}

void LiveEngineState::reset()
{
    live.clear();
    statics.clear();
    addingStack.clear();
    ghosts.clear();
    pendingRemovals.clear();
    liveCreations.clear();
    staticCreations.clear();
    arrivals.clear();
    rememberedTitles.clear();
    unmatchedNames.clear();
    noLiveryLogged.clear();
    feedClock.clear();
    selectedObjectId = 0;
    user.reset();
    countedAtTick_ = -1;
}

} // namespace hlw
