// The simulator client layer on both back ends: the in-process recorder and a loopback server that plays the
// simulator's end of the wire protocol.
#include "platform/net/socket_helpers.h"
#include "platform/net/tcp_server.h"
#include "platform/sim/sim_problems.h"
#include "platform/sim/sim_records.h"
#include "platform/sim/sim_socket_connection.h"
#include "support/sim_recording.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>

namespace hlw {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;
using Handler = std::function<void(SIMCONNECT_RECV*, DWORD)>;

void lf_callHandler(SIMCONNECT_RECV* record, DWORD size, void* handler)
{
    (*static_cast<Handler*>(handler))(record, size);
}

HRESULT lf_dispatch(HANDLE handle, Handler handler)
{
    return SimConnect_CallDispatch(handle, lf_callHandler, &handler);
}

Bytes lf_event(DWORD data)
{
    SIMCONNECT_RECV_EVENT event{};
    event.dwID = SIMCONNECT_RECV_ID_EVENT;
    event.dwData = data;
    return gf_simRecordBytes(event);
}

Bytes lf_eventFrame(DWORD data)
{
    return gf_encodeRecordFrame(lf_event(data));
}

void lf_collect(SIMCONNECT_RECV* record, DWORD, void* seen)
{
    static_cast<std::vector<DWORD>*>(seen)->push_back(static_cast<SIMCONNECT_RECV_EVENT*>(record)->dwData);
}

// The dwData of every event one dispatch delivers, followed by 0xDEAD when the dispatch failed.
std::vector<DWORD> lf_eventData(HANDLE handle)
{
    std::vector<DWORD> data;
    if (SimConnect_CallDispatch(handle, lf_collect, &data) != S_OK) {
        data.push_back(0xDEAD);
    }
    return data;
}

// Dispatches until count events arrived, the connection ended or the time is up; the last result.
HRESULT lf_dispatchUntil(HANDLE handle, std::vector<DWORD>& seen, size_t count)
{
    HRESULT result = S_OK;
    for (const auto end = Clock::now() + 2s; result == S_OK && seen.size() < count && Clock::now() < end;) {
        result = SimConnect_CallDispatch(handle, lf_collect, &seen);
        std::this_thread::sleep_for(1ms);
    }
    return result;
}

constexpr SIMCONNECT_DATA_INITPOSITION kPosition{47.5, 8.5, 1400, -0.05, 0, 270, 0, 0};

// One call of every function that sends, each argument with its own value; then what each sends.
std::vector<HRESULT> lf_callEach(HANDLE h)
{
    static uint8_t data[6] = {1, 2, 3, 4, 5, 6};
    return {SimConnect_SubscribeToSystemEvent(h, 201, "Sim"),
            SimConnect_AddToDataDefinition(h, 404, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32, 0.5f, 7),
            SimConnect_MapClientEventToSimEvent(h, 219, "GEAR_SET"),
            SimConnect_AddClientEventToNotificationGroup(h, 301, 219, TRUE),
            SimConnect_SetNotificationGroupPriority(h, 301, 1),
            SimConnect_RequestDataOnSimObjectType(h, 101, 404, 1852, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
            SimConnect_RequestDataOnSimObject(h, 108, 409, 3, SIMCONNECT_PERIOD_SECOND, 5, 6, 7, 8),
            SimConnect_SetDataOnSimObject(h, 402, 77, 1, 2, 3, data),
            SimConnect_TransmitClientEvent(h, 77, 222, 16383, 301, 9),
            SimConnect_AIReleaseControl(h, 77, 103),
            SimConnect_AICreateNonATCAircraft(h, "Title", "SWR1*", kPosition, 104),
            SimConnect_AIRemoveObject(h, 77, 105),
            SimConnect_AISetAircraftFlightPlan(h, 77, "77.pln", 110),
            SimConnect_AddToFacilityDefinition(h, 1001, "OPEN AIRPORT"),
            SimConnect_RequestFacilityData(h, 1001, 2001, "LSZH")};
}

std::vector<SimCall> lf_expectedCalls()
{
    const auto* position = reinterpret_cast<const uint8_t*>(&kPosition);
    using K = SimCallKind;
    std::vector<SimCall> calls = {
        {K::SubscribeToSystemEvent, 0, {201}, {"Sim"}, {}, 0},
        {K::AddToDataDefinition, 0, {404, 5, 7}, {"ATC ID", ""}, {}, 0.5f},
        {K::MapClientEventToSimEvent, 0, {219}, {"GEAR_SET"}, {}, 0},
        {K::AddClientEventToNotificationGroup, 0, {301, 219, 1}, {}, {}, 0},
        {K::SetNotificationGroupPriority, 0, {301, 1}, {}, {}, 0},
        {K::RequestDataOnSimObjectType, 0, {101, 404, 1852, 2}, {}, {}, 0},
        {K::RequestDataOnSimObject, 0, {108, 409, 3, 4, 5, 6, 7, 8}, {}, {}, 0},
        {K::SetDataOnSimObject, 0, {402, 77, 1, 2, 3}, {}, {1, 2, 3, 4, 5, 6}, 0},
        {K::TransmitClientEvent, 0, {77, 222, 16383, 301, 9}, {}, {}, 0},
        {K::AIReleaseControl, 0, {77, 103}, {}, {}, 0},
        {K::AICreateNonATCAircraft, 0, {104}, {"Title", "SWR1*"}, {position, position + sizeof kPosition}, 0},
        {K::AIRemoveObject, 0, {77, 105}, {}, {}, 0},
        {K::AISetAircraftFlightPlan, 0, {77, 110}, {"77.pln"}, {}, 0},
        {K::AddToFacilityDefinition, 0, {1001}, {"OPEN AIRPORT"}, {}, 0},
        {K::RequestFacilityData, 0, {1001, 2001}, {"LSZH", ""}, {}, 0}};
    for (size_t i = 0; i < calls.size(); ++i) {
        calls[i].packetId = static_cast<uint32_t>(i + 1);
    }
    return calls;
}

// Collects what the layer reports as problems while the test runs.
class SimLinkTest : public ::testing::Test {
  protected:
    SimLinkTest()
    {
        gf_setSimProblemSink([this](std::string_view text) { problems.emplace_back(text); });
    }
    ~SimLinkTest() override { gf_setSimProblemSink({}); }

    std::vector<std::string> problems;
    HANDLE handle = nullptr;
};

class SimRecording : public SimLinkTest {
  protected:
    void SetUp() override { ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK); }

    SimRecordingScope scope;
};

// Each function sends its arguments in its own order under the connection's next packet id; none works on a
// null, closed or made-up handle.
TEST_F(SimRecording, EveryFunctionSendsItsArgumentsOrFailsOnABadHandle)
{
    DWORD packetId = 42;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), E_FAIL) << "nothing sent yet";
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, nullptr), E_FAIL);
    HANDLE facility = nullptr;
    ASSERT_EQ(SimConnect_Open(&facility, "PARKING_DATA_RDR", nullptr, 0, nullptr, 0), S_OK);
    ASSERT_EQ(SimConnect_AIRemoveObject(facility, 77, 105), S_OK);
    const std::vector<SimCall> expected = lf_expectedCalls();
    EXPECT_EQ(lf_callEach(handle), std::vector<HRESULT>(expected.size(), S_OK));
    EXPECT_EQ(scope.calls(handle), expected);
    EXPECT_EQ(scope.clientName(facility), "PARKING_DATA_RDR");
    EXPECT_TRUE(SimConnect_GetLastSentPacketID(facility, &packetId) == S_OK && packetId == 1);
    EXPECT_TRUE(SimConnect_GetLastSentPacketID(handle, &packetId) == S_OK && packetId == expected.size());
    // The data block is unit size times count (0 counts as 1), present and within one frame.
    uint8_t data[3] = {};
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, 402, 77, 0, 0, 3, data), S_OK);
    EXPECT_EQ(scope.calls(handle).back().block.size(), 3u);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, 402, 77, 0, 0, 24, nullptr), E_FAIL);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, 1, 77, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, data), E_FAIL);
    EXPECT_EQ(SimConnect_Close(handle), S_OK);
    EXPECT_TRUE(scope.calls(handle).back().kind == SimCallKind::Close &&
                scope.calls(handle).back().packetId == expected.size() + 2);
    for (const HANDLE bad : {HANDLE{nullptr}, handle, reinterpret_cast<HANDLE>(uintptr_t{0x1234})}) {
        EXPECT_EQ(lf_callEach(bad), std::vector<HRESULT>(expected.size(), E_FAIL));
        EXPECT_EQ(SimConnect_Close(bad), E_FAIL);
        EXPECT_EQ(lf_dispatch(bad, {}), E_FAIL);
        EXPECT_EQ(SimConnect_GetLastSentPacketID(bad, &packetId), E_FAIL);
    }
    EXPECT_EQ(SimConnect_Open(nullptr, "x", nullptr, 0, nullptr, 0), E_FAIL);
}

