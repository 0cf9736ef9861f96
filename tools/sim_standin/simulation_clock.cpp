// The passing of time: frames, standing requests, due creations, the user script, free flight of
// objects nobody froze, and the track.
#include "simulation.h"

#include "records.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hlw::standin {
namespace {

constexpr double lf_radPerDeg = std::numbers::pi / 180.0;
constexpr double lf_metresPerDegLat = 111132.95;

} // namespace

void Simulation::setRunning(bool running) {
    running_ = running;
    broadcastSystemEvent(SystemEvent::Sim, [&](DWORD eventId) { return gf_eventRecord(eventId, running ? 1 : 0); });
}

void Simulation::applyUserScript(Clock::time_point now) {
    if (!userScript_) {
        return;
    }
    const UserState state = userScript_->at(std::chrono::duration<double>(now - userScriptStart_).count());
    SimObject& u = user();
    u.latDeg = state.latDeg;
    u.lonDeg = state.lonDeg;
    u.altFt = state.altFt;
    u.headingRad = state.headingDeg * lf_radPerDeg;
    u.pitchRad = state.pitchDeg * lf_radPerDeg;
    u.bankRad = state.bankDeg * lf_radPerDeg;
    u.groundSpeedKt = state.groundSpeedKt;
    u.airspeedKt = state.groundSpeedKt;
    u.scriptedOnGround = state.onGround;
}

// The simulator's AI flies an object until the client freezes it: it keeps going along its heading.
void Simulation::moveFreeObjects(double seconds) {
    if (!running_ || seconds <= 0.0) {
        return;
    }
    for (auto& [id, object] : objects_) {
        if (object.kind == ObjectKind::User) {
            continue;
        }
        if (!object.freezeLatLon && object.groundSpeedKt > 0.0) {
            const double metres = object.groundSpeedKt * 1852.0 / 3600.0 * seconds;
            object.latDeg += metres * std::cos(object.headingRad) / lf_metresPerDegLat;
            const double cosLat = std::max(0.01, std::cos(object.latDeg * lf_radPerDeg));
            object.lonDeg += metres * std::sin(object.headingRad) / (lf_metresPerDegLat * cosLat);
        }
        if (!object.freezeAltitude && object.verticalSpeedFps != 0.0) {
            object.altFt += object.verticalSpeedFps * seconds;
        }
    }
}

void Simulation::sendFrames() {
    broadcastSystemEvent(SystemEvent::Frame,
                         [&](DWORD eventId) { return gf_frameRecord(eventId, static_cast<float>(frameHz_)); });
    ++frameCount_;
    frameSent_.notify_all();
}

void Simulation::sendPeriodic(Clock::time_point now, bool frameTick) {
    for (auto& [id, client] : clients_) {
        for (StandingRequest& request : client.standing) {
            const bool perFrame = request.period == SIMCONNECT_PERIOD_VISUAL_FRAME ||
                                  request.period == SIMCONNECT_PERIOD_SIM_FRAME;
            if (perFrame ? frameTick : now >= request.next) {
                sendObjectData(client, request.requestId, request.defineId, request.objectId);
                // Keep the one-second grid; after a stall, start a new one instead of a burst.
                request.next += std::chrono::seconds(1);
                if (request.next <= now) {
                    request.next = now + std::chrono::seconds(1);
                }
            }
        }
    }
}

void Simulation::advance(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    // Objects move for the time that passed before the ones created now appear.
    moveFreeObjects(std::chrono::duration<double>(now - lastAdvance_).count());
    lastAdvance_ = now;
    while (!pending_.empty() && pending_.front().due <= now) {
        const PendingCreation pending = pending_.front();
        pending_.pop_front();
        completeCreation(pending, now);
    }
    // Delayed facility answers, in the order they fall due.
    std::vector<PendingFacilityAnswer> due;
    std::erase_if(facilityAnswers_, [&](PendingFacilityAnswer& answer) {
        if (answer.due > now) {
            return false;
        }
        due.push_back(std::move(answer));
        return true;
    });
    std::ranges::stable_sort(due, {}, &PendingFacilityAnswer::due);
    for (const PendingFacilityAnswer& answer : due) {
        deliverFacilityAnswer(answer);
    }
    applyUserScript(now);

    bool frameTick = false;
    if (frameHz_ > 0.0 && now >= nextFrame_) {
        if (running_ || framesWhilePaused_) {
            sendFrames();
            frameTick = true;
        }
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / frameHz_));
        nextFrame_ += period;
        if (nextFrame_ <= now) {
            nextFrame_ = now + period;
        }
    }
    sendPeriodic(now, frameTick);

    if (track_.due(now)) {
        track_.beginRow(now);
        const double seconds = std::chrono::duration<double>(now - startedAt_).count();
        for (const auto& [id, object] : objects_) {
            const double ground = terrain_.elevationFt(object.latDeg, object.lonDeg);
            track_.write(seconds, object, ground, gf_isOnGround(object, ground));
        }
        track_.flush();
    }
}

Clock::time_point Simulation::nextDue() const {
    std::lock_guard lock(mutex_);
    // The user script and free-flying objects move smoothly between the other deadlines.
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(20);
    if (frameHz_ > 0.0) {
        due = std::min(due, nextFrame_);
    }
    if (!pending_.empty()) {
        due = std::min(due, pending_.front().due);
    }
    for (const PendingFacilityAnswer& answer : facilityAnswers_) {
        due = std::min(due, answer.due);
    }
    for (const auto& [id, client] : clients_) {
        for (const StandingRequest& request : client.standing) {
            due = std::min(due, request.next);
        }
    }
    if (track_.active()) {
        due = std::min(due, track_.next());
    }
    return due;
}

bool Simulation::waitFrames(uint64_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (frameHz_ <= 0.0) {
        return false;
    }
    const uint64_t target = frameCount_ + count;
    return frameSent_.wait_for(lock, timeout, [&] { return frameCount_ >= target; });
}

} // namespace hlw::standin
