#pragma once
// The records of a parking adjustment: the static aircraft kept at their stands with the learned stay they stand
// for, and the static aircraft to remove. The adjustment itself is a step of the parking service.
#include "records/stand_record.h"

#include <cstdint>
#include <string>

namespace hlw {

// A static aircraft kept at its stand.
struct StandUseRecord {
    std::string callsign;
    std::string coupledCallsign1;
    std::string coupledCallsign2;
    std::string registration;
    StandCodes codes;
    uint32_t parkedWeekday = 0;
    uint32_t parkedSlot = 0;
    StandNumber standNumber = 0;
    // The learned stay ends with the current half hour.
    bool leaves = false;

    int32_t parkedIndex() const noexcept { return static_cast<int32_t>(parkedWeekday * 48 + parkedSlot); }
};

// A static aircraft to remove.
struct StaticRemoval {
    std::string callsign;
    StandNumber standNumber = 0;
};

} // namespace hlw