// Records arrive once, in order, each in a block of its real length; one shorter than a head is skipped with a
// report, one that claims more than it has is cut to what came, and a short one reads as zeros past its end.
TEST_F(SimRecording, DispatchHandsOutEachRecordOnce)
{
    SIMCONNECT_RECV_OPEN open{};
    open.dwID = SIMCONNECT_RECV_ID_OPEN;
    std::strcpy(open.szApplicationName, "KittyHawk");
    const SIMCONNECT_RECV head{0, 0, SIMCONNECT_RECV_ID_OPEN};
    std::vector<uint8_t> lying = lf_event(0);
    lying[0] = 200;
    const std::vector<uint8_t> data(56);
    for (const Bytes& record : {gf_simRecordBytes(open), lf_event(1), Bytes(3, 1), lying, gf_simRecordBytes(head),
                                gf_simObjectDataRecord(9, 101, 9, 404, data)}) {
        scope.inject(handle, record);
    }
    std::vector<std::string> seen;
    const auto collect = [&](SIMCONNECT_RECV* record, DWORD size) {
        const bool isOpen = record->dwID == SIMCONNECT_RECV_ID_OPEN;
        seen.push_back(fmt::format("{}/{}/{}{}", record->dwID, size, record->dwSize,
                                   isOpen ? static_cast<SIMCONNECT_RECV_OPEN*>(record)->szApplicationName : ""));
    };
    EXPECT_EQ(lf_dispatch(handle, collect), S_OK);
    EXPECT_EQ(lf_dispatch(handle, collect), S_OK);
    EXPECT_EQ(seen, (std::vector<std::string>{"2/308/308KittyHawk", "4/24/24", "4/24/24", "2/12/12", "9/96/96"}));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("3 bytes"), std::string::npos) << problems[0];
    // When the simulator closes, the records it sent before still come; then dispatch fails.
    scope.inject(handle, lf_event(1));
    scope.closeFromSimulator(handle);
    EXPECT_EQ(lf_eventData(handle), (std::vector<DWORD>{1, 0xDEAD}));
    EXPECT_EQ(lf_eventData(handle), std::vector<DWORD>{0xDEAD});
}

