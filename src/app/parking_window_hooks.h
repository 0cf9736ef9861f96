#pragma once
// The main window's answer to what the parking code asks of it (parking/parking_window_port.h): the learned
// updates count of the parking band, the range lists after a learned file set "AUTO_RANGE", "Now" after it set
// "INITIAL_LOAD_ONLY", and the parking controls around a static-parking calculation. Any thread may call it; it
// reaches the window through the status board and the control port, and the worker through its requests, and never
// waits.
#include "app/sim_controls.h"
#include "core/status_board.h"
#include "engine/run/worker_requests.h"
#include "parking/parking_window_port.h"

namespace hlw {

class ParkingWindowHooks final : public ParkingWindowPort {
  public:
    ParkingWindowHooks(StatusBoard& status, SimControls& controls, WorkerRequests& requests)
        : status_(status), controls_(controls), requests_(requests)
    {
    }

    void learnedUpdatesChanged(int32_t count) override;
    // The range lists follow the setting: "RANGE" chosen by hand while it is off, "AR_ABOVE_HEIGHT" while it is on;
    // switched on, the worker computes the range at its next second.
    void applyAutoRange() override;
    // "Now" is enabled exactly while the setting is off, once the start-up has allowed it.
    void initialLoadOnlyChanged(bool initialLoadOnly) override;
    void parkingControls(bool enabled) override;

  private:
    StatusBoard& status_;
    SimControls& controls_;
    WorkerRequests& requests_;
};

} // namespace hlw
