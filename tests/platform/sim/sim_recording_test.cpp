#include "platform/sim/sim_problems.h"
#include "platform/sim/sim_records.h"
#include "platform/sim/sim_recording.h"
#include "platform/sim/simconnect_shim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace hlw {
namespace {

struct Received {
    std::vector<DWORD> ids;
    std::vector<DWORD> sizes;
    std::vector<DWORD> sizeFields;
};

void lf_collect(SIMCONNECT_RECV* record, DWORD size, void* context) {
    auto* received = static_cast<Received*>(context);
    received->ids.push_back(record->dwID);
    received->sizes.push_back(size);
    received->sizeFields.push_back(record->dwSize);
}

std::vector<uint8_t> lf_event(DWORD eventId, DWORD data) {
    SIMCONNECT_RECV_EVENT event{};
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.uEventID = eventId;
    event.dwData = data;
    return gf_simRecordBytes(event);
}

class SimRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
        ASSERT_NE(handle, nullptr);
    }

    SimRecordingScope scope;
    HANDLE handle = nullptr;
};

TEST_F(SimRecordingTest, CallsAreRecordedWithArgumentsAndConsecutivePacketIds) {
    EXPECT_EQ(scope.clientName(handle), "Hollowmere");
    SIMCONNECT_DATA_INITPOSITION position{47.5, 8.5, 1400, -0.05, 0, 270, 0, 0};
    double aiPosition[8] = {47.1, 8.1, -0.05, 0.1, 1.5, 3000, -10, 160};

    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(handle, sim_ids::kEventSim, "Sim"), S_OK);
    EXPECT_EQ(SimConnect_AddToDataDefinition(handle, sim_ids::kDefInRange, "ATC ID", nullptr,
                                             SIMCONNECT_DATATYPE_STRING32, 0, SIMCONNECT_UNUSED),
              S_OK);
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Title", "SWR1*", position, sim_ids::kReqCreate), S_OK);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, sim_ids::kDefAiPosition, 77, 0, 0, sizeof aiPosition, aiPosition),
              S_OK);
    EXPECT_EQ(SimConnect_RequestDataOnSimObject(handle, sim_ids::kReqUserOnGround, sim_ids::kDefUserOnGround,
                                                SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND),
              S_OK);
    EXPECT_EQ(SimConnect_AISetAircraftFlightPlan(handle, 77, "77.pln", sim_ids::kReqFlightPlan), S_OK);

    const std::vector<SimCall> calls = scope.calls(handle);
    ASSERT_EQ(calls.size(), 6u);
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].packetId, i + 1);
    }
    EXPECT_EQ(calls[0].kind, SimCallKind::SubscribeToSystemEvent);
    EXPECT_EQ(calls[0].numbers, std::vector<uint32_t>{201});
    EXPECT_EQ(calls[0].texts, std::vector<std::string>{"Sim"});
    EXPECT_EQ(calls[1].numbers, (std::vector<uint32_t>{404, SIMCONNECT_DATATYPE_STRING32, SIMCONNECT_UNUSED}));
    EXPECT_EQ(calls[1].texts, (std::vector<std::string>{"ATC ID", ""}));
    EXPECT_EQ(calls[2].texts, (std::vector<std::string>{"Title", "SWR1*"}));
    ASSERT_EQ(calls[2].block.size(), sizeof position);
    EXPECT_EQ(std::memcmp(calls[2].block.data(), &position, sizeof position), 0);
    ASSERT_EQ(calls[3].block.size(), 64u);
    EXPECT_EQ(std::memcmp(calls[3].block.data(), aiPosition, 64), 0);
    EXPECT_EQ(calls[4].numbers, (std::vector<uint32_t>{108, 409, 0, 4, 0, 0, 0, 0}));
    EXPECT_EQ(calls[5].numbers, (std::vector<uint32_t>{77, 110}));
    EXPECT_EQ(calls[5].texts, std::vector<std::string>{"77.pln"});

    DWORD packetId = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), S_OK);
    EXPECT_EQ(packetId, 6u);

    EXPECT_EQ(SimConnect_Close(handle), S_OK);
    EXPECT_EQ(scope.calls(handle).back().kind, SimCallKind::Close);
    EXPECT_EQ(scope.calls(handle).back().packetId, 7u);
}

