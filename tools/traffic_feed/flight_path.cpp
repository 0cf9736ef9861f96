#include "traffic_feed/flight_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hlw::feed {

namespace {

constexpr double kMaxStepSeconds = 0.25;
constexpr double kKnotInMs = 1852.0 / 3600.0;
constexpr double kGravity = 9.80665;
constexpr double kDefaultTaxiKt = 15.0;
constexpr double kDefaultPushKt = 3.0;
constexpr double kMarginSeconds = 0.5;
constexpr double kFeetPerNm = 6076.11549;
constexpr double kGlidePathDeg = 3.0;
constexpr double kRadPerDeg = 0.017453292519943295;

double lf_rollForTurn(double groundSpeedKt, double turnDegPerS)
{
    const double omega = turnDegPerS * std::numbers::pi / 180.0;
    return std::atan(groundSpeedKt * kKnotInMs * omega / kGravity) * 180.0 / std::numbers::pi;
}

} // namespace

FlightPath::FlightPath(const FlightSpec& spec, GeoPoint centre)
    : legs_(spec.legs), elevationFt_(spec.elevationFt), turnDegPerS_(spec.turnDegPerS)
{
    state_.position = spec.start ? *spec.start : gf_destination(centre, spec.bearingDeg, spec.distanceNm);
    state_.altitudeFt = std::max(spec.altitudeFt, spec.elevationFt);
    state_.onGround = spec.altitudeFt <= spec.elevationFt;
    state_.trackDeg = gf_normaliseDeg(spec.trackDeg);
    state_.headingDeg = state_.trackDeg;
    state_.groundSpeedKt = spec.groundSpeedKt;
    state_.verticalFpm = state_.onGround ? 0.0 : spec.verticalFpm;
    state_.rollDeg = state_.onGround ? 0.0 : lf_rollForTurn(state_.groundSpeedKt, turnDegPerS_);
}

void FlightPath::advance(double seconds)
{
    double remaining = seconds;
    while (remaining > 1e-9 && !finished_) {
        if (legs_.empty()) {
            const double step = std::min(remaining, kMaxStepSeconds);
            flyStep(step);
            remaining -= step;
            continue;
        }
        if (legIndex_ >= legs_.size()) {
            finished_ = true;
            break;
        }
        const Leg& leg = legs_[legIndex_];
        if (!legStarted_) {
            startLeg(leg);
        }
        const double step = std::min({remaining, kMaxStepSeconds, legLength_ - legTime_});
        if (step > 0.0) {
            switch (leg.kind) {
            case LegKind::fly: flyStep(step); break;
            case LegKind::taxi: moveStep(step, false); break;
            case LegKind::push: moveStep(step, true); break;
            case LegKind::hold: break;
            case LegKind::approach: approachStep(step); break;
            }
            legTime_ += step;
            remaining -= step;
        }
        if (legTime_ >= legLength_ - 1e-9) {
            ++legIndex_;
            legStarted_ = false;
        }
    }
    if (!legs_.empty() && legIndex_ >= legs_.size()) {
        finished_ = true;
    }
}

void FlightPath::startLeg(const Leg& leg)
{
    legStarted_ = true;
    legTime_ = 0.0;
    switch (leg.kind) {
    case LegKind::fly:
        turnDegPerS_ = leg.turnDegPerS.value_or(turnDegPerS_);
        state_.groundSpeedKt = leg.groundSpeedKt.value_or(state_.groundSpeedKt);
        state_.verticalFpm = leg.verticalFpm.value_or(state_.verticalFpm);
        if (leg.trackDeg) {
            state_.trackDeg = gf_normaliseDeg(*leg.trackDeg);
            state_.headingDeg = state_.trackDeg;
        }
        legLength_ = leg.seconds;
        break;
    case LegKind::taxi:
    case LegKind::push: {
        const bool backwards = leg.kind == LegKind::push;
        const double speed = leg.groundSpeedKt.value_or(backwards ? kDefaultPushKt : kDefaultTaxiKt);
        const double distance = gf_distanceNm(state_.position, leg.target);
        state_.groundSpeedKt = speed;
        state_.onGround = true;
        state_.altitudeFt = elevationFt_;
        state_.verticalFpm = 0.0;
        state_.rollDeg = 0.0;
        turnDegPerS_ = 0.0;
        legLength_ = speed > 0.0 ? distance / speed * 3600.0 : 0.0;
        if (distance > 1e-6) {
            state_.trackDeg = gf_bearingDeg(state_.position, leg.target);
            state_.headingDeg = backwards ? gf_normaliseDeg(state_.trackDeg + 180.0) : state_.trackDeg;
        }
        break;
    }
    case LegKind::approach: {
        state_.groundSpeedKt = leg.groundSpeedKt.value_or(state_.groundSpeedKt);
        turnDegPerS_ = 0.0;
        state_.rollDeg = 0.0;
        const double distance = gf_distanceNm(state_.position, leg.target);
        legLength_ = state_.groundSpeedKt > 0.0 ? distance / state_.groundSpeedKt * 3600.0 : 0.0;
        state_.verticalFpm = -state_.groundSpeedKt * kFeetPerNm / 60.0 * std::tan(kGlidePathDeg * kRadPerDeg);
        break;
    }
    case LegKind::hold:
        state_.groundSpeedKt = 0.0;
        state_.verticalFpm = 0.0;
        state_.rollDeg = 0.0;
        turnDegPerS_ = 0.0;
        legLength_ = leg.seconds;
        break;
    }
}

