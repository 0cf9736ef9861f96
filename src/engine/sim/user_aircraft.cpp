#include "engine/sim/user_aircraft.h"

#include <cmath>

namespace hlw {

bool gf_isKnownPosition(const LatLon& position) noexcept {
    return std::abs(position.lat) > 0.0001 || std::abs(position.lon) > 0.0001;
}

UserBlock UserAircraft::block() const {
    const std::lock_guard lock(mutex_);
    return block_;
}

LatLon UserAircraft::position() const {
    const std::lock_guard lock(mutex_);
    return {block_.latDeg, block_.lonDeg};
}

bool UserAircraft::positionKnown() const { return gf_isKnownPosition(position()); }

bool UserAircraft::blockArrived() const {
    const std::lock_guard lock(mutex_);
    return blockArrived_;
}

std::string UserAircraft::title() const {
    const std::lock_guard lock(mutex_);
    return title_;
}

double UserAircraft::halfWingSpanNm() const {
    const std::lock_guard lock(mutex_);
    return halfWingSpanNm_;
}

bool UserAircraft::onGround() const {
    const std::lock_guard lock(mutex_);
    return onGround_;
}

bool UserAircraft::groundDataArrived() const {
    const std::lock_guard lock(mutex_);
    return groundDataArrived_;
}

LatLon UserAircraft::storeBlock(UserBlock block, uint32_t objectId) {
    if (block.altitudeFt < 0.0) {
        block.altitudeFt = 0.0;
    }
    LatLon previous;
    {
        const std::lock_guard lock(mutex_);
        previous = {block_.latDeg, block_.lonDeg};
        block_ = block;
        blockArrived_ = true;
    }
    objectId_.store(objectId, std::memory_order_release);
    return previous;
}

bool UserAircraft::storeOnGround(bool onGround) {
    const std::lock_guard lock(mutex_);
    if (!gf_isKnownPosition({block_.latDeg, block_.lonDeg})) {
        return false;
    }
    onGround_ = onGround;
    groundDataArrived_ = true;
    return true;
}

bool UserAircraft::storeTitle(const std::string& title) {
    const std::lock_guard lock(mutex_);
    if (title == title_) {
        return false;
    }
    title_ = title;
    return true;
}

void UserAircraft::storeHalfWingSpan(double halfSpanNm) {
    const std::lock_guard lock(mutex_);
    halfWingSpanNm_ = halfSpanNm;
}

void UserAircraft::reset() {
    {
        const std::lock_guard lock(mutex_);
        block_ = UserBlock{};
        title_.clear();
        halfWingSpanNm_ = 0.0;
        onGround_ = false;
        groundDataArrived_ = false;
        blockArrived_ = false;
    }
    objectId_.store(kInitialUserObjectId);
}

} // namespace hlw