TEST_F(SimRecordingTest, SetDataSendsUnitSizeTimesCountAndRefusesMissingData) {
    const std::vector<double> three(6, 1.0);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, sim_ids::kDefSpoilersThrottle, 77, 0, 2, 24,
                                            const_cast<double*>(three.data())),
              S_OK);
    EXPECT_EQ(scope.calls(handle).back().block.size(), 48u);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, sim_ids::kDefSpoilersThrottle, 77, 0, 0, 24, nullptr), E_FAIL);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, 1, 77, 0, 0xFFFFFFFFu, 0xFFFFFFFFu,
                                            const_cast<double*>(three.data())),
              E_FAIL);
    EXPECT_EQ(scope.calls(handle).size(), 1u);
}

TEST_F(SimRecordingTest, InjectedRecordsAreDeliveredOnceAndInOrder) {
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), S_OK);
    EXPECT_TRUE(received.ids.empty());

    SIMCONNECT_RECV_OPEN open{};
    open.dwID = SIMCONNECT_RECV_ID_OPEN;
    std::strcpy(open.szApplicationName, "KittyHawk");
    scope.inject(handle, gf_simRecordBytes(open));
    scope.inject(handle, lf_event(sim_ids::kEventSim, 1));
    const std::vector<uint8_t> data(56, 0);
    scope.inject(handle, gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, sim_ids::kReqInRange, 9,
                                                sim_ids::kDefInRange, data));

    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), S_OK);
    EXPECT_EQ(received.ids, (std::vector<DWORD>{2, 4, 9}));
    EXPECT_EQ(received.sizes, (std::vector<DWORD>{308, 24, 96}));
    EXPECT_EQ(received.sizeFields, received.sizes);

    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), S_OK);
    EXPECT_EQ(received.ids.size(), 3u) << "a record is delivered only once";
}

TEST_F(SimRecordingTest, BadRecordsAreMendedOrSkippedWithAProblemReport) {
    std::vector<std::string> problems;
    gf_setSimProblemSink([&](std::string_view text) { problems.emplace_back(text); });

    std::vector<uint8_t> lying = lf_event(sim_ids::kEventFrame, 0);
    lying[0] = 200;  // claims more bytes than it has
    scope.inject(handle, lying);
    scope.inject(handle, {1, 2, 3});  // not even a head
    SIMCONNECT_RECV head{};
    head.dwID = SIMCONNECT_RECV_ID_OPEN;  // an OPEN cut to its head
    scope.inject(handle, gf_simRecordBytes(head));

    struct Seen {
        Received received;
        std::string openName = "unset";
    } seen;
    const auto proc = [](SIMCONNECT_RECV* record, DWORD size, void* context) {
        auto* s = static_cast<Seen*>(context);
        lf_collect(record, size, &s->received);
        if (record->dwID == SIMCONNECT_RECV_ID_OPEN) {
            // A careless reader of the full struct must find zeros, not foreign memory.
            s->openName = static_cast<SIMCONNECT_RECV_OPEN*>(record)->szApplicationName;
        }
    };
    EXPECT_EQ(SimConnect_CallDispatch(handle, proc, &seen), S_OK);
    gf_setSimProblemSink({});

    EXPECT_EQ(seen.received.ids, (std::vector<DWORD>{4, 2}));
    EXPECT_EQ(seen.received.sizeFields, (std::vector<DWORD>{24, 12}));
    EXPECT_EQ(seen.openName, "");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("3 bytes"), std::string::npos) << problems[0];
}

