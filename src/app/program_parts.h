#pragma once
// What one program run owns for its workers: the status values, the traffic queue, the window's requests, the
// reset hooks, the state of the window's controls and the worker's neighbours. A neighbour whose part of the
// program is not built yet is its default: an empty engine tick, no aircraft, no park airport, and a shell
// without version check.
#include "app/shell_services.h"
#include "app/sim_controls.h"
#include "engine/engine_tick.h"
#include "engine/lifecycle_hooks.h"
#include "engine/live_traffic_readers.h"
#include "engine/live_traffic_server.h"
#include "engine/sim_client_link.h"
#include "engine/sim_link_run_events.h"
#include "engine/worker_context.h"
#include "parking/parking_port.h"

namespace hlw {

struct ProgramParts {
    ProgramParts() { resets.add("simulator link", [this] { simLink.resetRun(); }); }
    ProgramParts(const ProgramParts&) = delete;
    ProgramParts& operator=(const ProgramParts&) = delete;

    // First: the simulator link reports to it.
    StatusBoard status;
    ResetRegistry resets;
    SimLinkRunEvents simEvents{status};
    SimClientLink simLink{simEvents};
    TrafficQueue traffic;
    LiveTrafficReaders readers{traffic, status, resets, gf_systemSteadyTime()};
    EngineTick tick;
    LifecycleHooks lifecycle;
    LiveTrafficServer liveLink{simLink, readers, lifecycle, status, resets};
    ParkingPort parking;
    SimControls controls{status};
    ShellServices app{controls};
    WorkerRequests requests;

    WorkerContext context(WindowPort& window, SteadyTimeSource& time)
    {
        return {simLink, readers, liveLink, tick, lifecycle, parking, app, window, time, status, traffic, requests,
                resets};
    }
};

} // namespace hlw
