#pragma once
// Builds receive records as byte blocks: the fixed part of a SIMCONNECT_RECV_... struct followed by
// its data, with dwSize set to the total. Used by the simulator stand-in and by tests that inject
// records.
#include "platform/sim/simconnect_shim.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace hlw {

// fixedBytes bytes of fixedPart (which begins with SIMCONNECT_RECV), then data; dwSize is set.
std::vector<uint8_t> gf_simRecordBytes(const void* fixedPart, size_t fixedBytes, std::span<const uint8_t> data = {});

// A whole fixed-size record, e.g. SIMCONNECT_RECV_EVENT.
template <class Record>
std::vector<uint8_t> gf_simRecordBytes(const Record& record) {
    static_assert(std::is_base_of_v<SIMCONNECT_RECV, Record> && std::is_trivially_copyable_v<Record>);
    return gf_simRecordBytes(&record, sizeof(Record));
}

// An object-data record (dwID 8 or 9) carrying data as its datums.
std::vector<uint8_t> gf_simObjectDataRecord(DWORD dwID, DWORD requestId, DWORD objectId, DWORD defineId,
                                            std::span<const uint8_t> data, DWORD entryNumber = 1,
                                            DWORD outOf = 1);

// A facility-data record (dwID 28) of the given facility data type carrying data as its fields.
std::vector<uint8_t> gf_simFacilityDataRecord(DWORD userRequestId, DWORD type, std::span<const uint8_t> data);

}  // namespace hlw
