#include "platform/sim/simconnect_shim.h"

#include "platform/sim/sim_connection.h"
#include "platform/sim/sim_open_handler.h"
#include "platform/sim/sim_socket_connection.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace hlw {
namespace {

// Bytes a call frame needs besides its data block: length, kind, packet id, six numbers, block length.
constexpr uint64_t kSetDataOverhead = 4 * 10;

std::string lf_text(const char* text) { return text ? std::string(text) : std::string(); }

HRESULT lf_send(HANDLE handle, SimCallKind kind, std::vector<uint32_t> numbers, std::vector<std::string> texts = {},
                std::vector<uint8_t> block = {}, float epsilon = 0) {
    const std::shared_ptr<SimConnection> connection = gf_simFindConnection(handle);
    if (!connection) {
        return E_FAIL;
    }
    SimCall call;
    call.kind = kind;
    call.numbers = std::move(numbers);
    call.texts = std::move(texts);
    call.block = std::move(block);
    call.epsilon = epsilon;
    return connection->send(std::move(call));
}

}  // namespace

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND /*hWnd*/, DWORD /*UserEventWin32*/,
                        HANDLE /*hEventHandle*/, DWORD /*ConfigIndex*/) {
    if (phSimConnect == nullptr) {
        return E_FAIL;
    }
    *phSimConnect = nullptr;
    HRESULT result = E_FAIL;
    const SimOpenHandler handler = gf_simOpenHandler();
    if (handler != nullptr && handler(szName, phSimConnect, result)) {
        return result;
    }
    std::shared_ptr<SimConnection> connection = gf_simConnectSocket(lf_text(szName), gf_simPort());
    if (!connection) {
        return E_FAIL;
    }
    *phSimConnect = gf_simAddConnection(std::move(connection));
    return S_OK;
}

HRESULT SimConnect_Close(HANDLE hSimConnect) {
    const std::shared_ptr<SimConnection> connection = gf_simRemoveConnection(hSimConnect);
    if (!connection) {
        return E_FAIL;
    }
    // Even a close told to fail ends the connection: the handle is gone either way.
    const bool fail = connection->consumeFailure(SimCallKind::Close);
    connection->close();
    return fail ? E_FAIL : S_OK;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
    const std::shared_ptr<SimConnection> connection = gf_simFindConnection(hSimConnect);
    return connection ? connection->dispatch(pfcnDispatch, pContext) : E_FAIL;
}

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                          const char* SystemEventName) {
    return lf_send(hSimConnect, SimCallKind::SubscribeToSystemEvent, {EventID}, {lf_text(SystemEventName)});
}

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       const char* DatumName, const char* UnitsName, SIMCONNECT_DATATYPE DatumType,
                                       float fEpsilon, DWORD DatumID) {
    return lf_send(hSimConnect, SimCallKind::AddToDataDefinition, {DefineID, DatumType, DatumID},
                   {lf_text(DatumName), lf_text(UnitsName)}, {}, fEpsilon);
}

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, SIMCONNECT_CLIENT_EVENT_ID EventID,
                                            const char* EventName) {
    return lf_send(hSimConnect, SimCallKind::MapClientEventToSimEvent, {EventID}, {lf_text(EventName)});
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                     SIMCONNECT_CLIENT_EVENT_ID EventID, BOOL bMaskable) {
    return lf_send(hSimConnect, SimCallKind::AddClientEventToNotificationGroup,
                   {GroupID, EventID, static_cast<uint32_t>(bMaskable)});
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
                                                DWORD uPriority) {
    return lf_send(hSimConnect, SimCallKind::SetNotificationGroupPriority, {GroupID, uPriority});
}

HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                              SIMCONNECT_DATA_DEFINITION_ID DefineID, DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type) {
    return lf_send(hSimConnect, SimCallKind::RequestDataOnSimObjectType, {RequestID, DefineID, dwRadiusMeters, type});
}

HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID,
                                          SIMCONNECT_DATA_DEFINITION_ID DefineID, SIMCONNECT_OBJECT_ID ObjectID,
                                          SIMCONNECT_PERIOD Period, SIMCONNECT_DATA_REQUEST_FLAG Flags, DWORD origin,
                                          DWORD interval, DWORD limit) {
    return lf_send(hSimConnect, SimCallKind::RequestDataOnSimObject,
                   {RequestID, DefineID, ObjectID, Period, Flags, origin, interval, limit});
}

HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                      SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_DATA_SET_FLAG Flags, DWORD ArrayCount,
                                      DWORD cbUnitSize, void* pDataSet) {
    const uint64_t bytes = static_cast<uint64_t>(cbUnitSize) * std::max<uint64_t>(ArrayCount, 1);
    if ((bytes > 0 && pDataSet == nullptr) || bytes + kSetDataOverhead > kWireMaxFrameBytes) {
        return E_FAIL;
    }
    const auto* data = static_cast<const uint8_t*>(pDataSet);
    return lf_send(hSimConnect, SimCallKind::SetDataOnSimObject, {DefineID, ObjectID, Flags, ArrayCount, cbUnitSize},
                   {}, std::vector<uint8_t>(data, data + bytes));
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                       SIMCONNECT_CLIENT_EVENT_ID EventID, DWORD dwData,
                                       SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, SIMCONNECT_EVENT_FLAG Flags) {
    return lf_send(hSimConnect, SimCallKind::TransmitClientEvent, {ObjectID, EventID, dwData, GroupID, Flags});
}

HRESULT SimConnect_AIReleaseControl(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                    SIMCONNECT_DATA_REQUEST_ID RequestID) {
    return lf_send(hSimConnect, SimCallKind::AIReleaseControl, {ObjectID, RequestID});
}

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle, const char* szTailNumber,
                                          SIMCONNECT_DATA_INITPOSITION InitPos, SIMCONNECT_DATA_REQUEST_ID RequestID) {
    std::vector<uint8_t> position(sizeof InitPos);
    std::memcpy(position.data(), &InitPos, sizeof InitPos);
    return lf_send(hSimConnect, SimCallKind::AICreateNonATCAircraft, {RequestID},
                   {lf_text(szContainerTitle), lf_text(szTailNumber)}, std::move(position));
}

HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwError) {
    const std::shared_ptr<SimConnection> connection = gf_simFindConnection(hSimConnect);
    if (!connection || pdwError == nullptr || connection->consumeFailure(SimCallKind::GetLastSentPacketID)) {
        return E_FAIL;
    }
    const std::optional<DWORD> packetId = connection->lastSentPacketId();
    if (!packetId) {
        return E_FAIL;
    }
    *pdwError = *packetId;
    return S_OK;
}

HRESULT SimConnect_AIRemoveObject(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                  SIMCONNECT_DATA_REQUEST_ID RequestID) {
    return lf_send(hSimConnect, SimCallKind::AIRemoveObject, {ObjectID, RequestID});
}

HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID,
                                           const char* szFlightPlanPath, SIMCONNECT_DATA_REQUEST_ID RequestID) {
    return lf_send(hSimConnect, SimCallKind::AISetAircraftFlightPlan, {ObjectID, RequestID}, {lf_text(szFlightPlanPath)});
}

HRESULT SimConnect_AddToFacilityDefinition(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                           const char* FieldName) {
    return lf_send(hSimConnect, SimCallKind::AddToFacilityDefinition, {DefineID}, {lf_text(FieldName)});
}

HRESULT SimConnect_RequestFacilityData(HANDLE hSimConnect, SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                       SIMCONNECT_DATA_REQUEST_ID RequestID, const char* ICAO, const char* Region) {
    return lf_send(hSimConnect, SimCallKind::RequestFacilityData, {DefineID, RequestID},
                   {lf_text(ICAO), lf_text(Region)});
}

}  // namespace hlw
