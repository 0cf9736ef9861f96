// The frame send and the worker's pushers, on the recording back end.
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_ai_commands.h"
#include "engine/sim/sim_dispatch.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace hlw::test {
namespace {

using namespace sim_ids;
using namespace std::chrono_literals;

class FrameSend : public SimLinkTest {
protected:
    FrameSend() { openConnection(); }

    void frame() { dispatcher.sendFrame(shared.handle.load()); }
    QueuedCommands queuedCopy() {
        const auto held = shared.commands.lock();
        return shared.commands.queued(held);
    }
    void queuePosition(uint32_t objectId, double lat) {
        AiPositionUpdate update;
        update.objectId = objectId;
        update.data.latDeg = lat;
        shared.commands.fillBuffer().push_back(update);
    }
    AiCreateRequest creation(uint32_t hexId, const char* callsign, const char* title) {
        AiCreateRequest request;
        request.hexId = hexId;
        request.callsign = callsign;
        request.title = title;
        request.position.Latitude = 47.5;
        return request;
    }

    SimDispatcher dispatcher{shared, gf_testModelFacts()};
};

TEST_F(FrameSend, SendsPositionsThenEventsThenCreationsThenRemovalsAndEmptiesTheQueues) {
    queuePosition(5, 47.1);
    queuePosition(7, 47.2);
    ASSERT_TRUE(shared.commands.publishPositions());
    shared.commands.queueEvent({5, kClientGearSet, 1});
    shared.commands.queueEvent({7, kClientFlapsSet, 3072});
    shared.commands.queueEvent({5, kClientNavLightsSet, 0});
    shared.commands.queueCreate(creation(0x4b1234, "SWR12", "Airbus A320 SWISS"));
    shared.commands.queueRemoval(9);

    frame();

    const std::vector<SimCall> sent = calls();
    const std::vector<std::pair<SimCallKind, std::vector<uint32_t>>> expected = {
        {SimCallKind::SetDataOnSimObject, {kDefAiPosition, 5, 0, 0, 64}},
        {SimCallKind::SetDataOnSimObject, {kDefAiPosition, 7, 0, 0, 64}},
        {SimCallKind::TransmitClientEvent, {5, kClientGearSet, 1, kGroupAi, 0}},
        {SimCallKind::AIReleaseControl, {7, kReqReleaseControl}},
        {SimCallKind::TransmitClientEvent, {7, kClientFlapsSet, 3072, kGroupAi, 0}},
        {SimCallKind::AIReleaseControl, {7, kReqReleaseControl}},
        {SimCallKind::TransmitClientEvent, {5, kClientNavLightsSet, 0, kGroupAi, 0}},
        {SimCallKind::AICreateNonATCAircraft, {kReqCreate}},
        {SimCallKind::AIRemoveObject, {9, kReqRemove}},
    };
    ASSERT_EQ(sent.size(), expected.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].kind, expected[i].first) << i;
        EXPECT_EQ(sent[i].numbers, expected[i].second) << i;
    }
    double lat = 0.0;
    std::memcpy(&lat, sent[1].block.data(), sizeof lat);
    EXPECT_EQ(lat, 47.2);
    EXPECT_EQ(sent[7].texts, (std::vector<std::string>{"Airbus A320 SWISS", "SWR12"}));
    ASSERT_EQ(dispatcher.pendingCreations().size(), 1u);

    const QueuedCommands left = queuedCopy();
    EXPECT_TRUE(left.positions.empty() && left.events.empty() && left.creations.empty() && left.removals.empty());
    recording.clearCalls(shared.handle.load());
    frame();
    EXPECT_TRUE(calls().empty());
}