TEST_F(SimRecordingTest, ExceptionsPassThroughDispatchAndConsumeTheirRecord) {
    for (DWORD i = 1; i <= 3; ++i) {
        scope.inject(handle, lf_event(sim_ids::kEventSim, i));
    }
    struct Thrower {
        std::vector<DWORD> seen;
    } thrower;
    const auto proc = [](SIMCONNECT_RECV* record, DWORD, void* context) {
        const auto* event = static_cast<SIMCONNECT_RECV_EVENT*>(record);
        static_cast<Thrower*>(context)->seen.push_back(event->dwData);
        if (event->dwData == 2) {
            throw std::runtime_error("handler failed");
        }
    };
    EXPECT_THROW(SimConnect_CallDispatch(handle, proc, &thrower), std::runtime_error);
    EXPECT_EQ(thrower.seen, (std::vector<DWORD>{1, 2}));
    EXPECT_EQ(SimConnect_CallDispatch(handle, proc, &thrower), S_OK);
    EXPECT_EQ(thrower.seen, (std::vector<DWORD>{1, 2, 3}));
}

// The dispatch procedure sends, asks for the packet id and even dispatches again, as the frame send does.
TEST_F(SimRecordingTest, CallsFromInsideTheProcedureWork) {
    scope.inject(handle, lf_event(sim_ids::kEventFrame, 0));
    scope.inject(handle, lf_event(sim_ids::kEventSim, 1));
    struct Context {
        HANDLE handle;
        std::vector<HRESULT> results;
        DWORD packetId = 0;
        Received nested;
    } context{handle, {}, 0, {}};
    const auto proc = [](SIMCONNECT_RECV* record, DWORD, void* raw) {
        auto* c = static_cast<Context*>(raw);
        if (static_cast<SIMCONNECT_RECV_EVENT*>(record)->uEventID != sim_ids::kEventFrame) {
            return;
        }
        c->results.push_back(SimConnect_TransmitClientEvent(c->handle, 77, sim_ids::kClientGearSet, 1,
                                                            sim_ids::kGroupAi, SIMCONNECT_EVENT_FLAG_DEFAULT));
        c->results.push_back(SimConnect_GetLastSentPacketID(c->handle, &c->packetId));
        c->results.push_back(SimConnect_CallDispatch(c->handle, lf_collect, &c->nested));
    };
    EXPECT_EQ(SimConnect_CallDispatch(handle, proc, &context), S_OK);
    EXPECT_EQ(context.results, (std::vector<HRESULT>{S_OK, S_OK, S_OK}));
    EXPECT_EQ(context.packetId, 1u);
    EXPECT_EQ(context.nested.ids, std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT}) << "the nested call took the rest";
    ASSERT_EQ(scope.calls(handle).size(), 1u);
}

TEST_F(SimRecordingTest, ControlCommandFailsTheNextCallsOfOneFunction) {
    scope.injectControl(handle, "failnext AIRemoveObject 2");
    scope.inject(handle, lf_event(sim_ids::kEventSim, 1));
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), S_OK);
    EXPECT_EQ(received.ids, std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT}) << "control frames never reach the procedure";

    EXPECT_EQ(SimConnect_AIReleaseControl(handle, 77, sim_ids::kReqReleaseControl), S_OK);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, sim_ids::kReqRemove), E_FAIL);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, sim_ids::kReqRemove), E_FAIL);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, sim_ids::kReqRemove), S_OK);
    const std::vector<SimCall> calls = scope.calls(handle);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].kind, SimCallKind::AIRemoveObject);
    EXPECT_EQ(calls[1].packetId, 2u) << "failed calls use no packet id";
}

TEST_F(SimRecordingTest, FailNextCoversTheLocalFunctions) {
    ASSERT_EQ(SimConnect_AIRemoveObject(handle, 77, sim_ids::kReqRemove), S_OK);
    scope.failNext(handle, SimCallKind::GetLastSentPacketID, 1);
    scope.failNext(handle, SimCallKind::CallDispatch, 1);
    DWORD packetId = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), E_FAIL);
    EXPECT_EQ(packetId, 0u);
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), S_OK);
    EXPECT_EQ(packetId, 1u);
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), E_FAIL);
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), S_OK);

    scope.failNext(handle, SimCallKind::Close, 1);
    EXPECT_EQ(SimConnect_Close(handle), E_FAIL);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, sim_ids::kReqRemove), E_FAIL) << "closed all the same";
}

