#include "stream_checks.h"

#include "engine/live/angles.h"
#include "engine/live/position_stream.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace hlw::test {

namespace {

constexpr double maxStepMetres = 50.0;

bool lf_stateEdge(SimObjectState from, SimObjectState to)
{
    using enum SimObjectState;
    static const std::set<std::pair<SimObjectState, SimObjectState>> edges = {
        {buffer, adding2sim},  {adding2sim, active},          {active, removingfromsim},
        {active, liveryrespawn}, {liveryrespawn, buffer}, {liveryrespawn, removingfromsim},
    };
    return from == to || edges.contains({from, to});
}

bool lf_phaseEdge(MovementPhase from, MovementPhase to)
{
    using enum MovementPhase;
    static const std::set<std::pair<MovementPhase, MovementPhase>> edges = {
        {birth, flying},       {birth, taxi},          {birth, parked},        {flying, taxi},
        {flying, birth},       {taxi, take_off},       {taxi, flying},         {taxi, parking},
        {taxi, parked},        {taxi, birth},          {take_off, flying},     {take_off, taxi},
        {parking, parked},     {parking, taxi},        {parked, pushing_back}, {parked, taxi},
        {parked, birth},       {pushing_back, pushed_back}, {pushed_back, taxi},
    };
    return from == to || edges.contains({from, to});
}

// A made-up count follows the one before: a start (8, 10, 1), one less, real data again (0) or exhausted (-1).
bool lf_countEdge(int32_t from, int32_t to)
{
    if (from == to || to == 0) {
        return true;
    }
    if (from == 0) {
        return to == 8 || to == 10 || to == 1;
    }
    return (from > 1 && to == from - 1) || (from == 1 && to == -1);
}

bool lf_finiteInRange(const AiPositionData& data)
{
    const double values[] = {data.latDeg,     data.lonDeg,     data.pitchRad,         data.bankRad,
                             data.headingRad, data.altitudeFt, data.verticalSpeedFps, data.airspeedKt};
    return std::ranges::all_of(values, [](double v) { return std::isfinite(v); }) && std::abs(data.latDeg) <= 90.0 &&
           std::abs(data.lonDeg) <= 180.0 && data.headingRad >= 0.0 && data.headingRad < twoPi;
}

} // namespace

void InvariantChecker::fail(int32_t tick, const LiveAircraft& aircraft, const std::string& what)
{
    if (!violation_) {
        violation_ = fmt::format("tick {} hex {:06x} {} phase {} state {}: {}", tick, aircraft.flight.hexId,
                                 aircraft.flight.callsign, gf_phaseName(aircraft.phase),
                                 gf_simStateName(aircraft.state), what);
    }
}

void InvariantChecker::before(const LiveEngineState& state)
{
    for (const LiveAircraft& aircraft : state.live) {
        Track& track = tracks_[aircraft.flight.hexId];
        track.hadNext = aircraft.positions.size() >= 2;
        if (track.hadNext) {
            track.next = {aircraft.positions[1].latitude, aircraft.positions[1].longitude};
            track.nextDue = aircraft.positions[1].dueTick;
        }
        track.early = aircraft.earlyWindow;
        track.late = aircraft.lateWindow;
        track.countBefore = aircraft.extrapolationCount;
    }
}

void InvariantChecker::after(const LiveEngineState& state, const std::vector<SentPosition>& sent,
                             std::size_t firstNew)
{
    const int32_t tick = state.tick - 1;
    for (std::size_t i = firstNew; i < sent.size(); ++i) {
        const AiPositionUpdate& update = sent[i].update;
        const LiveAircraft* aircraft = nullptr;
        for (const LiveAircraft& candidate : state.live) {
            aircraft = candidate.objectId == update.objectId ? &candidate : aircraft;
        }
        if (aircraft == nullptr) {
            continue;
        }
        if (!lf_finiteInRange(update.data)) {
            fail(tick, *aircraft, fmt::format("sent lat {} lon {} hdg {} alt {}", update.data.latDeg,
                                              update.data.lonDeg, update.data.headingRad, update.data.altitudeFt));
        }
        const LatLon at{update.data.latDeg, update.data.lonDeg};
        if (const auto it = lastSent_.find(update.objectId); it != lastSent_.end()) {
            const double metres = gf_distanceNm(it->second, at) * 1852.0;
            if (metres > maxStepMetres) {
                fail(tick, *aircraft, fmt::format("a step of {:.1f} m", metres));
            }
        }
        lastSent_[update.objectId] = at;
    }
    for (const LiveAircraft& aircraft : state.live) {
        Track& track = tracks_[aircraft.flight.hexId];
        if (!lf_stateEdge(track.state, aircraft.state)) {
            fail(tick, aircraft, fmt::format("state {} after {}", gf_simStateName(aircraft.state),
                                             gf_simStateName(track.state)));
        }
        if (!lf_phaseEdge(track.phase, aircraft.phase)) {
            fail(tick, aircraft, fmt::format("phase {} after {}", gf_phaseName(aircraft.phase),
                                             gf_phaseName(track.phase)));
        }
        if (!lf_countEdge(track.count, aircraft.extrapolationCount)) {
            fail(tick, aircraft, fmt::format("extrapolation count {} after {}", aircraft.extrapolationCount,
                                             track.count));
        }
        if (aircraft.positions.size() > maxQueuedPositions) {
            fail(tick, aircraft, fmt::format("{} positions queued", aircraft.positions.size()));
        }
        if (aircraft.state == SimObjectState::active && !aircraft.positions.empty()) {
            checkLeg(tick, aircraft, track);
        }
        track.state = aircraft.state;
        track.phase = aircraft.phase;
        track.count = aircraft.extrapolationCount;
    }
}

