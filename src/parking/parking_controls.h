#pragma once
// The window's parking controls and the busy flag that goes with them: while static parking is calculated, placed
// or adjusted the controls are disabled and the parking counts as busy. Switched on the worker; the flag may be read
// from any thread.
#include <atomic>

namespace hlw {

class ParkingControls {
  public:
    // Enables or disables the window's parking controls; disabled means busy.
    void enable(bool enabled);
    bool busy() const noexcept { return busy_.load(); }
    // Not busy, the window left as it is (the run reset).
    void clearBusy() noexcept { busy_.store(false); }

  private:
    std::atomic<bool> busy_{false};
};

} // namespace hlw
