#include "data_definition.h"

#include "world_limits.h"

#include <cmath>
#include <cstring>

namespace hlw::standin {
namespace {

bool lf_isText(DWORD type) { return type == SIMCONNECT_DATATYPE_STRING32 || type == SIMCONNECT_DATATYPE_STRINGV; }

template <typename T>
void lf_append(Bytes& out, T value) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));
}

template <typename T>
T lf_read(std::span<const uint8_t> block, size_t at) {
    T value{};
    std::memcpy(&value, block.data() + at, sizeof(T));
    return value;
}

// Integers saturate instead of overflowing on absurd values.
int64_t lf_toInt64(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    if (value >= 9.2e18) {
        return INT64_MAX;
    }
    if (value <= -9.2e18) {
        return INT64_MIN;
    }
    return std::llround(value);
}

// A written value the world can hold; anything else would poison every later reply of the object, so it
// is ignored, as the real simulator ignores it.
bool lf_fits(Variable variable, double value) {
    switch (variable) {
    case Variable::Latitude: return gf_isLatitude(value);
    case Variable::Longitude: return gf_isLongitude(value);
    default: return gf_isWorldNumber(value);
    }
}

} // namespace

DatumCheck gf_checkDatum(std::string_view name, std::string_view unit, DWORD type) {
    const auto variable = gf_findVariable(name);
    if (!variable) {
        return {DatumProblem::UnknownName, std::nullopt};
    }
    const auto unitInfo = gf_findUnit(unit);
    if (!unitInfo) {
        return {DatumProblem::UnknownUnit, std::nullopt};
    }
    if (unitInfo->dimension != variable->dimension) {
        return {DatumProblem::WrongUnit, std::nullopt};
    }
    if (!gf_datumSize(type) && type != SIMCONNECT_DATATYPE_STRINGV) {
        return {DatumProblem::WrongType, std::nullopt};
    }
    if (lf_isText(type) != (variable->dimension == Dimension::Text)) {
        return {DatumProblem::WrongType, std::nullopt};
    }
    return {DatumProblem::None, Datum{std::string(name), std::string(unit), type, *variable, *unitInfo}};
}

DWORD gf_datumProblemIndex(DatumProblem problem) {
    switch (problem) {
    case DatumProblem::UnknownName: return 2;
    case DatumProblem::UnknownUnit:
    case DatumProblem::WrongUnit: return 3;
    case DatumProblem::WrongType: return 4;
    case DatumProblem::None: break;
    }
    return 0;
}

std::optional<size_t> gf_datumSize(DWORD type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_INT32:
    case SIMCONNECT_DATATYPE_FLOAT32: return 4;
    case SIMCONNECT_DATATYPE_INT64:
    case SIMCONNECT_DATATYPE_FLOAT64: return 8;
    case SIMCONNECT_DATATYPE_STRING32: return 32;
    default: return std::nullopt;
    }
}

std::optional<size_t> gf_definitionSize(const DataDefinition& definition) {
    size_t total = 0;
    for (const Datum& datum : definition) {
        const auto size = gf_datumSize(datum.type);
        if (!size) {
            return std::nullopt;
        }
        total += *size;
    }
    return total;
}

Bytes gf_packDefinition(const DataDefinition& definition, const SimObject& object, const Surroundings& around) {
    Bytes out;
    for (const Datum& datum : definition) {
        const VariableValue value = gf_readVariable(datum.variable.variable, object, around);
        if (const auto* text = std::get_if<std::string>(&value)) {
            if (datum.type == SIMCONNECT_DATATYPE_STRING32) {
                char field[32] = {};
                std::memcpy(field, text->data(), std::min<size_t>(text->size(), 31));
                out.insert(out.end(), field, field + sizeof field);
            } else {
                out.insert(out.end(), text->begin(), text->end());
                out.push_back(0);
            }
            continue;
        }
        const double number =
            gf_convertUnit(std::get<double>(value), datum.variable.nativeFactor, datum.unit.factor);
        switch (datum.type) {
        case SIMCONNECT_DATATYPE_INT32: lf_append(out, static_cast<int32_t>(lf_toInt64(number))); break;
        case SIMCONNECT_DATATYPE_INT64: lf_append(out, lf_toInt64(number)); break;
        case SIMCONNECT_DATATYPE_FLOAT32: lf_append(out, static_cast<float>(number)); break;
        default: lf_append(out, number); break;
        }
    }
    return out;
}

size_t gf_unpackDefinition(const DataDefinition& definition, SimObject& object, std::span<const uint8_t> block) {
    size_t at = 0;
    size_t stored = 0;
    for (const Datum& datum : definition) {
        const size_t size = gf_datumSize(datum.type).value_or(0);
        if (size == 0 || at + size > block.size()) {
            break;
        }
        double value = 0.0;
        bool numeric = true;
        switch (datum.type) {
        case SIMCONNECT_DATATYPE_INT32: value = lf_read<int32_t>(block, at); break;
        case SIMCONNECT_DATATYPE_INT64: value = static_cast<double>(lf_read<int64_t>(block, at)); break;
        case SIMCONNECT_DATATYPE_FLOAT32: value = lf_read<float>(block, at); break;
        case SIMCONNECT_DATATYPE_FLOAT64: value = lf_read<double>(block, at); break;
        default: numeric = false; break;
        }
        at += size;
        const double native = gf_convertUnit(value, datum.unit.factor, datum.variable.nativeFactor);
        if (numeric && lf_fits(datum.variable.variable, native) &&
            gf_writeVariable(datum.variable.variable, object, native)) {
            ++stored;
        }
    }
    return stored;
}

} // namespace hlw::standin
