// The dispatch of the simulator's messages, record by record, on the recording back end.
#include "core/message_line.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_dispatch.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <optional>

namespace hlw::test {
namespace {

using namespace sim_ids;
using namespace std::chrono_literals;

class Dispatch : public SimLinkTest {
protected:
    Dispatch() { openConnection(); }

    void send(const std::vector<uint8_t>& record) { send(record, record.size()); }
    void send(const std::vector<uint8_t>& record, size_t bytes) {
        dispatcher.dispatch(reinterpret_cast<const SIMCONNECT_RECV*>(record.data()), static_cast<DWORD>(bytes));
    }
    // The user aircraft at a place, as its block reports it.
    void userAt(double lat, double lon, uint32_t objectId = 1) {
        UserBlock block;
        block.latDeg = lat;
        block.lonDeg = lon;
        send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserBlock, objectId, kDefUserBlock,
                                    gf_bytesOf(block)));
    }
    void created(uint32_t hexId, const char* callsign) {
        AiCreateRequest request;
        request.hexId = hexId;
        request.callsign = callsign;
        request.title = "t";
        shared.commands.queueCreate(request);
        dispatcher.sendFrame(shared.handle.load());
    }
    std::vector<ClientEventRequest> queuedEvents() {
        const auto held = shared.commands.lock();
        return shared.commands.queued(held).events;
    }

    SimDispatcher dispatcher{shared, gf_testModelFacts()};
};

TEST_F(Dispatch, RecordIdsWithoutUseAreSilentUnknownOnesLoggedShortOnesSkipped) {
    for (const DWORD id : {12u, 16u, 27u, 99u}) {
        send(gf_eventRecordBytes(id, 0, 0));
    }
    send(gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventSim, 1), sizeof(SIMCONNECT_RECV) + 4);
    dispatcher.dispatch(nullptr, 0);
    EXPECT_EQ(logCount("! Unknown Dispatch dwID"), 1u);
    EXPECT_EQ(logCount("! Unknown Dispatch dwID 99"), 1u);
    EXPECT_EQ(logCount("! SimConnect record dwID 4 of 16 bytes is shorter than 24 bytes, skipped"), 1u);
    EXPECT_FALSE(flightRunning.load());
}

TEST_F(Dispatch, SimEventsQuitFlightLoadedAndNewFile) {
    send(gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventSim, 1));
    EXPECT_TRUE(flightRunning.load());
    send(gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventSim, 0));
    EXPECT_FALSE(flightRunning.load());
    EXPECT_EQ(events.lines(), (std::vector<std::string>{"flight true", "flight false"}));

    send(gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT, kEventFlightLoaded, 0));
    EXPECT_EQ(logCount("SimConnect: flight loaded event"), 1u);
    EXPECT_TRUE(events.has("stop NewFlight"));
    send(gf_eventRecordBytes(SIMCONNECT_RECV_ID_EVENT_FILENAME, kEventFlightLoaded, 0));
    EXPECT_EQ(logCount("==> SimConnect: New file event"), 1u);

    flightRunning.store(true);
    EXPECT_FALSE(dispatcher.quitReceived());
    send(gf_eventRecordBytes(SIMCONNECT_RECV_ID_QUIT, 0, 0), sizeof(SIMCONNECT_RECV));
    EXPECT_TRUE(dispatcher.quitReceived());
    EXPECT_FALSE(flightRunning.load());
}

struct NameCase {
    const char* name;
    bool msfs2020Chosen;
    std::optional<int> thrownCode;
    std::string expected; // the simulator text, or the thrown text
};

