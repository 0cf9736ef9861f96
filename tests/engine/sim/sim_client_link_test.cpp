// The link as the worker sees it: its requests on the shared connection, the user aircraft it reports, the user's
// stand, and its reports taken by the run's stop rule and status board.
#include "core/status_board.h"
#include "engine/base/run_state.h"
#include "engine/run/sim_link_run_events.h"
#include "engine/sim/sim_client_link.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace hlw::test {
namespace {

using namespace sim_ids;

// A park airport whose stand lies north of 47.46 and whose reserved stand the test reads.
class OneStandParking final : public ParkingPort {
public:
    std::optional<std::string> reservedStand() const override { return reserved; }
    std::string nearestStandName(double latDeg, double) const override { return latDeg > 47.46 ? "B12" : ""; }
    void reserveStandForUser(const std::string& stand) override {
        reserved = stand;
        ++reservations;
    }
    std::optional<std::string> reserved;
    int reservations = 0;
};

class Link : public SimLinkTest {
protected:
    Link() {
        link.resetQueues();
        link.start();
        while (link.connection() == nullptr) {
            std::this_thread::yield();
        }
        handle = link.connection();
        // The link publishes the connection before it registers; the registrations are not the test's.
        while (recording.calls(handle).size() < 72) {
            std::this_thread::yield();
        }
        recording.clearCalls(handle);
    }
    ~Link() override { link.join(); }

    void userBlock(double lat, double lon, double groundSpeedKt, int64_t onGround) {
        UserBlock block;
        block.latDeg = lat;
        block.lonDeg = lon;
        block.groundVelocityKt = groundSpeedKt;
        block.altitudeFt = 1416.0;
        recording.inject(handle, gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserBlock, 1,
                                                        kDefUserBlock, gf_bytesOf(block)));
        recording.inject(handle, gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserOnGround, 1,
                                                        kDefUserOnGround, gf_bytesOf(onGround)));
        userDataArrived.store(false);
        while (!userDataArrived.load()) {
            std::this_thread::yield();
        }
    }

    SimClientLink link{events, SimClientLinkOptions{gf_realSimClientTiming(), gf_testModelFacts}};
    HANDLE handle = nullptr;
};

TEST_F(Link, TheWorkersRequestsNameTheirIdsAndAFailedOneStopsTheRun) {
    EXPECT_TRUE(link.requestUserOnGround());
    EXPECT_EQ(link.requestUserPosition(), std::nullopt);
    link.requestUserTitle();
    EXPECT_TRUE(link.requestAircraftInRange(18520));
    EXPECT_TRUE(link.requestStaticCg(44));
    EXPECT_TRUE(link.setSpoilersThrottle(44, {100.0, 100.0, 100.0}));
    const std::vector<SimCall> sent = recording.calls(handle);
    const std::vector<std::vector<uint32_t>> expected = {
        {kReqUserOnGround, kDefUserOnGround, 0, SIMCONNECT_PERIOD_SECOND, 0, 0, 0, 0},
        {kReqUserBlock, kDefUserBlock, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0},
        {kReqUserTitle, kDefUserTitle, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0},
        {kReqUserModel, kDefUserModel, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0},
        {kReqInRange, kDefInRange, 18520, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT},
        {kReqStaticCg, kDefStaticCg, 44, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0},
        {kDefSpoilersThrottle, 44, 0, 0, 24},
    };
    ASSERT_EQ(sent.size(), expected.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].numbers, expected[i]) << i;
    }

    // The title request fails, the model request is still made.
    recording.failNext(handle, SimCallKind::RequestDataOnSimObject, 1);
    link.requestUserTitle();
    EXPECT_EQ(logCount("==> SimConnect request user ac title fails"), 1u);
    EXPECT_TRUE(simConnectError.load());
    EXPECT_TRUE(events.has("stop SimConnectError"));
    // While the error flag is set nothing more is asked.
    recording.clearCalls(handle);
    EXPECT_FALSE(link.requestAircraftInRange(18520));
    EXPECT_TRUE(recording.calls(handle).empty());
}

TEST_F(Link, WithoutAConnectionNothingIsAskedAndNothingFails) {
    link.stop();
    link.join();
    EXPECT_EQ(link.connection(), nullptr);
    EXPECT_FALSE(link.requestUserOnGround());
    EXPECT_FALSE(simConnectError.load());
    EXPECT_EQ(events.lines(), std::vector<std::string>{"connected false"});
}

TEST_F(Link, TheUserAircraftAndItsStand) {
    OneStandParking parking;
    userBlock(47.4650, 8.55, 5.0, 1);
    const std::optional<UserAircraftFix> fix = link.requestUserPosition();
    ASSERT_TRUE(fix);
    EXPECT_EQ(fix->latitude, 47.4650);
    EXPECT_TRUE(fix->onGround);
    EXPECT_EQ(fix->altitudeFt, 1416.0);

    link.showUserStand(parking);
    link.showUserStand(parking);
    link.keepUserStand(parking);
    EXPECT_EQ(parking.reservations, 0); // still rolling at 5 kt
    userBlock(47.4650, 8.55, 1.5, 1);
    link.keepUserStand(parking);
    link.keepUserStand(parking);
    EXPECT_EQ(parking.reserved, "B12");
    EXPECT_EQ(parking.reservations, 1);
    userBlock(47.4500, 8.55, 0.0, 1);
    link.showUserStand(parking);
    const std::vector<std::string> lines = events.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "stand text B12"), 1);
    EXPECT_EQ(lines.back(), "stand text ");

    link.stop();
    link.join();
    link.resetRun();
    EXPECT_EQ(link.requestUserPosition(), std::nullopt);
    EXPECT_EQ(link.user().objectId(), kInitialUserObjectId);
}

TEST(SimLinkRunEventsTest, StopsFollowTheRunsStopRuleAndValuesReachTheBoard) {
    struct StopCase {
        SimLinkStop stop;
        ExitReason reason;
        int32_t seconds;
    };
    for (const StopCase& c : {StopCase{SimLinkStop::NewFlight, ExitReason::newFlight, 45},
                              StopCase{SimLinkStop::SimConnectError, ExitReason::simConnectError, 9},
                              StopCase{SimLinkStop::SystemError, ExitReason::systemError, 0}}) {
        gf_resetRunFlags();
        StatusBoard board;
        SimLinkRunEvents events(board);
        events.requestStop(c.stop);
        events.requestStop(SimLinkStop::NewFlight);
        EXPECT_TRUE(stopRequested.load());
        EXPECT_EQ(gf_stopDecision(), (StopDecision{c.reason, c.seconds}));
    }
    gf_resetRunFlags();
    StatusBoard board;
    int repaints = 0;
    board.setRepaintHook([&repaints] { ++repaints; });
    SimLinkRunEvents events(board);
    events.simDisconnected(false);
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::simWasClosed, 0}));
    events.showSimConnected(true);
    events.showFlightRunning(true);
    events.showSimText("MSFS 2020 (11.0.1.2)");
    events.showAircraftText("Airbus A320");
    events.showWingSpanKnown(true);
    events.showStandText("B12");
    events.showStandText("B12");
    const StatusValues values = board.snapshot();
    EXPECT_TRUE(values.simConnected && values.flightRunningShown && values.wingSpanKnown);
    EXPECT_EQ(values.simulatorText, "MSFS 2020 (11.0.1.2)");
    EXPECT_EQ(values.aircraftTitleText, "Airbus A320");
    EXPECT_EQ(values.userStandText, "B12");
    EXPECT_EQ(repaints, 6);
    gf_resetRunFlags();
}

} // namespace
} // namespace hlw::test