// A procedure that throws leaves dispatch with its record used up; one that sends, asks for its packet id,
// dispatches again or closes the handle does so safely, and a close ends the delivery.
TEST_F(SimRecording, ProceduresMayThrowOrCallBack)
{
    for (DWORD i = 1; i <= 4; ++i) {
        scope.inject(handle, lf_event(i));
    }
    std::vector<DWORD> seen;
    DWORD packetId = 0;
    const auto handle3 = [&](SIMCONNECT_RECV* record, DWORD) {
        seen.push_back(static_cast<SIMCONNECT_RECV_EVENT*>(record)->dwData);
        if (seen.back() == 2) {
            throw std::runtime_error("handler failed");
        }
        if (seen.back() == 3) {
            EXPECT_EQ(SimConnect_TransmitClientEvent(handle, 77, 219, 1, 301, 0), S_OK);
            EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &packetId), S_OK);
            seen.push_back(lf_eventData(handle).at(0));
        }
        if (seen.back() == 5) {
            SimConnect_Close(handle);
        }
    };
    EXPECT_THROW(lf_dispatch(handle, handle3), std::runtime_error);
    EXPECT_EQ(lf_dispatch(handle, handle3), S_OK);
    EXPECT_EQ(seen, (std::vector<DWORD>{1, 2, 3, 4})) << "the nested dispatch took one more";
    EXPECT_EQ(packetId, 1u);
    scope.inject(handle, lf_event(5));
    scope.inject(handle, lf_event(6));
    lf_dispatch(handle, handle3);
    EXPECT_EQ(seen.back(), 5u) << "a close ends the delivery";
    EXPECT_EQ(lf_dispatch(handle, handle3), E_FAIL);
}

