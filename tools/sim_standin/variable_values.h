#pragma once
// Reading and writing the simulation variables of one object, in each variable's native unit.
#include "name_tables.h"
#include "sim_object.h"
#include "zulu_clock.h"

#include <cstdint>
#include <string>
#include <variant>

namespace hlw::standin {

using VariableValue = std::variant<double, std::string>;

// What an object's variables depend on beyond the object itself.
struct Surroundings {
    double groundElevationFt = 0.0;
    ZuluTime zulu;
};

VariableValue gf_readVariable(Variable variable, const SimObject& object, const Surroundings& around);
// Stores a value; false for variables that cannot be written (they are left unchanged).
bool gf_writeVariable(Variable variable, SimObject& object, double value);
// SIM ON GROUND: scripted for the user, from the terrain and static CG height for the others.
bool gf_isOnGround(const SimObject& object, double groundElevationFt);

} // namespace hlw::standin
