#pragma once
// Safe reading of the simulator's receive records: a record is checked against the size its dwID needs
// before any field is read, fields are copied out with memcpy, and texts end at their field's end even
// without a terminator.
#include "platform/sim/simconnect_shim.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

namespace hlw {

// The fixed part a record of this dwID must hold; 0 for ids the program does not read.
size_t gf_recordBytesNeeded(DWORD recvId) noexcept;

// The fixed part of a record as its struct; nothing when the record is shorter.
template <class Record>
std::optional<Record> gf_readRecord(const SIMCONNECT_RECV* record, DWORD bytes) {
    static_assert(std::is_trivially_copyable_v<Record>);
    if (record == nullptr || bytes < sizeof(Record)) {
        return std::nullopt;
    }
    Record value;
    std::memcpy(&value, record, sizeof(Record));
    return value;
}

// The head of an object-data record, before its data block.
struct SimObjectDataHead {
    DWORD dwSize;
    DWORD dwVersion;
    DWORD dwID;
    DWORD dwRequestID;
    DWORD dwObjectID;
    DWORD dwDefineID;
    DWORD dwFlags;
    DWORD dwentrynumber;
    DWORD dwoutof;
    DWORD dwDefineCount;
};
static_assert(sizeof(SimObjectDataHead) == SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE);

// The data block of an object-data record (after its 40-byte head); empty when there is none.
std::span<const uint8_t> gf_objectDataBlock(const SIMCONNECT_RECV* record, DWORD bytes) noexcept;

// A value at the start of a data block; nothing when the block is shorter.
template <class Value>
std::optional<Value> gf_readData(std::span<const uint8_t> data) {
    static_assert(std::is_trivially_copyable_v<Value>);
    if (data.size() < sizeof(Value)) {
        return std::nullopt;
    }
    Value value;
    std::memcpy(&value, data.data(), sizeof(Value));
    return value;
}

// The text of a field of at most capacity bytes: up to its first NUL, or the whole field.
std::string gf_fieldText(const char* field, size_t capacity);
std::string gf_fieldText(std::span<const uint8_t> field);

} // namespace hlw