TEST_F(SimRecordingTest, SimulatorCloseEndsDispatchAfterTheWaitingRecords) {
    scope.inject(handle, lf_event(sim_ids::kEventSim, 1));
    scope.closeFromSimulator(handle);
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), E_FAIL);
    EXPECT_EQ(received.ids.size(), 1u);
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), E_FAIL);
}

TEST_F(SimRecordingTest, LastPacketIdIsKeptPerConnection) {
    HANDLE facility = nullptr;
    ASSERT_EQ(SimConnect_Open(&facility, "PARKING_DATA_RDR", nullptr, 0, nullptr, 0), S_OK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(SimConnect_AIRemoveObject(handle, 77, sim_ids::kReqRemove), S_OK);
    }
    ASSERT_EQ(SimConnect_RequestFacilityData(facility, sim_ids::kDefFacility, sim_ids::kReqFacility, "LSZH"), S_OK);
    DWORD mainId = 0;
    DWORD facilityId = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &mainId), S_OK);
    EXPECT_EQ(SimConnect_GetLastSentPacketID(facility, &facilityId), S_OK);
    EXPECT_EQ(mainId, 3u);
    EXPECT_EQ(facilityId, 1u);
}

TEST_F(SimRecordingTest, CloseFromInsideTheProcedureStopsTheDelivery) {
    scope.inject(handle, lf_event(sim_ids::kEventSim, 1));
    scope.inject(handle, lf_event(sim_ids::kEventSim, 2));
    struct Context {
        HANDLE handle;
        int seen = 0;
    } context{handle};
    const auto proc = [](SIMCONNECT_RECV*, DWORD, void* raw) {
        auto* c = static_cast<Context*>(raw);
        ++c->seen;
        SimConnect_Close(c->handle);
    };
    SimConnect_CallDispatch(handle, proc, &context);
    EXPECT_EQ(context.seen, 1);
    EXPECT_EQ(SimConnect_CallDispatch(handle, proc, &context), E_FAIL);
}

TEST_F(SimRecordingTest, UnknownControlCommandsAreReportedAndIgnored) {
    std::vector<std::string> problems;
    gf_setSimProblemSink([&](std::string_view text) { problems.emplace_back(text); });
    scope.injectControl(handle, "failnext Teleport 2");
    Received received;
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &received), S_OK);
    gf_setSimProblemSink({});
    EXPECT_TRUE(received.ids.empty());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("failnext Teleport 2"), std::string::npos) << problems[0];
}

TEST_F(SimRecordingTest, NoPacketIdBeforeTheFirstCall) {
    DWORD packetId = 42;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), E_FAIL);
    EXPECT_EQ(packetId, 42u);
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, nullptr), E_FAIL);
}

// Every function refuses a null, a closed and a made-up handle.
TEST(SimHandles, InvalidHandlesFail) {
    SimRecordingScope scope;
    HANDLE closed = nullptr;
    ASSERT_EQ(SimConnect_Open(&closed, "x", nullptr, 0, nullptr, 0), S_OK);
    ASSERT_EQ(SimConnect_Close(closed), S_OK);
    const HANDLE madeUp = reinterpret_cast<HANDLE>(uintptr_t{0x1234});
    for (const HANDLE h : {HANDLE{nullptr}, closed, madeUp}) {
        Received received;
        DWORD packetId = 0;
        double data[3] = {};
        const SIMCONNECT_DATA_INITPOSITION position{};
        const std::vector<HRESULT> results = {
            SimConnect_Close(h),
            SimConnect_CallDispatch(h, lf_collect, &received),
            SimConnect_SubscribeToSystemEvent(h, 201, "Sim"),
            SimConnect_AddToDataDefinition(h, 401, "SPOILERS HANDLE POSITION", "percent"),
            SimConnect_MapClientEventToSimEvent(h, 219, "GEAR_SET"),
            SimConnect_AddClientEventToNotificationGroup(h, 301, 219, TRUE),
            SimConnect_SetNotificationGroupPriority(h, 301, 1),
            SimConnect_RequestDataOnSimObjectType(h, 101, 404, 1852, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
            SimConnect_RequestDataOnSimObject(h, 109, 403, 0, SIMCONNECT_PERIOD_ONCE),
            SimConnect_SetDataOnSimObject(h, 401, 77, 0, 0, sizeof data, data),
            SimConnect_TransmitClientEvent(h, 77, 219, 1, 301, 0),
            SimConnect_AIReleaseControl(h, 77, 103),
            SimConnect_AICreateNonATCAircraft(h, "t", "c", position, 104),
            SimConnect_GetLastSentPacketID(h, &packetId),
            SimConnect_AIRemoveObject(h, 77, 105),
            SimConnect_AISetAircraftFlightPlan(h, 77, "77.pln", 110),
            SimConnect_AddToFacilityDefinition(h, 1001, "OPEN AIRPORT"),
            SimConnect_RequestFacilityData(h, 1001, 2001, "LSZH", ""),
        };
        for (size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i], E_FAIL) << "function " << i << " handle " << h;
        }
    }
    EXPECT_EQ(SimConnect_Open(nullptr, "x", nullptr, 0, nullptr, 0), E_FAIL);
}

