#pragma once
// Everything a worker works with besides the settings and the shared run flags: its neighbours (the seams that
// later parts of the program fill), the clock, the status values, the traffic queue, the window's requests and
// the reset hooks. The program entry owns these objects for the whole program run and hands them to each worker.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "engine/base/reset_registry.h"
#include "engine/intake/traffic_queue.h"
#include "engine/intake/traffic_readers.h"
#include "engine/link/live_traffic_link.h"
#include "engine/live/engine_tick.h"
#include "engine/live/lifecycle_hooks.h"
#include "engine/run/app_services.h"
#include "engine/run/window_port.h"
#include "engine/run/worker_requests.h"
#include "engine/sim/sim_link.h"
#include "parking/addon_scan_port.h"
#include "parking/parking_port.h"

namespace hlw {

struct WorkerContext {
    SimLink& simLink;
    TrafficReaders& readers;
    LiveTrafficLink& liveLink;
    EngineTick& tick;
    LifecycleHooks& lifecycle;
    ParkingPort& parking;
    AddonScanPort& addonScan;
    AppServices& app;
    WindowPort& window;
    SteadyTimeSource& time;
    StatusBoard& status;
    TrafficQueue& traffic;
    WorkerRequests& requests;
    ResetRegistry& resets;
};

} // namespace hlw