// "failnext" from the simulator or the test fails the next calls of one function without sending them (they
// use no packet id); Close fails but closes all the same. Unknown commands are reported and ignored.
TEST_F(SimRecording, FailNextMakesCallsFailUnsent)
{
    scope.injectControl(handle, "failnext AIRemoveObject 2");
    scope.injectControl(handle, "failnext Teleport 2");
    scope.inject(handle, lf_event(1));
    EXPECT_EQ(lf_eventData(handle), std::vector<DWORD>{1}) << "control frames never reach the procedure";
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("failnext Teleport 2"), std::string::npos) << problems[0];
    EXPECT_EQ(SimConnect_AIReleaseControl(handle, 77, 103), S_OK);
    for (const HRESULT result : {E_FAIL, E_FAIL, S_OK}) {
        EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, 105), result);
    }
    EXPECT_TRUE(scope.calls(handle).size() == 2 && scope.calls(handle).back().packetId == 2);

    scope.failNext(handle, SimCallKind::GetLastSentPacketID, 1);
    scope.failNext(handle, SimCallKind::CallDispatch, 1);
    DWORD packetId = 0;
    EXPECT_TRUE(SimConnect_GetLastSentPacketID(handle, &packetId) == E_FAIL && packetId == 0);
    EXPECT_TRUE(SimConnect_GetLastSentPacketID(handle, &packetId) == S_OK && packetId == 2);
    EXPECT_EQ(lf_eventData(handle), std::vector<DWORD>{0xDEAD});
    EXPECT_TRUE(lf_eventData(handle).empty());
    scope.failNext(handle, SimCallKind::Close, 1);
    EXPECT_EQ(SimConnect_Close(handle), E_FAIL);
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, 105), E_FAIL) << "closed all the same";
}

// One thread sends and asks for its last packet id while another does the same from inside the dispatch
// procedure, as the worker and the client thread do: each thread's last id is its own call's, without gaps.
TEST_F(SimRecording, TwoThreadsSendAndDispatchAtOnce)
{
    constexpr int rounds = 2000;
    const auto sendAndAsk = [&](DWORD objectId, std::vector<DWORD>& mine) {
        DWORD packetId = 0;
        if (SimConnect_AIRemoveObject(handle, objectId, 105) == S_OK &&
            SimConnect_GetLastSentPacketID(handle, &packetId) == S_OK) {
            mine.push_back(packetId);
        }
    };
    std::vector<DWORD> ids[2];
    std::thread worker([&] {
        for (int i = 0; i < rounds; ++i) {
            sendAndAsk(0, ids[0]);
        }
    });
    for (int i = 0; i < rounds; ++i) {
        scope.inject(handle, lf_event(0));
        lf_dispatch(handle, [&](SIMCONNECT_RECV*, DWORD) { sendAndAsk(1, ids[1]); });
    }
    worker.join();
    const std::vector<SimCall> calls = scope.calls(handle);
    ASSERT_EQ(calls.size(), 2u * rounds);
    for (size_t i = 0; i < calls.size(); ++i) {
        ASSERT_EQ(calls[i].packetId, i + 1);
    }
    for (const DWORD object : {0u, 1u}) {
        ASSERT_EQ(ids[object].size(), static_cast<size_t>(rounds));
        for (const DWORD id : ids[object]) {
            ASSERT_EQ(calls[id - 1].numbers[0], object) << id;
        }
    }
}

TEST(SimRecordingScope, RefusedOpensOneScopeAtATimeAndHandlesDieWithIt)
{
    HANDLE handle = reinterpret_cast<HANDLE>(uintptr_t{1});
    {
        SimRecordingScope scope;
        EXPECT_THROW(SimRecordingScope second, std::logic_error);
        scope.refuseOpen(true);
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0) == E_FAIL && !handle);
        }
        scope.refuseOpen(false);
        ASSERT_EQ(SimConnect_Open(&handle, "PARKING_DATA_RDR", nullptr, 0, nullptr, 0), S_OK);
        EXPECT_EQ(scope.openedHandles(), std::vector<HANDLE>{handle});
        EXPECT_EQ(scope.refusedOpens(), 2u);
        EXPECT_THROW(scope.calls(reinterpret_cast<HANDLE>(uintptr_t{1})), std::invalid_argument);
    }
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, 105), E_FAIL);
}

