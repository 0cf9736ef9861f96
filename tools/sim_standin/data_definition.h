#pragma once
// A client's data definition: its datums in registration order, and the packing of an object's state
// into the reply block (and of a written block into the object) datum by datum.
#include "name_tables.h"
#include "platform/sim/simconnect_shim.h"
#include "variable_values.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hlw::standin {

using Bytes = std::vector<uint8_t>;

struct Datum {
    std::string name;
    std::string unitName;
    DWORD type = SIMCONNECT_DATATYPE_FLOAT64;
    VariableInfo variable{};
    UnitInfo unit{};
};

using DataDefinition = std::vector<Datum>;

// Why a datum cannot be registered; the argument index is the one an exception reports.
enum class DatumProblem { None, UnknownName, UnknownUnit, WrongUnit, WrongType };

struct DatumCheck {
    DatumProblem problem = DatumProblem::None;
    std::optional<Datum> datum;
};

DatumCheck gf_checkDatum(std::string_view name, std::string_view unit, DWORD type);
// Argument index of the faulty argument of SimConnect_AddToDataDefinition (the handle counts as 0).
DWORD gf_datumProblemIndex(DatumProblem problem);

// Bytes of one datum of the type; nothing for the variable-length text.
std::optional<size_t> gf_datumSize(DWORD type);
// Bytes of a whole definition; nothing when it holds a variable-length text.
std::optional<size_t> gf_definitionSize(const DataDefinition& definition);

Bytes gf_packDefinition(const DataDefinition& definition, const SimObject& object, const Surroundings& around);
// Writes a block of exactly gf_definitionSize bytes into the object; text datums are skipped.
// Returns the number of datums stored.
size_t gf_unpackDefinition(const DataDefinition& definition, SimObject& object, std::span<const uint8_t> block);

} // namespace hlw::standin