TEST_F(FrameSend, ABusyCommandMutexKeepsEveryQueueForTheNextFrame) {
    queuePosition(5, 47.1);
    ASSERT_TRUE(shared.commands.publishPositions());
    shared.commands.queueEvent({5, kClientGearSet, 1});
    shared.commands.queueCreate(creation(0x4b1234, "SWR12", "Airbus A320 SWISS"));
    shared.commands.queueRemoval(9);
    {
        const auto workerHolds = shared.commands.lock();
        std::thread simClient([this] { frame(); });
        simClient.join();
        EXPECT_TRUE(calls().empty());
        // The worker's own hand-over does not wait either: its positions are dropped instead.
        queuePosition(6, 47.3);
        std::thread tick([this] { EXPECT_FALSE(shared.commands.publishPositions()); });
        tick.join();
    }
    const QueuedCommands kept = queuedCopy();
    EXPECT_EQ(kept.positions.size(), 1u);
    EXPECT_EQ(kept.events.size(), 1u);
    EXPECT_EQ(kept.creations.size(), 1u);
    EXPECT_EQ(kept.removals.size(), 1u);
    frame();
    EXPECT_EQ(calls().size(), 4u);
}

TEST_F(FrameSend, ObjectsAtOrBelowTheUserAreNeitherMovedNorRemoved) {
    ASSERT_EQ(shared.user.objectId(), kInitialUserObjectId);
    queuePosition(2, 1.0);
    queuePosition(3, 2.0);
    queuePosition(1, 3.0);
    ASSERT_TRUE(shared.commands.publishPositions());
    shared.commands.queueRemoval(2);
    shared.commands.queueRemoval(3);
    frame();
    const std::vector<SimCall> sent = calls();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].numbers[1], 3u);
    EXPECT_EQ(sent[1].kind, SimCallKind::AIRemoveObject);
    EXPECT_EQ(sent[1].numbers[0], 3u);
    EXPECT_EQ(logCount("==> SimConnect call to remove ac with objectid 2"), 1u);
}

TEST_F(FrameSend, TheErrorFlagDiscardsEveryQueueUnsent) {
    queuePosition(5, 47.1);
    ASSERT_TRUE(shared.commands.publishPositions());
    shared.commands.queueEvent({5, kClientGearSet, 1});
    shared.commands.queueCreate(creation(0x4b1234, "SWR12", "t"));
    shared.commands.queueRemoval(9);
    simConnectError.store(true);
    frame();
    EXPECT_TRUE(calls().empty());
    const QueuedCommands left = queuedCopy();
    EXPECT_TRUE(left.positions.empty() && left.events.empty() && left.creations.empty() && left.removals.empty());
}

TEST_F(FrameSend, AFailedFlapsEventIsNotReleasedAgainAndItsMessageComesAtMostOnceASecond) {
    const HANDLE handle = shared.handle.load();
    recording.failNext(handle, SimCallKind::TransmitClientEvent, 2);
    shared.commands.queueEvent({7, kClientFlapsSet, 0});
    shared.commands.queueEvent({7, kClientGearSet, 0});
    frame();
    const std::vector<SimCall> sent = calls();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].kind, SimCallKind::AIReleaseControl);
    EXPECT_EQ(logCount("SimConnect TransmitClientEvent: 217 fails"), 1u);
    EXPECT_EQ(logCount("SimConnect TransmitClientEvent: 219 fails"), 0u);
    EXPECT_FALSE(events.has("stop SimConnectError"));

    clock.advance(1s);
    recording.failNext(handle, SimCallKind::TransmitClientEvent, 1);
    shared.commands.queueEvent({7, kClientGearSet, 1});
    frame();
    EXPECT_EQ(logCount("SimConnect TransmitClientEvent: 219 fails"), 1u);
}

TEST_F(FrameSend, CreationsAreRememberedWithTheirPacketIdOrZero) {
    const HANDLE handle = shared.handle.load();
    shared.commands.queueCreate(creation(0x4b0001, "AAA1", "t1"));
    frame();
    const DWORD firstPacket = calls().back().packetId;
    recording.failNext(handle, SimCallKind::GetLastSentPacketID, 1);
    shared.commands.queueCreate(creation(0x4b0002, "AAA2", "t2"));
    frame();
    EXPECT_EQ(logCount("==> GetLastSentPacketID"), 1u);
    ASSERT_EQ(dispatcher.pendingCreations().size(), 2u);

    // An exception for the first packet reports that creation; packet 0 never matches the second.
    dispatcher.dispatch(reinterpret_cast<const SIMCONNECT_RECV*>(
                            gf_exceptionRecordBytes(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 0).data()),
                        sizeof(SIMCONNECT_RECV_EXCEPTION));
    EXPECT_TRUE(shared.replies.snapshot().empty());
    const std::vector<uint8_t> failed = gf_exceptionRecordBytes(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, firstPacket);
    dispatcher.dispatch(reinterpret_cast<const SIMCONNECT_RECV*>(failed.data()), static_cast<DWORD>(failed.size()));
    EXPECT_EQ(shared.replies.snapshot(), (std::vector<SimReply>{{0, 0x4b0001, 0, SimReplyType::createFailed, 0, 0}}));
    EXPECT_EQ(dispatcher.pendingCreations().size(), 1u);
}

