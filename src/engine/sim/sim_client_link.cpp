#include "engine/sim/sim_client_link.h"

#include "core/log.h"
#include "engine/base/run_state.h"
#include "platform/sim/sim_program_ids.h"

namespace hlw {
namespace {

using namespace sim_ids;

constexpr size_t reservedQueueEntries = 256;
// The user aircraft counts as standing on its stand up to this ground speed.
constexpr double maxParkedGroundSpeedKt = 2.0;

} // namespace

SimClientLink::SimClientLink(SimLinkEvents& events, SimClientLinkOptions options)
    : shared_(events, options.timing.now), client_(shared_, std::move(options.timing), std::move(options.modelFacts)) {}

SimClientLink::~SimClientLink() { client_.join(); }

void SimClientLink::resetQueues() {
    shared_.commands.clear();
    shared_.replies.clear();
    shared_.commands.reserve(reservedQueueEntries);
    simConnectError.store(false);
}

void SimClientLink::start() { client_.start(); }

void SimClientLink::stop() { client_.requestStop(); }

void SimClientLink::join() { client_.join(); }

template <class Call>
bool SimClientLink::request(const char* failureAlert, Call&& call) {
    if (simConnectError.load()) {
        return false;
    }
    const SimCommandQueues::Lock held = shared_.commands.lock();
    const HANDLE handle = shared_.handle.load();
    if (handle == nullptr) {
        return false;
    }
    if (call(handle) < 0) {
        if (failureAlert != nullptr) {
            gf_logAlert(failureAlert);
        }
        gf_onSimRequestError(shared_);
        return false;
    }
    return true;
}

bool SimClientLink::requestUserOnGround() {
    return request(nullptr, [](HANDLE handle) {
        return SimConnect_RequestDataOnSimObject(handle, kReqUserOnGround, kDefUserOnGround, SIMCONNECT_OBJECT_ID_USER,
                                                 SIMCONNECT_PERIOD_SECOND);
    });
}

UserBlock SimClientLink::requestUserAcPosition() {
    request("SimConnect request user ac position fails", [](HANDLE handle) {
        return SimConnect_RequestDataOnSimObject(handle, kReqUserBlock, kDefUserBlock, SIMCONNECT_OBJECT_ID_USER,
                                                 SIMCONNECT_PERIOD_ONCE);
    });
    return shared_.user.block();
}

void SimClientLink::requestUserAcTitleModel() {
    request("SimConnect request user ac title fails", [](HANDLE handle) {
        return SimConnect_RequestDataOnSimObject(handle, kReqUserTitle, kDefUserTitle, SIMCONNECT_OBJECT_ID_USER,
                                                 SIMCONNECT_PERIOD_ONCE);
    });
    request("SimConnect request user ac model fails", [](HANDLE handle) {
        return SimConnect_RequestDataOnSimObject(handle, kReqUserModel, kDefUserModel, SIMCONNECT_OBJECT_ID_USER,
                                                 SIMCONNECT_PERIOD_ONCE);
    });
}

bool SimClientLink::requestAircraftInRange(uint32_t radiusMeters) {
    return request("SimConnect request ac within range fails", [radiusMeters](HANDLE handle) {
        return SimConnect_RequestDataOnSimObjectType(handle, kReqInRange, kDefInRange, radiusMeters,
                                                     SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    });
}

bool SimClientLink::requestStaticCg(uint32_t objectId) {
    return request("SimConnect request StaticCG fails", [objectId](HANDLE handle) {
        return SimConnect_RequestDataOnSimObject(handle, kReqStaticCg, kDefStaticCg, objectId, SIMCONNECT_PERIOD_ONCE);
    });
}

bool SimClientLink::setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) {
    return request("SimConnect set spoilers and throttle fails", [objectId, &data](HANDLE handle) {
        return SimConnect_SetDataOnSimObject(handle, kDefSpoilersThrottle, objectId, SIMCONNECT_DATA_SET_FLAG_DEFAULT,
                                             0, sizeof data, &data);
    });
}

bool SimClientLink::assignFlightPlan(uint32_t objectId, const std::string& path) {
    if (simConnectError.load()) {
        return false;
    }
    const SimCommandQueues::Lock held = shared_.commands.lock();
    const HANDLE handle = shared_.handle.load();
    return handle != nullptr && SimConnect_AISetAircraftFlightPlan(handle, objectId, path.c_str(), kReqFlightPlan) >= 0;
}

std::optional<UserAircraftFix> SimClientLink::requestUserPosition() {
    requestUserAcPosition();
    if (!shared_.user.blockArrived()) {
        return std::nullopt;
    }
    return userAircraft();
}

UserAircraftFix SimClientLink::userAircraft() const {
    const UserBlock block = shared_.user.block();
    return {block.latDeg,  block.lonDeg,     block.altitudeFt,  shared_.user.onGround(),
            block.pitchRad, block.bankRad, block.headingRad, block.groundVelocityKt, block.altAboveGroundFt,
            shared_.user.halfWingSpanNm()};
}

void SimClientLink::showUserStand(const ParkingPort& parking) {
    const LatLon position = shared_.user.position();
    const std::string stand = parking.nearestStandName(position.lat, position.lon);
    if (stand != shownStand_) {
        shared_.events.showStandText(stand);
        shownStand_ = stand;
    }
}

void SimClientLink::keepUserStand(ParkingPort& parking) {
    if (!shared_.user.groundDataArrived()) {
        return;
    }
    const UserBlock block = shared_.user.block();
    if (block.groundVelocityKt > maxParkedGroundSpeedKt) {
        return;
    }
    const std::string stand = parking.nearestStandName(block.latDeg, block.lonDeg);
    if (!stand.empty() && parking.reservedStand() != stand) {
        parking.reserveStandForUser(stand);
    }
}

void SimClientLink::resetRun() {
    shared_.commands.clear();
    shared_.replies.clear();
    shared_.user.reset();
    shownStand_.clear();
}

} // namespace hlw
