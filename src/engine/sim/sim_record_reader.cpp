#include "engine/sim/sim_record_reader.h"

#include <algorithm>

namespace hlw {

size_t gf_recordBytesNeeded(DWORD recvId) noexcept {
    switch (recvId) {
    case SIMCONNECT_RECV_ID_EXCEPTION: return sizeof(SIMCONNECT_RECV_EXCEPTION);
    case SIMCONNECT_RECV_ID_OPEN: return sizeof(SIMCONNECT_RECV_OPEN);
    case SIMCONNECT_RECV_ID_QUIT: return sizeof(SIMCONNECT_RECV_QUIT);
    case SIMCONNECT_RECV_ID_EVENT: return sizeof(SIMCONNECT_RECV_EVENT);
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE: return sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE);
    case SIMCONNECT_RECV_ID_EVENT_FILENAME: return sizeof(SIMCONNECT_RECV_EVENT);
    case SIMCONNECT_RECV_ID_EVENT_FRAME: return sizeof(SIMCONNECT_RECV_EVENT);
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE: return SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE;
    default: return 0;
    }
}

std::span<const uint8_t> gf_objectDataBlock(const SIMCONNECT_RECV* record, DWORD bytes) noexcept {
    if (record == nullptr || bytes <= SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE) {
        return {};
    }
    const auto* start = reinterpret_cast<const uint8_t*>(record);
    return {start + SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE, bytes - SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE};
}

std::string gf_fieldText(const char* field, size_t capacity) {
    const char* end = std::find(field, field + capacity, '\0');
    return std::string(field, end);
}

std::string gf_fieldText(std::span<const uint8_t> field) {
    return gf_fieldText(reinterpret_cast<const char*>(field.data()), field.size());
}

} // namespace hlw