TEST_F(FrameSend, AFailedCreationOrRemovalIsARequestError) {
    const HANDLE handle = shared.handle.load();
    recording.failNext(handle, SimCallKind::AICreateNonATCAircraft, 1);
    shared.commands.queueCreate(creation(0x4b0001, "AAA1", "Some Title"));
    frame();
    EXPECT_EQ(logCount("! Simcon call to create ac in sim failed, hexid:4915201, liv: 'Some Title', callsign: AAA1)"),
              1u);
    EXPECT_TRUE(simConnectError.load());
    EXPECT_TRUE(events.has("stop SimConnectError"));
    EXPECT_EQ(gf_messageLineTexts().message, "SimConnect request error");
    EXPECT_EQ(dispatcher.pendingCreations().size(), 0u);

    simConnectError.store(false);
    recording.failNext(handle, SimCallKind::AIRemoveObject, 1);
    shared.commands.queueRemoval(12);
    frame();
    EXPECT_EQ(logCount("!SimConnect call to remove AI ac from sim failed, id 12?"), 1u);
}

TEST_F(FrameSend, QueuesStopAtTheirLimitWhileNoFrameDrainsThemAndSayItOnce) {
    for (size_t i = 0; i < SimCommandQueues::kQueueLimit + 5; ++i) {
        shared.commands.queueRemoval(static_cast<uint32_t>(i + 10));
        shared.commands.queueEvent({7, kClientGearSet, 0});
    }
    const QueuedCommands kept = queuedCopy();
    EXPECT_EQ(kept.removals.size(), SimCommandQueues::kQueueLimit);
    EXPECT_EQ(kept.events.size(), SimCommandQueues::kQueueLimit);
    EXPECT_EQ(kept.removals.back(), SimCommandQueues::kQueueLimit + 9);
    EXPECT_EQ(logCount("SimConnect removal queue holds 10000 entries"), 1u);
    EXPECT_EQ(logCount("SimConnect client event queue holds 10000 entries"), 1u);
}

TEST_F(FrameSend, PendingCreationsOlderThanAMinuteAreForgottenAndACallsignBindsTheNewest) {
    shared.commands.queueCreate(creation(0x111111, "DUP1", "t"));
    frame();
    clock.advance(30s);
    shared.commands.queueCreate(creation(0x222222, "DUP1", "t"));
    shared.commands.queueCreate(creation(0x333333, "OLD1", "t"));
    frame();
    clock.advance(31s);
    frame();
    EXPECT_EQ(dispatcher.pendingCreations().size(), 2u);
    EXPECT_EQ(logCount("DUP1: creation (hexid 111111"), 1u);
}

// The pushers, one row each: what is queued and what the aircraft remembers.
struct PusherCase {
    const char* name;
    AircraftCategory category;
    int32_t lastFlaps;
    int32_t lastThrottle;
    std::function<void(SimCommandQueues&, AiControls&)> push;
    std::vector<ClientEventRequest> queued;
    int32_t flapsAfter;
    int32_t throttleAfter;
};