TEST_F(Dispatch, SimulatorNamesDecideTheVersionOrEndTheLink) {
    const std::vector<NameCase> cases = {
        {"KittyHawk", true, std::nullopt, "MSFS 2020 (11.0.282174.999)"},
        {"Kitty-Hawk!", true, std::nullopt, "MSFS 2020 (11.0.282174.999)"},
        {"KittyHawk", false, 2024, "2024: "},
        {"SunRise", false, std::nullopt, "MSFS 2024 (11.0.282174.999)"},
        {"SunRise", true, 2024, "2024: "},
        {"OtherSim", true, 77, "77: 'OtherSim' not being MSFS 2020 or MSFS 2024 connects ... ?"},
        {"Other Sim\xC3\xA9", false, 77, "77: 'Other Sim' not being MSFS 2020 or MSFS 2024 connects ... ?"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        simIsMsfs2020.store(c.msfs2020Chosen);
        RecordingLinkEvents seen;
        SimLinkShared link(seen, clock.clock());
        SimDispatcher fresh(link, gf_testModelFacts());
        const std::vector<uint8_t> open = gf_openRecordBytes(c.name);
        const auto* record = reinterpret_cast<const SIMCONNECT_RECV*>(open.data());
        if (c.thrownCode) {
            try {
                fresh.dispatch(record, static_cast<DWORD>(open.size()));
                ADD_FAILURE() << "no exception";
            } catch (const UserErrorException& e) {
                EXPECT_EQ(e.code(), *c.thrownCode);
                EXPECT_EQ(std::string(e.what()), c.expected);
            }
        } else {
            fresh.dispatch(record, static_cast<DWORD>(open.size()));
            EXPECT_EQ(seen.lines(), (std::vector<std::string>{"connected true", "sim text " + c.expected}));
        }
    }
    EXPECT_EQ(logCount("MSFS 2020 (11.0.282174.999) connected"), 2u);
    EXPECT_EQ(logCount("MSFS 2024 (11.0.282174.999) connected"), 1u);
    send(gf_openRecordBytes(""));
    EXPECT_EQ(logCount("! Simulator name empty?"), 1u);
    EXPECT_TRUE(events.lines().empty());
}

TEST_F(Dispatch, AnOpenNameWithoutTerminatorIsReadWithinItsField) {
    std::vector<uint8_t> open = gf_openRecordBytes("KittyHawk");
    std::memset(open.data() + sizeof(SIMCONNECT_RECV), 'A', 256);
    EXPECT_THROW(send(open), UserErrorException);
    EXPECT_EQ(logCount(std::string(256, 'A')), 0u);
}

struct ExceptionCase {
    DWORD code;
    const char* logged; // the log text it writes, nullptr for none
};

TEST_F(Dispatch, ExceptionsByCode) {
    const std::vector<ExceptionCase> cases = {
        {SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"},
        {SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED, "==> SimConnect exception: load flight plan failed"},
        {SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE"},
        {SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, "SimConnect: too many objects (max 1000)"},
        {42, "==> SIMCONNECT_EXCEPTION #42"},
        {SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, nullptr},
    };
    for (const ExceptionCase& c : cases) {
        SCOPED_TRACE(c.code);
        send(gf_exceptionRecordBytes(c.code, 7));
        if (c.logged != nullptr) {
            EXPECT_EQ(logCount(c.logged), 1u);
        }
    }
    EXPECT_EQ(gf_messageLineTexts().message, "SimConnect: too many objects (max 1000)");
    EXPECT_TRUE(shared.replies.snapshot().empty());

    try {
        send(gf_exceptionRecordBytes(SIMCONNECT_EXCEPTION_VERSION_MISMATCH, 7, 4));
        ADD_FAILURE() << "no exception";
    } catch (const UserErrorException& e) {
        EXPECT_EQ(e.code(), 95);
        EXPECT_STREQ(e.what(), "95: SimConnect Version Mismatch, dwIndex: 4");
    }
}

TEST_F(Dispatch, UnrecognizedIdIsLoggedOnlyOnceTheUserIsKnownAndNoStopIsRequested) {
    const auto unrecognized = gf_exceptionRecordBytes(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3);
    send(unrecognized);
    userAt(47.46, 8.55);
    userClosing.store(true);
    send(unrecognized);
    userClosing.store(false);
    stopRequested.store(true);
    send(unrecognized);
    stopRequested.store(false);
    send(unrecognized);
    EXPECT_EQ(logCount("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"), 1u);
}

TEST_F(Dispatch, AddedAndRemovedAircraft) {
    userAt(47.46, 8.55, 5);
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 5, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 6, SIMCONNECT_SIMOBJECT_TYPE_USER));
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 7, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 8, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    EXPECT_EQ(dispatcher.addedObjects().size(), 2u);
    send(gf_addRemoveRecordBytes(kEventObjectRemoved, 8, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    send(gf_addRemoveRecordBytes(kEventObjectRemoved, 3, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    send(gf_addRemoveRecordBytes(kEventObjectRemoved, 9, SIMCONNECT_SIMOBJECT_TYPE_ALL));
    EXPECT_EQ(dispatcher.addedObjects().size(), 1u);
    EXPECT_EQ(shared.replies.snapshot(), (std::vector<SimReply>{{8, 0, 0, SimReplyType::objectRemoved, 0, 0},
                                                                {3, 0, 0, SimReplyType::objectRemoved, 0, 0}}));
}

TEST_F(Dispatch, InRangeObjectsSeenBeforeReportTheirGroundStateByTheRules) {
    userAt(47.46, 8.55, 1);
    send(gf_inRangeRecordBytes(1, 10.0, 400.0, 1, "USER"));
    send(gf_inRangeRecordBytes(20, 2500.5, 400.0, 0, "DLH1"));
    send(gf_inRangeRecordBytes(21, 2500.0, 400.0, 0, "DLH2"));
    send(gf_inRangeRecordBytes(22, 0.0, 400.0, 1, ""));
    send(gf_inRangeRecordBytes(23, 0.0, 400.0, 1, "STAT12*"));
    send(gf_inRangeRecordBytes(24, 3.0, 410.5, 1, "KLM3"));
    const std::vector<uint8_t> other =
        gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, 77, 25, kDefInRange, {});
    send(other);
    const std::vector<uint8_t> shortData = gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE,
                                                                  kReqInRange, 26, kDefInRange, std::vector<uint8_t>(20));
    send(shortData);
    EXPECT_EQ(logCount("! SimConnect data of request 101 holds 20 bytes, 56 expected, skipped"), 1u);
    EXPECT_EQ(shared.replies.snapshot(),
              (std::vector<SimReply>{{21, 0, 0, SimReplyType::onGroundStatus, 400.0, 2500.0},
                                     {24, 1, 0, SimReplyType::onGroundStatus, 410.5, 3.0}}));
}

TEST_F(Dispatch, ANewObjectIsBoundToItsCreationReleasedAndFrozen) {
    userAt(47.46, 8.55, 1);
    created(10000, "STAT1*");
    created(10001, "SWR12");
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 30, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 31, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    recording.clearCalls(shared.handle.load());
    send(gf_inRangeRecordBytes(30, 0.0, 400.0, 1, "STAT1*"));
    send(gf_inRangeRecordBytes(31, 1200.0, 400.0, 0, "SWR12"));
    EXPECT_EQ(shared.replies.snapshot(), (std::vector<SimReply>{{30, 10000, 0, SimReplyType::staticCreated, 0, 0},
                                                                {31, 10001, 0, SimReplyType::liveCreated, 0, 1200.0}}));
    const std::vector<SimCall> sent = calls();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].kind, SimCallKind::AIReleaseControl);
    EXPECT_EQ(sent[0].numbers, (std::vector<uint32_t>{30, kReqReleaseControl}));
    EXPECT_EQ(sent[1].numbers, (std::vector<uint32_t>{31, kReqReleaseControl}));
    EXPECT_EQ(queuedEvents(), (std::vector<ClientEventRequest>{{30, 214, 1}, {30, 215, 1}, {30, 216, 1},
                                                               {31, 214, 1}, {31, 215, 1}, {31, 216, 1}}));
    EXPECT_EQ(dispatcher.pendingCreations().size(), 0u);
    EXPECT_EQ(dispatcher.addedObjects().size(), 0u);
}

TEST_F(Dispatch, ACallsignFillingItsWholeFieldStillBinds) {
    userAt(47.46, 8.55, 1);
    const std::string longCallsign(32, 'Q');
    created(0x400001, longCallsign.c_str());
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 40, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    send(gf_inRangeRecordBytes(40, 0.0, 0.0, 1, longCallsign));
    EXPECT_EQ(shared.replies.snapshot(), (std::vector<SimReply>{{40, 0x400001, 0, SimReplyType::liveCreated, 0, 0}}));
}

TEST_F(Dispatch, ForeignNewObjectsAreLoggedAndLeftAloneGeneratedTrafficOnce) {
    userAt(47.46, 8.55, 1);
    for (const DWORD id : {50u, 51u, 52u}) {
        send(gf_addRemoveRecordBytes(kEventObjectAdded, id, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    }
    send(gf_inRangeRecordBytes(50, 120.4, 1416.0, 0, "AS-GEN"));
    send(gf_inRangeRecordBytes(51, 0.0, 1416.0, 1, "AS-GEN"));
    send(gf_inRangeRecordBytes(52, 100.0, 1416.0, 0, "N123"));
    EXPECT_EQ(logCount("Spawned by Asobo, oid: 50, callsign AS-GEN, altaboveGnd:120 ft, onground:0, gnd_alt:1416 ft"),
              1u);
    EXPECT_EQ(logCount("Spawned by Asobo"), 1u);
    EXPECT_EQ(logCount("just spawned, but not by Hollowmere, oid: 52, callsign 'N123', altaboveGnd:100 ft, "
                       "onground:0, gnd_alt:1416 ft"),
              1u);
    EXPECT_TRUE(shared.replies.snapshot().empty());
    EXPECT_TRUE(calls().empty());
}

TEST_F(Dispatch, AnAnnouncedObjectIsForgottenAfterAMinute) {
    userAt(47.46, 8.55, 1);
    send(gf_addRemoveRecordBytes(kEventObjectAdded, 60, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    clock.advance(61s);
    dispatcher.sendFrame(shared.handle.load());
    EXPECT_EQ(dispatcher.addedObjects().size(), 0u);
    send(gf_inRangeRecordBytes(60, 0.0, 0.0, 1, "EZY1"));
    EXPECT_EQ(shared.replies.snapshot(), (std::vector<SimReply>{{60, 1, 0, SimReplyType::onGroundStatus, 0, 0}}));
}

TEST_F(Dispatch, StaticCgRepliesAndUnknownRequests) {
    const StaticCgData cg{6.5, -0.02};
    send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqStaticCg, 33, kDefStaticCg, gf_bytesOf(cg)));
    send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, 555, 33, kDefStaticCg, gf_bytesOf(cg)));
    send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqStaticCg, 34, kDefStaticCg,
                                gf_bytesOf(cg).first(8)));
    EXPECT_EQ(shared.replies.snapshot(), (std::vector<SimReply>{{33, 0, 0, SimReplyType::staticCg, 6.5, -0.02}}));
}

} // namespace
} // namespace hlw::test
