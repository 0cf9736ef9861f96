#include "engine/run/traffic_start.h"

#include "core/log.h"
#include "core/reference_time.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_wait.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <chrono>
#include <cmath>

namespace hlw {
namespace {

using namespace std::chrono_literals;

constexpr auto userDataPoll = 100ms;
constexpr auto userPositionRetry = 500ms;
constexpr auto userPositionZeroRetry = 200ms;
constexpr auto trafficReaderDelay = 2s;
constexpr int firstTrafficPolls = 150;
constexpr auto firstTrafficPoll = 100ms;

bool lf_atZero(const UserAircraftFix& fix)
{
    return std::abs(fix.latitude) <= 0.0001 && std::abs(fix.longitude) <= 0.0001;
}

// Waits until a flight runs without a simulator error, asks for the user aircraft's reports and waits for its
// first position away from 0, 0. False when a stop or a close came first.
bool lf_requestUserData(WorkerContext& context)
{
    SimLink& link = context.simLink;
    while (!flightRunning.load() || simConnectError.load()) {
        if (!gf_sleepUnlessStopping(context.time, userDataPoll)) {
            return false;
        }
    }
    if (!link.requestUserOnGround()) {
        gf_logAlert("SimConnect request ac gnd/air fails");
    }
    while (true) {
        const std::optional<UserAircraftFix> fix = link.requestUserPosition();
        if (gf_runEnding()) {
            return false;
        }
        if (fix && !lf_atZero(*fix)) {
            break;
        }
        if (!gf_sleepUnlessStopping(context.time, userPositionRetry)) {
            return false;
        }
    }
    link.requestUserTitle();
    while (lf_atZero(link.requestUserPosition().value_or(UserAircraftFix{}))) {
        if (!gf_sleepUnlessStopping(context.time, userPositionZeroRetry)) {
            return false;
        }
    }
    return true;
}

void lf_startLiveTrafficLink(WorkerContext& context)
{
    if (!rtOnThisPc.load() || settings::aerowinx.get()) {
        // Only the UDP feed: nothing to wait for on the link side.
        context.status.update([](StatusValues& values) { values.liveSourceReady = true; });
    } else {
        context.liveLink.startServer();
    }
}

void lf_startReaders(WorkerContext& context)
{
    context.traffic.setRunning(false);
    context.readers.startQnhReader();
}

// The traffic reader 2 s after the QNH reader, then up to 15 s for the first traffic. False on a stop.
bool lf_awaitFirstTraffic(WorkerContext& context)
{
    if (!gf_sleepUnlessStopping(context.time, trafficReaderDelay)) {
        return false;
    }
    context.readers.startTrafficReader(rtOnThisPc.load());
    context.liveLink.sendUserPosition();
    const UserAircraftFix user = context.simLink.userAircraft();
    context.readers.setRangeCentre(user.latitude, user.longitude);
    for (int poll = 0; poll < firstTrafficPolls; ++poll) {
        if (std::trunc(context.readers.latestTimestamp()) != 0.0) {
            return true;
        }
        if (!gf_sleepUnlessStopping(context.time, firstTrafficPoll)) {
            return false;
        }
    }
    gf_log("No traffic in this region?");
    return !gf_runEnding();
}

} // namespace

bool gf_startSession(WorkerContext& context)
{
    context.status.update([](StatusValues& values) {
        values.liveSourceReady = false;
        values.simConnected = false;
    });
    context.tick.reserve();
    context.simLink.resetQueues();
    simConnectError.store(false);
    context.simLink.start();
    if (!lf_requestUserData(context)) {
        return false;
    }
    gf_enableControl(settings::scanAirports);
    if (settings::scanAirports.get()) {
        context.status.update([](StatusValues& values) {
            values.simAddonCount = 0;
            values.thirdPartyCount = 0;
        });
        context.addonScan.scanAddonAirports();
    }
    if (settings::autoRange.get()) {
        context.app.computeAutoRange();
    }
    lf_startLiveTrafficLink(context);
    if (gf_runEnding()) {
        return false;
    }
    context.status.update([](StatusValues& values) { values.trafficStartPending = false; });
    if (!settings::aerowinx.get()) {
        context.liveLink.connectAndHandshake();
        if (simTimeEnabled.load()) {
            context.liveLink.sendSimTime();
        }
    } else {
        simTimeEnabled.store(false);
    }
    if (gf_runEnding()) {
        return false;
    }
    lf_startReaders(context);
    if (!lf_awaitFirstTraffic(context)) {
        return false;
    }
    nowWeekdaySlot.store(gf_packWeekdaySlot(gf_nowTime()));
    return true;
}

} // namespace hlw
