#pragma once
// What one program run owns for its workers: the status values, the traffic queue, the window's requests, the
// reset hooks and the worker's neighbours. A neighbour whose part of the program is not built yet is its default:
// the idle simulator link, readers that receive nothing, no live-traffic link, an empty engine tick, no aircraft,
// no park airport, and a shell without version check.
#include "engine/app_services.h"
#include "engine/engine_tick.h"
#include "engine/idle_sim_link.h"
#include "engine/lifecycle_hooks.h"
#include "engine/live_traffic_link.h"
#include "engine/worker_context.h"
#include "parking/parking_port.h"

namespace hlw {

struct ProgramParts {
    IdleSimLink simLink;
    TrafficReaders readers;
    LiveTrafficLink liveLink;
    EngineTick tick;
    LifecycleHooks lifecycle;
    ParkingPort parking;
    AppServices app;
    StatusBoard status;
    TrafficQueue traffic;
    WorkerRequests requests;
    ResetRegistry resets;

    WorkerContext context(WindowPort& window, SteadyTimeSource& time)
    {
        return {simLink, readers, liveLink, tick, lifecycle, parking, app, window, time, status, traffic, requests,
                resets};
    }
};

} // namespace hlw
