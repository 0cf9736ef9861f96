#include "engine/sim_client_link.h"

#include "core/log.h"
#include "engine/run_state.h"
#include "platform/sim/sim_program_ids.h"

namespace hlw {
namespace {

using namespace sim_ids;

constexpr size_t reservedQueueEntries = 256;

} // namespace

SimClientLink::SimClientLink(SimLinkEvents& events, SimClientLinkOptions options)
    : shared_(events, options.timing.now), client_(shared_, std::move(options.timing), std::move(options.modelFacts)) {}

SimClientLink::~SimClientLink() { client_.join(); }

bool SimClientLink::resetQueues() {
    shared_.commands.reserve(reservedQueueEntries);
    return simConnectError.exchange(false);
}

void SimClientLink::start() { client_.start(); }

void SimClientLink::requestStop() { client_.requestStop(); }

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
        gf_logAlert(failureAlert);
        gf_onSimRequestError(shared_);
        return false;
    }
    return true;
}

bool SimClientLink::requestUserOnGroundEverySecond() {
    return request("SimConnect request ac gnd/air fails", [](HANDLE handle) {
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

void SimClientLink::resetRun() {
    shared_.commands.clear();
    shared_.replies.clear();
    shared_.user.reset();
}

} // namespace hlw
