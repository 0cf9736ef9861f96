#pragma once
// What the parking code asks of the main window. Parking owns this interface and never includes window code;
// the program entry installs the window's answer. Until then, and in the parking tests that install nothing,
// every call does nothing.
#include <cstdint>

namespace hlw {

class ParkingWindowPort {
  public:
    virtual ~ParkingWindowPort() = default;
    // The number of learned stand-use changes of the park airport changed: the parking band shows it.
    virtual void learnedUpdatesChanged(int32_t count) = 0;
    // "AUTO_RANGE" was set from an airport's learned file: the window applies it as its command does.
    virtual void applyAutoRange() = 0;
    // "INITIAL_LOAD_ONLY" was set from an airport's learned file: the "Now" button follows it.
    virtual void initialLoadOnlyChanged(bool initialLoadOnly) = 0;
    // A static-parking calculation begins (false) or has ended (true): the parking controls follow, and the status
    // area shows static parking busy meanwhile.
    virtual void parkingControls(bool enabled) { static_cast<void>(enabled); }
};

// Installs the answer that gf_parkingWindow() gives; nullptr restores the default. The port must outlive its use.
void gf_installParkingWindowPort(ParkingWindowPort* port) noexcept;
ParkingWindowPort& gf_parkingWindow() noexcept;

} // namespace hlw
