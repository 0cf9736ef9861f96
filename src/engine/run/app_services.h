#pragma once
// What the worker asks of the program shell: the version check, the start-up state of the controls, the
// destination and the automatic range. The defaults find no new version and change nothing.
#include "core/fixed_code.h"

namespace hlw {

class AppServices {
public:
    virtual ~AppServices() = default;

    // First start of a program run: new program and data versions. False ends the start-up (a newer program
    // stops the run with "NEW VERSION" itself).
    virtual bool checkVersions() { return true; }
    // Enables and fills the simulator-dependent controls once the settings are loaded.
    virtual void enableStartUpControls() {}
    // The window's destination command for a known airport.
    virtual void applyDestination(const FixedCode<4>& airport) { static_cast<void>(airport); }
    // The automatic range ("AUTO_RANGE").
    virtual void computeAutoRange() {}
};

} // namespace hlw