// Data blocks start where the record structs name their first data word.
TEST(SimRecordBytes, DataFollowsTheFixedPartAndSizeIsSet)
{
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8};
    SIMCONNECT_RECV_FACILITY_DATA facility{};
    std::memcpy(&facility, gf_simFacilityDataRecord(2001, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, data).data(), 44);
    EXPECT_TRUE(facility.dwSize == 48 && facility.dwID == SIMCONNECT_RECV_ID_FACILITY_DATA &&
                facility.UserRequestId == 2001 && facility.Type == SIMCONNECT_FACILITY_DATA_TAXI_PARKING &&
                facility.Data == 0x04030201u);
    const SIMCONNECT_RECV head{};
    EXPECT_THROW(gf_simRecordBytes(&head, 8), std::invalid_argument);
}

// A server on a free loopback port that HLMR_SIM_PORT names, reading frames from the one client it accepts.
struct Simulator {
    net::TcpServer server{"0"};
    test::ScopedEnvironment port{kSimPortVariable, std::to_string(server.port()).c_str()};
    FrameSplitter splitter;

    std::optional<WireFrame> frame(std::chrono::milliseconds timeout = 2000ms)
    {
        std::string text;
        std::optional<WireFrame> next = splitter.next();
        while (!next && server.receive(text, 1 << 20, timeout).hasData()) {
            splitter.feed(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
            next = splitter.next();
        }
        return next;
    }
    std::optional<SimCall> call()
    {
        const std::optional<WireFrame> next = frame();
        return next ? gf_decodeSimCall(*next) : std::nullopt;
    }
    void send(std::span<const uint8_t> bytes)
    {
        EXPECT_TRUE(server.sendText({reinterpret_cast<const char*>(bytes.data()), bytes.size()}).ok);
    }
};

class SimSocket : public SimLinkTest {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
        ASSERT_EQ(sim.server.acceptClient(2000ms).status, net::AcceptStatus::accepted);
        const std::optional<WireFrame> hello = sim.frame();
        ASSERT_TRUE(hello.has_value());
        ASSERT_EQ(gf_decodeHello(*hello), "Hollowmere");
    }
    void TearDown() override { SimConnect_Close(handle); }

    Simulator sim;
};

// The port comes from HLMR_SIM_PORT when that is a port number. Without an answer, opening fails at once;
// a listener whose queue is full drops the handshake, and the open gives up after its short time-out.
TEST(SimSocketOpen, FailsSoonWithoutAnAnswer)
{
    const std::pair<const char*, int> ports[] = {{"50600", 50600}, {"1", 1},    {"65535", 65535}, {"0", 0},
                                                 {"65536", 0},     {"12ab", 0}, {"", 0},          {"-5", 0}};
    for (const auto& [value, port] : ports) {
        const test::ScopedEnvironment variable(kSimPortVariable, value);
        EXPECT_EQ(gf_simPort(), port == 0 ? kSimDefaultPort : port) << value;
    }
    net::SocketHandle listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = net::gf_ipv4Address(0, net::BindScope::loopback);
    ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const test::ScopedEnvironment port(kSimPortVariable, std::to_string(net::gf_boundPort(listener.fd())).c_str());
    HANDLE handle = reinterpret_cast<HANDLE>(uintptr_t{1});
    auto start = Clock::now();
    EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_LT(Clock::now() - start, 50ms);
    EXPECT_EQ(handle, nullptr);

    ASSERT_EQ(::listen(listener.fd(), 0), 0);
    std::vector<HANDLE> queued(4);
    for (HANDLE& filler : queued) {
        SimConnect_Open(&filler, "filler", nullptr, 0, nullptr, 0);
    }
    start = Clock::now();
    EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_GE(Clock::now() - start, 40ms);
    EXPECT_LT(Clock::now() - start, 150ms);
    std::for_each(queued.begin(), queued.end(), SimConnect_Close);
}

