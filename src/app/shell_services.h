#pragma once
// The program shell's answers to the worker: the start-up state of the main window's controls. The version
// check, the destination and the automatic range keep the worker's defaults until the shell provides them.
#include "app/sim_controls.h"
#include "engine/app_services.h"

namespace hlw {

class ShellServices final : public AppServices {
  public:
    explicit ShellServices(SimControls& controls) : controls_(controls) {}

    void enableStartUpControls() override { controls_.enableForStartUp(); }

  private:
    SimControls& controls_;
};

} // namespace hlw
