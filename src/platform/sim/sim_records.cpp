#include "platform/sim/sim_records.h"

#include <cstring>
#include <stdexcept>

namespace hlw {

std::vector<uint8_t> gf_simRecordBytes(const void* fixedPart, size_t fixedBytes, std::span<const uint8_t> data) {
    if (fixedBytes < sizeof(SIMCONNECT_RECV)) {
        throw std::invalid_argument("a receive record is at least its head");
    }
    std::vector<uint8_t> bytes(fixedBytes + data.size());
    std::memcpy(bytes.data(), fixedPart, fixedBytes);
    if (!data.empty()) {
        std::memcpy(bytes.data() + fixedBytes, data.data(), data.size());
    }
    const auto size = static_cast<DWORD>(bytes.size());
    std::memcpy(bytes.data(), &size, sizeof size);
    return bytes;
}

std::vector<uint8_t> gf_simObjectDataRecord(DWORD dwID, DWORD requestId, DWORD objectId, DWORD defineId,
                                            std::span<const uint8_t> data, DWORD entryNumber, DWORD outOf) {
    SIMCONNECT_RECV_SIMOBJECT_DATA record{};
    record.dwVersion = 1;
    record.dwID = dwID;
    record.dwRequestID = requestId;
    record.dwObjectID = objectId;
    record.dwDefineID = defineId;
    record.dwentrynumber = entryNumber;
    record.dwoutof = outOf;
    record.dwDefineCount = 1;
    return gf_simRecordBytes(&record, SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE, data);
}

std::vector<uint8_t> gf_simFacilityDataRecord(DWORD userRequestId, DWORD type, std::span<const uint8_t> data) {
    SIMCONNECT_RECV_FACILITY_DATA record{};
    record.dwVersion = 1;
    record.dwID = SIMCONNECT_RECV_ID_FACILITY_DATA;
    record.UserRequestId = userRequestId;
    record.Type = type;
    return gf_simRecordBytes(&record, SIMCONNECT_FACILITY_DATA_HEAD_SIZE, data);
}

}  // namespace hlw