// Every call goes out whole, in order, with consecutive packet ids; Close is the last frame. Dispatch never waits.
TEST_F(SimSocket, CallsTravelInOrderAndCloseEndsTheStream)
{
    const auto start = Clock::now();
    EXPECT_TRUE(lf_eventData(handle).empty());
    EXPECT_LT(Clock::now() - start, 50ms);
    const std::vector<SimCall> expected = lf_expectedCalls();
    EXPECT_EQ(lf_callEach(handle), std::vector<HRESULT>(expected.size(), S_OK));
    DWORD packetId = 0;
    EXPECT_TRUE(SimConnect_GetLastSentPacketID(handle, &packetId) == S_OK && packetId == expected.size());
    EXPECT_EQ(SimConnect_Close(handle), S_OK);
    for (const SimCall& call : expected) {
        EXPECT_EQ(sim.call(), call);
    }
    const std::optional<SimCall> close = sim.call();
    EXPECT_TRUE(close && close->kind == SimCallKind::Close && close->packetId == expected.size() + 1);
    EXPECT_FALSE(sim.frame(500ms).has_value()) << "the stream ends after Close";
}

// Records cut anywhere by the reads arrive whole and in order. When the simulator closes, the records sent before
// still come, then dispatch fails; a frame cut by the close is reported and dropped.
TEST_F(SimSocket, RecordsArriveWholeUntilTheSimulatorCloses)
{
    Bytes stream;
    for (DWORD i = 1; i <= 6; ++i) {
        const Bytes frame = lf_eventFrame(i);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    stream.erase(stream.end() - 5, stream.end());
    std::vector<DWORD> seen;
    size_t sent = 0;
    for (const size_t chunk : {3u, 7u, 30u, 1u, 40u}) {
        sim.send(std::span(stream).subspan(sent, chunk));
        sent += chunk;
        std::this_thread::sleep_for(5ms);
        EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &seen), S_OK);
    }
    sim.send(std::span(stream).subspan(sent));
    EXPECT_EQ(lf_dispatchUntil(handle, seen, 5), S_OK);
    EXPECT_TRUE(problems.empty()) << problems[0];
    sim.server.dropClient();
    EXPECT_EQ(lf_dispatchUntil(handle, seen, 6), E_FAIL);
    EXPECT_EQ(SimConnect_CallDispatch(handle, lf_collect, &seen), E_FAIL);
    EXPECT_EQ(seen, (std::vector<DWORD>{1, 2, 3, 4, 5}));
    EXPECT_EQ(problems, std::vector<std::string>{"simulator closed the connection inside a frame; 27 bytes dropped"});
}

// A frame of unknown kind is skipped; an impossible frame length ends the connection after the frames before it.
TEST_F(SimSocket, BrokenFramesAreSkippedOrEndTheConnection)
{
    WireWriter bad;
    bad.u32(kWireMaxFrameBytes + 1);
    bad.u32(0);
    for (const Bytes& frame : {gf_wireFrame(55, Bytes{1, 2, 3}), lf_eventFrame(4), lf_eventFrame(5), bad.bytes()}) {
        sim.send(frame);
    }
    std::vector<DWORD> seen;
    EXPECT_EQ(lf_dispatchUntil(handle, seen, 3), E_FAIL);
    EXPECT_EQ(seen, (std::vector<DWORD>{4, 5}));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("impossible length"), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("unknown kind 55"), std::string::npos) << problems[1];
}

// A simulator that stops reading makes calls fail after the write time-out; none blocks for long.
TEST_F(SimSocket, WritesToAStalledSimulatorFailInsteadOfBlocking)
{
    Bytes block(65536, 0x5A);
    auto longest = Clock::duration::zero();
    HRESULT result = S_OK;
    for (const auto end = Clock::now() + 20s; result == S_OK && Clock::now() < end;) {
        const auto before = Clock::now();
        result = SimConnect_SetDataOnSimObject(handle, 402, 77, 0, 0, static_cast<DWORD>(block.size()), block.data());
        longest = std::max(longest, Clock::now() - before);
    }
    EXPECT_EQ(result, E_FAIL);
    EXPECT_LT(longest, kSimWriteTimeout + 150ms);
    const auto before = Clock::now();
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 77, 105), E_FAIL);
    EXPECT_LT(Clock::now() - before, 50ms) << "a broken connection fails fast";
}

} // namespace
} // namespace hlw
