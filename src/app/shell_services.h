#pragma once
// The program shell's answers to the worker, on the worker thread: the start-up state of the main window's
// controls, the version check, the destination at start-up and the automatic range.
#include "app/sim_controls.h"
#include "engine/run/app_services.h"
#include "engine/sim/sim_link.h"
#include "parking/parking_port.h"

#include <functional>
#include <string>

namespace hlw {

class ShellServices final : public AppServices {
  public:
    ShellServices(SimControls& controls, const SimLink& simLink, ParkingPort& parking)
        : controls_(controls), simLink_(simLink), parking_(parking)
    {
    }

    // First start of a program run: new program and data versions (app/updater.h).
    bool checkVersions() override;
    void enableStartUpControls() override { controls_.enableForStartUp(); }
    // The stored destination: shown, and put first into the park-airport list at once (the worker owns it).
    void applyDestination(const FixedCode<4>& airport) override;
    // The range from the user aircraft and the park-airport list's first airport.
    void computeAutoRange() override;

    // Set before the first worker starts: how the updater shows a note to the user.
    void setMessageBox(std::function<void(const std::string&, const std::string&)> messageBox)
    {
        messageBox_ = std::move(messageBox);
    }

  private:
    SimControls& controls_;
    const SimLink& simLink_;
    ParkingPort& parking_;
    std::function<void(const std::string&, const std::string&)> messageBox_;
};

} // namespace hlw
