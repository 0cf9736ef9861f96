#include "parking/parking_controls.h"

#include "parking/parking_window_port.h"

namespace hlw {

void ParkingControls::enable(bool enabled)
{
    busy_.store(!enabled);
    gf_parkingWindow().parkingControls(enabled);
}

} // namespace hlw
