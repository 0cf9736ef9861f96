#include "app/parking_window_hooks.h"

#include "settings/catalogue.h"
#include "settings/control_services.h"

namespace hlw {

void ParkingWindowHooks::learnedUpdatesChanged(int32_t count)
{
    status_.update([count](StatusValues& values) { values.updateCount = count; });
}

void ParkingWindowHooks::applyAutoRange()
{
    const bool automatic = settings::autoRange.get();
    gf_enableControl(settings::range, !automatic);
    gf_enableControl(settings::arAboveHeight, automatic);
    if (automatic) {
        requests_.autoRange.store(true);
    }
}

void ParkingWindowHooks::initialLoadOnlyChanged(bool initialLoadOnly)
{
    if (controls_.nowAllowed()) {
        gf_enableControl(settings::nowButton, !initialLoadOnly);
    }
}

void ParkingWindowHooks::parkingControls(bool enabled)
{
    if (enabled) {
        controls_.enableParking();
    } else {
        controls_.disableParking();
    }
}

} // namespace hlw
