#include "records.h"

#include "platform/sim/sim_records.h"

#include <algorithm>
#include <cstring>

namespace hlw::standin {
namespace {

constexpr DWORD lf_recordVersion = 6;

template <typename Record>
Record lf_head(DWORD id) {
    Record record{};
    record.dwSize = sizeof(Record);
    record.dwVersion = lf_recordVersion;
    record.dwID = id;
    return record;
}

// Events the stand-in sends belong to no notification group.
template <typename Record>
Record lf_eventHead(DWORD id, DWORD eventId) {
    auto record = lf_head<Record>(id);
    record.uGroupID = SIMCONNECT_UNUSED;
    record.uEventID = eventId;
    return record;
}

template <typename Record>
Bytes lf_bytes(const Record& record) {
    return gf_simRecordBytes(record);
}

// The fixed part before the data, then the data; a block shorter than the first data field is padded
// so that the record always covers its whole struct.
template <typename Record>
Bytes lf_withData(const Record& record, size_t headSize, const Bytes& data) {
    Bytes padded = data;
    if (headSize + padded.size() < sizeof(Record)) {
        padded.resize(sizeof(Record) - headSize, 0);
    }
    return gf_simRecordBytes(&record, headSize, padded);
}

void lf_copyText(char* target, size_t capacity, std::string_view text) {
    const size_t count = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), count);
    target[count] = '\0';
}

} // namespace

Bytes gf_exceptionRecord(DWORD code, DWORD sendId, DWORD index) {
    auto record = lf_head<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION);
    record.dwException = code;
    record.dwSendID = sendId;
    record.dwIndex = index;
    return lf_bytes(record);
}

Bytes gf_openRecord(std::string_view appName, const std::array<DWORD, 4>& version) {
    auto record = lf_head<SIMCONNECT_RECV_OPEN>(SIMCONNECT_RECV_ID_OPEN);
    lf_copyText(record.szApplicationName, sizeof record.szApplicationName, appName);
    record.dwApplicationVersionMajor = version[0];
    record.dwApplicationVersionMinor = version[1];
    record.dwApplicationBuildMajor = version[2];
    record.dwApplicationBuildMinor = version[3];
    record.dwSimConnectVersionMajor = version[0];
    record.dwSimConnectVersionMinor = version[1];
    record.dwSimConnectBuildMajor = version[2];
    record.dwSimConnectBuildMinor = version[3];
    return lf_bytes(record);
}

Bytes gf_quitRecord() { return lf_bytes(lf_head<SIMCONNECT_RECV_QUIT>(SIMCONNECT_RECV_ID_QUIT)); }

Bytes gf_eventRecord(DWORD eventId, DWORD data) {
    auto record = lf_eventHead<SIMCONNECT_RECV_EVENT>(SIMCONNECT_RECV_ID_EVENT, eventId);
    record.dwData = data;
    return lf_bytes(record);
}

Bytes gf_objectAddRemoveRecord(DWORD eventId, DWORD objectId) {
    auto record = lf_eventHead<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE, eventId);
    record.dwData = objectId;
    record.eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
    return lf_bytes(record);
}

Bytes gf_fileNameRecord(DWORD eventId, std::string_view fileName) {
    auto record = lf_eventHead<SIMCONNECT_RECV_EVENT_FILENAME>(SIMCONNECT_RECV_ID_EVENT_FILENAME, eventId);
    lf_copyText(record.szFileName, sizeof record.szFileName, fileName);
    return lf_bytes(record);
}

Bytes gf_frameRecord(DWORD eventId, float frameRate) {
    auto record = lf_eventHead<SIMCONNECT_RECV_EVENT_FRAME>(SIMCONNECT_RECV_ID_EVENT_FRAME, eventId);
    record.fFrameRate = frameRate;
    record.fSimSpeed = 1.0f;
    return lf_bytes(record);
}

Bytes gf_objectDataRecord(bool byType, const ObjectDataHead& head, const Bytes& data) {
    auto record = lf_head<SIMCONNECT_RECV_SIMOBJECT_DATA>(byType ? SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE
                                                                 : SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    record.dwRequestID = head.requestId;
    record.dwObjectID = head.objectId;
    record.dwDefineID = head.defineId;
    record.dwentrynumber = head.entryNumber;
    record.dwoutof = head.outOf;
    record.dwDefineCount = head.defineCount;
    return lf_withData(record, SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE, data);
}

Bytes gf_assignedObjectIdRecord(DWORD requestId, DWORD objectId) {
    auto record = lf_head<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID);
    record.dwRequestID = requestId;
    record.dwObjectID = objectId;
    return lf_bytes(record);
}

Bytes gf_facilityDataRecord(const FacilityDataHead& head, const Bytes& data) {
    auto record = lf_head<SIMCONNECT_RECV_FACILITY_DATA>(SIMCONNECT_RECV_ID_FACILITY_DATA);
    record.UserRequestId = head.userRequestId;
    record.UniqueRequestId = head.uniqueRequestId;
    record.ParentUniqueRequestId = head.parentUniqueRequestId;
    record.Type = head.type;
    record.IsListItem = head.isListItem ? TRUE : FALSE;
    record.ItemIndex = head.itemIndex;
    record.ListSize = head.listSize;
    return lf_withData(record, SIMCONNECT_FACILITY_DATA_HEAD_SIZE, data);
}

Bytes gf_facilityDataEndRecord(DWORD requestId) {
    auto record = lf_head<SIMCONNECT_RECV_FACILITY_DATA_END>(SIMCONNECT_RECV_ID_FACILITY_DATA_END);
    record.RequestId = requestId;
    return lf_bytes(record);
}

Bytes gf_rawRecord(DWORD id, const Bytes& body) {
    SIMCONNECT_RECV head{};
    head.dwVersion = lf_recordVersion;
    head.dwID = id;
    return gf_simRecordBytes(&head, sizeof head, body);
}

} // namespace hlw::standin
