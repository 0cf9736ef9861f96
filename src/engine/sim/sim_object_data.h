#pragma once
// The object data the simulator sends: the static CG of a new AI aircraft, the aircraft within range, and
// the user aircraft's data.
// Runs on the simulator client thread, for its dispatcher (engine/sim/sim_dispatch.h), which owns the creations
// it tracks.
#include "engine/sim/sim_creation_tracking.h"
#include "engine/sim/sim_link_shared.h"
#include "engine/sim/user_model_rules.h"

#include <cstdint>
#include <span>
#include <string>

namespace hlw {

struct InRangeData;

class SimObjectData {
public:
    SimObjectData(SimLinkShared& shared, ModelFacts facts, PendingCreations& pending, AddedObjects& added);

    void onObjectData(const SIMCONNECT_RECV* record, DWORD bytes);
    void onObjectDataByType(const SIMCONNECT_RECV* record, DWORD bytes);

private:
    void onNewObjectInRange(uint32_t objectId, const InRangeData& data, const std::string& atcId);
    void removeLateObject(uint32_t objectId, const PendingCreate& overdue);
    void onUserOnGround(std::span<const uint8_t> data);
    void onUserBlock(uint32_t objectId, std::span<const uint8_t> data);
    void onUserTitle(std::span<const uint8_t> data);
    void onUserModel(std::span<const uint8_t> data);
    void applyUserModel(const std::string& model);

    SimLinkShared& shared_;
    const ModelFacts facts_;
    PendingCreations& pending_;
    AddedObjects& added_;
    bool asGenLogged_ = false;
};

} // namespace hlw
