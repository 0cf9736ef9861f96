#include "engine/run/main_loop.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/reference_time.h"
#include "core/status_board.h"
#include "core/time_text.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_wait.h"
#include "liveries/matching_summary.h"
#include "platform/os/timer_resolution.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <chrono>

namespace hlw {
namespace {

using namespace std::chrono_literals;

constexpr auto stepPeriod = 10ms;
constexpr auto maxLag = 100ms;
constexpr int32_t stepsPerNotRunningRound = 100;
constexpr int32_t secondsPerDay = 86400;

void lf_markWeekdaySlot() { nowWeekdaySlot.store(gf_packWeekdaySlot(gf_nowTime())); }

} // namespace

void MainLoop::run()
{
    context_.parking.driveParkAirport(true);
    context_.readers.watchdog();
    SteadyTimeSource& time = context_.time;
    secondCounter_ = 0;
    context_.requests.secondCounter.store(0);
    SteadyTimeSource::TimePoint deadline = time.now();
    lf_markWeekdaySlot();
    context_.traffic.withLock([&](bool& running) {
        deadline += stepPeriod;
        running = true;
    });
    context_.lifecycle.fillCallsignList();
    gf_enableControl(settings::csToOidButton);
    const os::TimerResolutionGuard resolution(1);
    bool going = step();
    while (going) {
        const SteadyTimeSource::TimePoint now = time.now();
        // A loop that fell far behind starts a new grid instead of running steps back to back.
        SteadyTimeSource::TimePoint next = deadline + maxLag < now ? now + stepPeriod : deadline;
        if (next - now >= 1ms) {
            time.sleepUntil(next);
        }
        // The simulator's report re-anchors the grid: the step that handles it counts from now.
        if (userDataArrived.load()) {
            next = time.now();
        }
        deadline = next + stepPeriod;
        going = step();
    }
    gf_log(fmt::format("Main loop ended after {} steps and {} seconds", steps_, seconds_));
}

bool MainLoop::step()
{
    ++steps_;
    if (!flightRunning.load() || simConnectError.load()) {
        flightNotRunning();
        return !gf_runEnding();
    }
    context_.tick.tick();
    if (!userDataArrived.exchange(false)) {
        return !gf_runEnding();
    }
    perSecond();
    if (gf_runEnding()) {
        return false;
    }
    secondTasks();
    return !gf_runEnding();
}

void MainLoop::secondTasks()
{
    const int32_t s = secondCounter_;
    if (s % 5 != 0) {
        if (s % 16 == 0 && !parkAdjustPaused_) {
            context_.parking.driveParkAirport(false);
        }
        if (s % 59 == 0) {
            context_.readers.watchdog();
        }
        if (s % 61 == 0) {
            context_.lifecycle.removeStaticTwins();
        }
        return;
    }
    const UserAircraftFix user = context_.simLink.userAircraft();
    context_.readers.setRangeCentre(user.latitude, user.longitude);
    if (simTimeEnabled.load()) {
        context_.liveLink.sendSimTime();
    }
    if (const std::optional<std::string> stand = context_.parking.reservedStand()) {
        context_.lifecycle.freeStand(*stand);
    }
    every5Seconds();
    if (s % 15 != 0) {
        return;
    }
    if (context_.requests.parkAdjust.load()) {
        parkingAdjustmentHalf();
    }
    const StatusValues status = context_.status.snapshot();
    if (status.trafficReader == ReaderLamp::stalled || status.qnhReader == ReaderLamp::stalled) {
        context_.readers.watchdog();
    }
    if (s % 30 == 0) {
        every30Seconds();
    }
}

void MainLoop::parkingAdjustmentHalf()
{
    if (!parkAdjustPaused_) {
        parkAdjustPaused_ = true;
        context_.parking.beginAdjustment();
        // The second half learns which callsigns were heard in between.
        context_.readers.collectCallsigns();
        return;
    }
    parkAdjustPaused_ = false;
    gf_clearError();
    gf_clearMessage();
    if (context_.parking.parkAirportActive() && context_.parking.hasStands()) {
        context_.parking.runAdjustments();
    }
    gf_logFlushNow();
    context_.requests.parkAdjust.store(false);
}

void MainLoop::perSecond()
{
    if (notRunning_) {
        notRunning_ = false;
        gf_log(fmt::format("{} Flight resumed", gf_clockText()));
        context_.traffic.setRunning(true);
    }
    gf_messageLineSecondStep();
    context_.lifecycle.refreshCounts(context_.status);
    lf_markWeekdaySlot();
    ++secondCounter_;
    ++seconds_;
    context_.requests.secondCounter.store(secondCounter_);
    context_.lifecycle.takeArrival();
    context_.simLink.showUserStand(context_.parking);
    WorkerRequests& requests = context_.requests;
    if (requests.objectIdLookup.exchange(false)) {
        objectIdLookup();
    }
    if (requests.flushStatic.exchange(false)) {
        context_.lifecycle.removeAllStatic();
        if (!settings::initialLoadOnly.get()) {
            settings::initialLoadOnly.set(true);
            settings::initialLoadOnly.showCheck();
        }
    }
    if (requests.refillCallsignList.exchange(false)) {
        context_.status.update([](StatusValues& values) { values.callsignObjectIdText.clear(); });
        context_.lifecycle.fillCallsignList();
        requests.objectIdLookup.store(true);
    }
    if (requests.trimLiveAircraft.exchange(false)) {
        context_.lifecycle.trimToLiveLimit();
    }
    if (requests.navLights.exchange(false)) {
        context_.lifecycle.setParkedNavLights(requests.navLightsOn.load());
    }
    // The destination first: the automatic range measures to the list's first airport.
    if (const std::optional<DestinationRequest> destination = requests.takeDestination()) {
        context_.parking.addParkAirport(destination->code, destination->position);
    }
    if (requests.autoRange.exchange(false) && settings::autoRange.get()) {
        context_.app.computeAutoRange();
    }
    const bool onGround = context_.simLink.userAircraft().onGround;
    if (onGround && settings::collisionUserGnd.get()) {
        context_.lifecycle.removeGroundAircraftNearUser();
    } else if (!onGround && settings::collisionUserAir.get()) {
        context_.lifecycle.removeGroundAircraftAheadOfUser();
    }
    if (settings::collisionLiveParkedGnd.get()) {
        context_.lifecycle.checkMovingAgainstParked();
    }
    if (requests.blockCallsign.exchange(false) && !settings::blockCallsign.empty()) {
        context_.lifecycle.removeByCallsign(settings::blockCallsign.get());
    }
    if (context_.parking.staticParkingBusy()) {
        const int32_t toPlace = context_.parking.positionsToPlace();
        context_.status.update([&](StatusValues& values) { values.positionsToPlace = toPlace; });
    }
}

void MainLoop::objectIdLookup()
{
    const std::optional<uint32_t> objectId =
        context_.lifecycle.objectIdOf(settings::callsign2ObjectId.get());
    const std::string text = objectId ? fmt::format("= {}", gf_objectIdText(*objectId)) : std::string("has left");
    context_.status.update([&](StatusValues& values) { values.callsignObjectIdText = text; });
}

void MainLoop::flightNotRunning()
{
    if (!notRunning_) {
        context_.traffic.setRunning(false);
        notRunning_ = true;
        notRunningCountdown_ = stepsPerNotRunningRound;
        context_.simLink.discardAiPositions();
        gf_log(fmt::format("{} Flight not running", gf_clockText()));
    }
    context_.tick.applySimReplies();
    --notRunningCountdown_;
    if (notRunningCountdown_ % stepsPerNotRunningRound == 0) {
        every5Seconds();
        context_.liveLink.sendUserPosition();
    }
    if (notRunningCountdown_ <= 0) {
        notRunningCountdown_ = stepsPerNotRunningRound;
        context_.lifecycle.refreshCounts(context_.status);
        lf_markWeekdaySlot();
    }
}

void MainLoop::every5Seconds()
{
    if (!context_.requests.reReadParkAirports.load() || context_.parking.staticParkingBusy()) {
        return;
    }
    if (const std::optional<std::string> message = context_.parking.checkReservedStands()) {
        gf_setMessage(*message, !message->empty());
    }
    gf_enableControl(settings::reReadButton);
    gf_enableControl(settings::destination);
    context_.requests.reReadParkAirports.store(false);
}

void MainLoop::every30Seconds()
{
    const int32_t s = secondCounter_;
    if (context_.requests.matchingDepthChanged.exchange(false)) {
        context_.lifecycle.forgetMatchingNames();
    }
    if (settings::autoRange.get()) {
        context_.app.computeAutoRange();
    }
    if (s % 60 == 0) {
        staticParkingCountdown();
        context_.parking.saveCheckpoint();
        if (settings::objectIdList.get()) {
            context_.lifecycle.writeObjectIdList();
        }
        if (s % 1200 == 0) {
            context_.lifecycle.logUnmatchedNames();
            if (s % secondsPerDay == 0) {
                secondCounter_ = 0;
                gf_logMatchingSummary();
                context_.lifecycle.forgetTitlesPerHexId();
            }
        }
    }
    gf_logFlushNow();
}

// The static-parking countdown, once a minute; the window may set it too, so it changes in one update.
void MainLoop::staticParkingCountdown()
{
    bool elapsed = false;
    context_.status.update([&](StatusValues& values) {
        if (--values.minutesToStaticUpdate < 1) {
            values.minutesToStaticUpdate = staticRefreshMinutes;
            elapsed = true;
        }
    });
    ParkingPort& parking = context_.parking;
    if (elapsed && parking.fileLoaded() && !settings::initialLoadOnly.get() && !parking.staticParkingBusy() &&
        !context_.requests.parkAdjust.load()) {
        parking.startStaticRefresh();
        // The adjustment's first half comes at the next multiple of 15 s.
        const int32_t seconds = 15 * (secondCounter_ / 15 + 1) - secondCounter_;
        gf_setMessage(fmt::format("{} will update static parking in {} second{} ...", productName, seconds,
                                  gf_pluralInt(seconds)),
                      false);
        context_.requests.parkAdjust.store(true);
    }
}

void gf_runMainLoop(WorkerContext& context)
{
    MainLoop loop(context);
    loop.run();
}

} // namespace hlw