TEST_F(SimLinkTest, PushersQueueTheirEventsByTheRules) {
    using C = AircraftCategory;
    const std::vector<PusherCase> cases = {
        {"engines off", C::Large, 4, 5, [](auto& q, auto& a) { gf_queueEnginesOff(q, a.objectId); }, {{9, 221, 0}}, 4, 5},
        {"engines on", C::Light, 4, 5, [](auto& q, auto& a) { gf_queueEnginesOn(q, a.objectId); }, {{9, 220, 0}}, 4, 5},
        {"lights", C::Large, 4, 5,
         [](auto& q, auto& a) { gf_queueLights(q, a.objectId, {1, 2, 3, 4, 5, 6, 7}); },
         {{9, 207, 1}, {9, 206, 2}, {9, 210, 3}, {9, 208, 4}, {9, 209, 5}, {9, 212, 6}, {9, 211, 7}}, 4, 5},
        {"nav lights", C::Large, 4, 5, [](auto& q, auto& a) { gf_queueNavLights(q, a.objectId, 1); }, {{9, 207, 1}}, 4, 5},
        {"cabin lights", C::Large, 4, 5, [](auto& q, auto& a) { gf_queueCabinLights(q, a.objectId, 0); }, {{9, 211, 0}}, 4, 5},
        {"spoilers on", C::Heavy, 4, 5, [](auto& q, auto& a) { gf_setSpoilers(q, a, 1); }, {{9, 218, 16383}}, 4, 5},
        {"spoilers off", C::Heavy, 4, 5, [](auto& q, auto& a) { gf_setSpoilers(q, a, 0); }, {{9, 218, 0}}, 4, 5},
        {"spoilers rotorcraft", C::Rotorcraft, 4, 5, [](auto& q, auto& a) { gf_setSpoilers(q, a, 1); }, {}, 4, 5},
        {"flaps 0", C::Large, 4, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 0); }, {{9, 217, 0}}, 0, 5},
        {"flaps 1", C::Large, 4, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 1); }, {{9, 217, 3072}}, 1, 5},
        {"flaps 2", C::Large, 4, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 2); }, {{9, 217, 10240}}, 2, 5},
        {"flaps 3", C::Large, 4, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 3); }, {{9, 217, 16383}}, 3, 5},
        {"flaps 4", C::Large, 0, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 4); }, {{9, 217, 0}}, 4, 5},
        {"flaps unchanged", C::Large, 2, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 2); }, {}, 2, 5},
        {"flaps 5 invalid", C::Large, 2, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 5); }, {}, 5, 5},
        {"flaps rotorcraft", C::Rotorcraft, 4, 5, [](auto& q, auto& a) { gf_setFlaps(q, a, 1); }, {}, 4, 5},
        {"gear down", C::Buzjets, 4, 5, [](auto& q, auto& a) { gf_setGear(q, a, 1); }, {{9, 219, 1}}, 4, 5},
        {"gear rotorcraft", C::Rotorcraft, 4, 5, [](auto& q, auto& a) { gf_setGear(q, a, 1); }, {}, 4, 5},
        {"throttle 0", C::Large, 4, 5, [](auto& q, auto& a) { gf_setThrottle(q, a, 0); }, {{9, 222, 0}}, 4, 0},
        {"throttle 1", C::Large, 4, 5, [](auto& q, auto& a) { gf_setThrottle(q, a, 1); }, {{9, 222, 4914}}, 4, 1},
        {"throttle 2", C::Large, 4, 5, [](auto& q, auto& a) { gf_setThrottle(q, a, 2); }, {{9, 222, 8191}}, 4, 2},
        {"throttle 3", C::Large, 4, 0, [](auto& q, auto& a) { gf_setThrottle(q, a, 3); }, {{9, 222, 11468}}, 4, 3},
        {"throttle 4 rotorcraft", C::Rotorcraft, 4, 5, [](auto& q, auto& a) { gf_setThrottle(q, a, 4); },
         {{9, 222, 16383}}, 4, 4},
        {"throttle 5", C::Large, 4, 2, [](auto& q, auto& a) { gf_setThrottle(q, a, 5); }, {}, 4, 5},
        {"throttle 5 again", C::Large, 4, 5, [](auto& q, auto& a) { gf_setThrottle(q, a, 5); }, {}, 4, 5},
    };
    for (const PusherCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimCommandQueues queues;
        AiControls aircraft{9, c.category, c.lastFlaps, c.lastThrottle};
        c.push(queues, aircraft);
        const auto held = queues.lock();
        EXPECT_EQ(queues.queued(held).events, c.queued);
        EXPECT_EQ(aircraft.lastFlapsIndex, c.flapsAfter);
        EXPECT_EQ(aircraft.lastThrottleIndex, c.throttleAfter);
    }
    EXPECT_EQ(logCount("==> gf_setFlaps: invalid flaps index"), 1u);
}

} // namespace
} // namespace hlw::test