void InvariantChecker::checkLeg(int32_t tick, const LiveAircraft& aircraft, Track& track)
{
    const PositionRecord& target = aircraft.positions.front();
    if (track.legs > 0 && target.latitude == track.legTarget.lat && target.longitude == track.legTarget.lon) {
        track.legDue = target.dueTick;
        return;
    }
    const LatLon here{aircraft.latitude, aircraft.longitude};
    // The leg just finished: its speed against the data's.
    if (track.legMeasured && options_.smoothData && track.legs > options_.settleLegs && track.legSpeedKt > 30.0) {
        const double flownKt = gf_distanceNm(track.legFrom, here) * 360000.0 / std::max(1, tick - track.legStartTick);
        ++speedsChecked_;
        if (std::abs(flownKt - track.legSpeedKt) > options_.speedTolerance * track.legSpeedKt) {
            fail(tick, aircraft, fmt::format("flew {:.1f} kt on a leg of {:.1f} kt", flownKt, track.legSpeedKt));
        }
    }
    ++legsChecked_;
    if (target.dueTick <= track.legDue && track.legs > 0) {
        fail(tick, aircraft, fmt::format("due tick {} after {}", target.dueTick, track.legDue));
    }
    if (target.stationary == 0 && target.dueTick - tick < minLegTicks) {
        fail(tick, aircraft, fmt::format("a leg of {} ticks", target.dueTick - tick));
    }
    const bool received = track.hadNext && std::abs(track.next.lat - target.latitude) < 1e-9 &&
                          std::abs(track.next.lon - target.longitude) < 1e-9;
    // A leg to a stop (a position reported on the ground at 0 kt that the aircraft moves to) may end any time
    // sooner: the aircraft then stands there.
    const bool toStop = target.groundSpeedKt == 0.0 && target.airborne == 0;
    if (received && track.countBefore < 1 && aircraft.extrapolationCount < 1 && target.stationary == 0 &&
        target.dueTick > tick + minLegTicks &&
        ((target.dueTick < track.nextDue - track.early && !toStop) || target.dueTick > track.nextDue + track.late)) {
        fail(tick, aircraft, fmt::format("due {} outside {} - {} .. + {}", target.dueTick, track.nextDue,
                                         track.early, track.late));
    }
    track.legMeasured = target.stationary == 0 && aircraft.extrapolationCount == 0 && target.airborne != 0;
    track.legDue = target.dueTick;
    track.legTarget = {target.latitude, target.longitude};
    track.legFrom = here;
    track.legStartTick = tick;
    track.legSpeedKt = target.groundSpeedKt;
    ++track.legs;
}

TrackWriter::TrackWriter(const std::filesystem::path& path) : out_(path)
{
    out_ << "tick,hexid,lat,lon,alt,pitch,bank,heading,vs,tas,phase,state\n";
}

void TrackWriter::write(const LiveEngineState& state)
{
    for (const LiveAircraft& ac : state.live) {
        out_ << fmt::format("{},{:06x},{:.7f},{:.7f},{:.1f},{:.4f},{:.4f},{:.4f},{:.2f},{:.1f},{},{}\n", state.tick,
                            ac.flight.hexId, ac.latitude, ac.longitude, ac.altitudeFt, ac.pitch, ac.bank, ac.heading,
                            ac.verticalSpeedFps, ac.trueAirspeedKt, gf_phaseName(ac.phase),
                            gf_simStateName(ac.state));
        ++rows_;
    }
}

} // namespace hlw::test
