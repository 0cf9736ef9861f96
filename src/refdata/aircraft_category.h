#pragma once
// The size class of an aircraft model, decided by the category lists of the reference data.
#include <cstdint>

namespace hlw {

enum class AircraftCategory : int32_t {
    Light = 0,
    Buzjets = 1,
    Large = 2,
    Heavy = 3,
    HighPerf = 4,
    Rotorcraft = 5,
};

} // namespace hlw
