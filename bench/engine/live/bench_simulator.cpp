#include "bench_simulator.h"

#include "records/flight_record.h"

#include <utility>

namespace hlw::bench {

namespace {

constexpr double staticCgFt = 8.0;
constexpr double staticPitchRad = 0.7 * 0.017453292519943295;
constexpr double inRangeCeilingFt = 2500.0;

} // namespace

BenchSimulator::BenchSimulator(SimCommandQueues& commands, SimReplyQueue& replies, const LatLon& user, double groundFt)
    : commands_(commands), replies_(replies), groundFt_(groundFt)
{
    user_.latitude = user.lat;
    user_.longitude = user.lon;
    user_.altitudeFt = groundFt;
    user_.onGround = true;
    objects_.reserve(4096);
}

bool BenchSimulator::requestAircraftInRange(uint32_t)
{
    inRangeAsked_ = true;
    return true;
}

bool BenchSimulator::requestStaticCg(uint32_t objectId)
{
    cgAsked_.push_back(objectId);
    return true;
}

BenchSimulator::Object* BenchSimulator::find(uint32_t objectId)
{
    const std::size_t index = objectId - firstObjectId;
    return objectId >= firstObjectId && index < objects_.size() && objects_[index].exists ? &objects_[index] : nullptr;
}

void BenchSimulator::frame()
{
    {
        const SimCommandQueues::Lock held = commands_.lock();
        std::swap(taken_, commands_.queued(held));
    }
    for (const AiCreateRequest& request : taken_.creations) {
        const auto objectId = static_cast<uint32_t>(firstObjectId + objects_.size());
        const bool isStatic = request.hexId <= staticHexIdLimit;
        objects_.push_back({true, isStatic, request.position.Altitude});
        ++objectCount_;
        if (isStatic) {
            replies_.push({objectId, request.hexId, 0, SimReplyType::staticCreated, 0.0, 0.0});
        } else {
            replies_.push(
                {objectId, request.hexId, 0, SimReplyType::liveCreated, 0.0, request.position.Altitude - groundFt_});
        }
    }
    for (const uint32_t objectId : taken_.removals) {
        if (Object* object = find(objectId)) {
            object->exists = false;
            --objectCount_;
            replies_.push({objectId, 0, 0, SimReplyType::objectRemoved, 0.0, 0.0});
        }
    }
    for (const AiPositionUpdate& update : taken_.positions) {
        if (Object* object = find(update.objectId)) {
            object->altitudeFt = update.data.altitudeFt;
        }
    }
    positionsTaken_ += taken_.positions.size();
    for (const uint32_t objectId : cgAsked_) {
        if (find(objectId) != nullptr) {
            replies_.push({objectId, 0, 0, SimReplyType::staticCg, staticCgFt, staticPitchRad});
        }
    }
    cgAsked_.clear();
    if (inRangeAsked_) {
        inRangeAsked_ = false;
        for (std::size_t index = 0; index < objects_.size(); ++index) {
            const Object& object = objects_[index];
            const double aboveGround = object.altitudeFt - groundFt_;
            if (object.exists && !object.isStatic && aboveGround <= inRangeCeilingFt) {
                const uint32_t onGround = aboveGround <= staticCgFt + 1.0 ? 1 : 0;
                replies_.push({static_cast<uint32_t>(firstObjectId + index), onGround, 0, SimReplyType::onGroundStatus,
                               groundFt_, aboveGround});
            }
        }
    }
    taken_.clear();
}

} // namespace hlw::bench
