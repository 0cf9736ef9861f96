#include "live_fixture.h"

#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <initializer_list>

namespace hlw::test {

void gf_restoreLiveSettings()
{
    using namespace settings;
    for (BoolParameter* setting : std::initializer_list<BoolParameter*>{
             &guidChanges, &lightAircraft, &helicopters, &highPerfAircraft, &airborneOnly, &collisionUserGnd,
             &collisionUserAir, &straightPbsOnly}) {
        setting->set(setting->defaultValue());
    }
    holdingThresholdMeters.set(holdingThresholdMeters.defaultValue());
    maxHoldingMinutes.set(maxHoldingMinutes.defaultValue());
    maxLiveSel.set(maxLiveSel.defaultValue());
    blockCallsign.set(blockCallsign.defaultValue());
    gf_refusedTitles().clear();
    gf_notCreatedLiveries().clear();
}

PositionRecord gf_air(double lat, double lon, double altitudeFt, double groundSpeedKt, int32_t dueTick)
{
    PositionRecord position;
    position.latitude = lat;
    position.longitude = lon;
    position.altitudeFt = altitudeFt;
    position.groundSpeedKt = groundSpeedKt;
    position.trueAirspeedKt = groundSpeedKt;
    position.dueTick = dueTick;
    position.airborne = altitudeFt > 0.0 ? 1 : 0;
    return position;
}

PositionRecord gf_ground(double lat, double lon, double groundSpeedKt, int32_t dueTick)
{
    return gf_air(lat, lon, 0.0, groundSpeedKt, dueTick);
}

LiveAircraft gf_makeLive(AircraftCategory category, MovementPhase phase, std::vector<PositionRecord> stream)
{
    FlightRecord flight;
    flight.hexId = 0x4b0001;
    flight.callsign = "TST1";
    flight.registration = "HB-TST";
    flight.airline = gf_airlineIndex("TST");
    flight.model = gf_modelIndex("A320");
    flight.category = category;
    flight.halfWingspanNm = 0.0185;
    flight.climbLimitFtPerTick = 0.6;
    flight.taxiSpeedKt = 4.0;
    LiveAircraft aircraft(stream.empty() ? PositionRecord{} : stream.front(), std::move(flight), 1.7e9);
    aircraft.positions.assign(stream.begin(), stream.end());
    if (!stream.empty()) {
        aircraft.latitude = stream.front().latitude;
        aircraft.longitude = stream.front().longitude;
        aircraft.altitudeFt = stream.front().altitudeFt;
    }
    aircraft.phase = phase;
    aircraft.previousPhase = phase;
    aircraft.groundMode = !stream.empty() && stream.front().airborne == 0 ? 1 : 0;
    return aircraft;
}

LiveFixture::LiveFixture()
{
    gf_restoreLiveSettings();
    state.reserve();
    state.tick = 10000;
}

LiveFixture::~LiveFixture()
{
    gf_restoreLiveSettings();
}

LiveAircraft& LiveFixture::add(LiveAircraft aircraft)
{
    state.live.push_back(std::move(aircraft));
    return state.live.back();
}

LiveAircraft& LiveFixture::addActive(LiveAircraft aircraft)
{
    aircraft.state = SimObjectState::active;
    aircraft.objectId = 500 + static_cast<uint32_t>(state.live.size());
    return add(std::move(aircraft));
}

std::vector<ClientEventRequest> LiveFixture::takeEvents()
{
    const SimCommandQueues::Lock held = commands.lock();
    std::vector<ClientEventRequest> events = std::move(commands.queued(held).events);
    commands.queued(held).events.clear();
    return events;
}

void LiveFixture::setUser(double lat, double lon, bool onGround, double groundSpeedKt)
{
    UserAircraftFix user;
    user.latitude = lat;
    user.longitude = lon;
    user.onGround = onGround;
    user.groundSpeedKt = groundSpeedKt;
    state.user = user;
}

} // namespace hlw::test
