#pragma once
// The user's own aircraft as the simulator reports it: the last position block, the title, whether it is on
// the ground, and its half wing span. Written on the simulator client thread, read by the worker; everything
// but the object id sits behind one small mutex that is a leaf lock (nothing else is taken while it is held).
#include "core/geodesy.h"
#include "engine/sim/sim_data_records.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace hlw {

// Until the first user block names it, the user object is taken to be object 2; ids at or below the user
// object's are never the program's AI aircraft.
inline constexpr uint32_t kInitialUserObjectId = 2;

// True when a position lies more than 0.0001 degrees from 0, 0 in latitude or longitude.
bool gf_isKnownPosition(const LatLon& position) noexcept;

class UserAircraft {
public:
    UserBlock block() const;
    LatLon position() const;
    bool positionKnown() const;
    // A block arrived since the start of the run.
    bool blockArrived() const;
    std::string title() const;
    double halfWingSpanNm() const;
    bool onGround() const;
    bool groundDataArrived() const;
    uint32_t objectId() const noexcept { return objectId_.load(std::memory_order_acquire); }

    // Stores a block (a negative altitude as 0) and returns the position it replaces.
    LatLon storeBlock(UserBlock block, uint32_t objectId);
    // False (nothing stored) while no position is known yet.
    bool storeOnGround(bool onGround);
    // True when the title differs from the stored one (and is now stored).
    bool storeTitle(const std::string& title);
    void storeHalfWingSpan(double halfSpanNm);

    // Back to the start of a run.
    void reset();

private:
    mutable std::mutex mutex_;
    UserBlock block_;
    std::string title_;
    double halfWingSpanNm_ = 0.0;
    bool onGround_ = false;
    bool groundDataArrived_ = false;
    bool blockArrived_ = false;
    std::atomic<uint32_t> objectId_{kInitialUserObjectId};
};

} // namespace hlw