TEST(SimRecordingScopeRules, RefusedOpenAndOneScopeAtATime) {
    SimRecordingScope scope;
    EXPECT_THROW(SimRecordingScope second, std::logic_error);
    scope.refuseOpen(true);
    HANDLE handle = reinterpret_cast<HANDLE>(uintptr_t{1});
    EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_EQ(scope.refusedOpens(), 2u);
    scope.refuseOpen(false);
    ASSERT_EQ(SimConnect_Open(&handle, "PARKING_DATA_RDR", nullptr, 0, nullptr, 0), S_OK);
    EXPECT_EQ(scope.openedHandles(), std::vector<HANDLE>{handle});
    EXPECT_EQ(scope.refusedOpens(), 2u);
    EXPECT_THROW(scope.calls(reinterpret_cast<HANDLE>(uintptr_t{1})), std::invalid_argument);
}

TEST(SimRecordingScopeRules, HandlesDieWithTheirScope) {
    HANDLE handle = nullptr;
    {
        SimRecordingScope scope;
        ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
    }
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, 105), E_FAIL);
}

// Data blocks start where the record structs name their first data word.
TEST(SimRecordBytes, DataFollowsTheFixedPartAndSizeIsSet) {
    const std::vector<uint8_t> parking = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<uint8_t> facility =
        gf_simFacilityDataRecord(sim_ids::kReqFacility, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, parking);
    ASSERT_EQ(facility.size(), SIMCONNECT_FACILITY_DATA_HEAD_SIZE + parking.size());
    SIMCONNECT_RECV_FACILITY_DATA head{};
    std::memcpy(&head, facility.data(), sizeof head);
    EXPECT_EQ(head.dwSize, facility.size());
    EXPECT_EQ(head.dwID, SIMCONNECT_RECV_ID_FACILITY_DATA);
    EXPECT_EQ(head.UserRequestId, sim_ids::kReqFacility);
    EXPECT_EQ(head.Type, SIMCONNECT_FACILITY_DATA_TAXI_PARKING);
    EXPECT_EQ(head.Data, 0x04030201u);

    const std::vector<uint8_t> reply =
        gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, sim_ids::kReqStaticCg, 9, sim_ids::kDefStaticCg,
                               parking, 2, 5);
    SIMCONNECT_RECV_SIMOBJECT_DATA data{};
    std::memcpy(&data, reply.data(), sizeof data);
    EXPECT_EQ(data.dwSize, SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE + parking.size());
    EXPECT_EQ(data.dwRequestID, sim_ids::kReqStaticCg);
    EXPECT_EQ(data.dwObjectID, 9u);
    EXPECT_EQ(data.dwDefineID, sim_ids::kDefStaticCg);
    EXPECT_EQ(data.dwentrynumber, 2u);
    EXPECT_EQ(data.dwoutof, 5u);
    EXPECT_EQ(data.dwData, 0x04030201u);

    const SIMCONNECT_RECV head12{};
    EXPECT_THROW(gf_simRecordBytes(&head12, 8), std::invalid_argument);
}

}  // namespace
}  // namespace hlw