void FlightPath::flyStep(double step)
{
    const GeoPoint from = state_.position;
    const double distance = state_.groundSpeedKt * step / 3600.0;
    if (distance > 0.0) {
        state_.position = gf_destination(from, state_.trackDeg, distance);
        // The track at the new point along the same great circle, then the turn of this step.
        const double finalTrack = gf_normaliseDeg(gf_bearingDeg(state_.position, from) + 180.0);
        state_.trackDeg = gf_normaliseDeg(finalTrack + turnDegPerS_ * step);
    } else {
        state_.trackDeg = gf_normaliseDeg(state_.trackDeg + turnDegPerS_ * step);
    }
    state_.headingDeg = state_.trackDeg;
    state_.altitudeFt += state_.verticalFpm * step / 60.0;
    if (state_.altitudeFt <= elevationFt_) {
        state_.altitudeFt = elevationFt_;
        state_.verticalFpm = std::max(0.0, state_.verticalFpm);
        state_.onGround = true;
    } else {
        state_.onGround = false;
    }
    state_.rollDeg = state_.onGround ? 0.0 : lf_rollForTurn(state_.groundSpeedKt, turnDegPerS_);
}

void FlightPath::approachStep(double step)
{
    const GeoPoint threshold = legs_[legIndex_].target;
    const double left = gf_distanceNm(state_.position, threshold);
    const double distance = std::min(left, state_.groundSpeedKt * step / 3600.0);
    if (left > 1e-6) {
        const double bearing = gf_bearingDeg(state_.position, threshold);
        state_.position = distance >= left ? threshold : gf_destination(state_.position, bearing, distance);
        state_.trackDeg = bearing;
        state_.headingDeg = bearing;
    }
    const double onPath = elevationFt_ + gf_distanceNm(state_.position, threshold) * kFeetPerNm *
                                             std::tan(kGlidePathDeg * kRadPerDeg);
    state_.altitudeFt = std::min(state_.altitudeFt, onPath);
    state_.onGround = state_.altitudeFt <= elevationFt_ + 1e-6;
    if (state_.onGround) {
        state_.altitudeFt = elevationFt_;
        state_.verticalFpm = 0.0;
    }
}

void FlightPath::moveStep(double step, bool backwards)
{
    const Leg& leg = legs_[legIndex_];
    const double left = gf_distanceNm(state_.position, leg.target);
    const double distance = std::min(left, state_.groundSpeedKt * step / 3600.0);
    if (left <= 1e-6) {
        return;
    }
    const double bearing = gf_bearingDeg(state_.position, leg.target);
    state_.position = distance >= left ? leg.target : gf_destination(state_.position, bearing, distance);
    state_.trackDeg = bearing;
    state_.headingDeg = backwards ? gf_normaliseDeg(bearing + 180.0) : bearing;
}

double gf_minimumSampleInterval(const AircraftState& state)
{
    constexpr double kAirGapNm = 0.2429805615550756;   // 450 m
    constexpr double kGroundGapNm = 0.010799136069114472; // 20 m
    double needed = 1.0;
    if (!state.onGround && state.groundSpeedKt > 120.0) {
        needed = kAirGapNm / state.groundSpeedKt * 3600.0;
    } else if (state.onGround && state.groundSpeedKt <= 30.0) {
        needed = state.groundSpeedKt > 0.0 ? std::min(15.0, kGroundGapNm / state.groundSpeedKt * 3600.0) : 15.0;
    }
    return std::max(needed, 1.0) + kMarginSeconds;
}

} // namespace hlw::feed
