#pragma once
// Builders of the receive records the stand-in sends, each as the exact bytes of one record.
#include "data_definition.h"
#include "platform/sim/simconnect_shim.h"

#include <array>
#include <string_view>

namespace hlw::standin {

// Exception codes beyond those the client layer names.
inline constexpr DWORD gc_exceptionNameUnrecognized = 7;
inline constexpr DWORD gc_exceptionDataError = 20;

struct ObjectDataHead {
    DWORD requestId = 0;
    DWORD objectId = 0;
    DWORD defineId = 0;
    DWORD entryNumber = 0;
    DWORD outOf = 0;
    DWORD defineCount = 0;
};

struct FacilityDataHead {
    DWORD userRequestId = 0;
    DWORD uniqueRequestId = 0;
    DWORD parentUniqueRequestId = 0;
    DWORD type = 0;
    bool isListItem = false;
    DWORD itemIndex = 0;
    DWORD listSize = 0;
};

Bytes gf_exceptionRecord(DWORD code, DWORD sendId, DWORD index);
Bytes gf_openRecord(std::string_view appName, const std::array<DWORD, 4>& version);
Bytes gf_quitRecord();
Bytes gf_eventRecord(DWORD eventId, DWORD data);
Bytes gf_objectAddRemoveRecord(DWORD eventId, DWORD objectId);
Bytes gf_fileNameRecord(DWORD eventId, std::string_view fileName);
Bytes gf_frameRecord(DWORD eventId, float frameRate);
// A data block shorter than four bytes is padded, so the record always covers its fixed part.
Bytes gf_objectDataRecord(bool byType, const ObjectDataHead& head, const Bytes& data);
Bytes gf_assignedObjectIdRecord(DWORD requestId, DWORD objectId);
Bytes gf_facilityDataRecord(const FacilityDataHead& head, const Bytes& data);
Bytes gf_facilityDataEndRecord(DWORD requestId);
// A record of any id with the given bytes after the head (for injected records).
Bytes gf_rawRecord(DWORD id, const Bytes& body);

} // namespace hlw::standin
