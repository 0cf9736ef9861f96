#include "fake_simulator.h"

#include "variable_values.h"

namespace hlw::test {

namespace {

constexpr double staticCgFt = 8.0;
constexpr double radPerDeg = 0.017453292519943295;
constexpr double staticPitchRad = 0.7 * radPerDeg;
constexpr int32_t groundReportTicks = 20;

} // namespace

void FakeSimulator::frame(int32_t tick)
{
    QueuedCommands taken;
    {
        const SimCommandQueues::Lock held = commands_.lock();
        std::swap(taken, commands_.queued(held));
    }
    for (const AiCreateRequest& request : taken.creations) {
        if (!refusedText.empty() && request.title.find(refusedText) != std::string::npos) {
            replies_.push({0, request.hexId, 0, SimReplyType::createFailed, 0.0, 0.0});
            continue;
        }
        standin::SimObject object;
        object.id = nextObjectId_++;
        object.kind = standin::ObjectKind::Own;
        object.title = request.title;
        object.atcId = request.callsign;
        object.latDeg = request.position.Latitude;
        object.lonDeg = request.position.Longitude;
        object.altFt = request.position.Altitude;
        object.pitchRad = request.position.Pitch * radPerDeg;
        object.bankRad = request.position.Bank * radPerDeg;
        object.headingRad = request.position.Heading * radPerDeg;
        object.staticCgFt = staticCgFt;
        object.staticPitchRad = staticPitchRad;
        // Like the simulator, an object asked for on the ground stands on the terrain.
        if (request.position.OnGround != 0) {
            object.altFt = terrain.elevationFt(object.latDeg, object.lonDeg) + staticCgFt;
        }
        const double aboveGround = object.altFt - terrain.elevationFt(object.latDeg, object.lonDeg);
        replies_.push({object.id, request.hexId, 0, SimReplyType::liveCreated, 0.0, aboveGround});
        replies_.push({object.id, 0, 0, SimReplyType::staticCg, staticCgFt, staticPitchRad});
        objects.emplace(object.id, object);
        ++created;
    }
    for (const uint32_t objectId : taken.removals) {
        if (objects.erase(objectId) != 0) {
            replies_.push({objectId, 0, 0, SimReplyType::objectRemoved, 0.0, 0.0});
            ++removed;
        }
    }
    for (const AiPositionUpdate& update : taken.positions) {
        if (const auto it = objects.find(update.objectId); it != objects.end()) {
            standin::SimObject& object = it->second;
            object.latDeg = update.data.latDeg;
            object.lonDeg = update.data.lonDeg;
            object.altFt = update.data.altitudeFt;
            object.pitchRad = update.data.pitchRad;
            object.bankRad = update.data.bankRad;
            object.headingRad = update.data.headingRad;
        }
    }
    events.insert(events.end(), taken.events.begin(), taken.events.end());
    if (tick % groundReportTicks == 0) {
        for (const auto& [id, object] : objects) {
            const double ground = terrain.elevationFt(object.latDeg, object.lonDeg);
            replies_.push({id, standin::gf_isOnGround(object, ground) ? 1u : 0u, 0, SimReplyType::onGroundStatus,
                           ground, object.altFt - ground});
        }
    }
}

} // namespace hlw::test
