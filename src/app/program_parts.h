#pragma once
// What one program run owns for its workers: the status values, the traffic queue, the window's requests, the
// reset hooks, the state of the window's controls and the worker's neighbours, the traffic engine with its live
// and static aircraft among them, and the park airport with the engine's side of it. It installs the parking
// code's window hooks and the destination stands for the airports database while it exists.
#include "app/parking_window_hooks.h"
#include "app/shell_services.h"
#include "app/sim_controls.h"
#include "engine/intake/live_traffic_readers.h"
#include "engine/link/live_traffic_server.h"
#include "engine/live/engine_lifecycle.h"
#include "engine/live/live_motion.h"
#include "engine/live/live_safety.h"
#include "engine/live/parking_traffic_link.h"
#include "engine/live/traffic_engine.h"
#include "engine/run/link_run_events.h"
#include "engine/run/sim_link_run_events.h"
#include "engine/run/start_up.h"
#include "engine/run/worker_context.h"
#include "engine/sim/sim_client_link.h"
#include "parking/addon_scan.h"
#include "parking/destination_stands.h"
#include "parking/parking_service.h"
#include "refdata/closest_stand_port.h"

namespace hlw {

struct ProgramParts {
    ProgramParts()
    {
        lifecycle.attach(tick);
        parkingTraffic.attach(tick);
        resets.add("simulator link", [this] { simLink.resetRun(); });
        resets.add("park airport", [this] {
            parking.resetRun();
            destinations.clear();
        });
        gf_installParkingWindowPort(&parkingWindow);
        gf_installClosestStandPort(&destinations);
    }
    ~ProgramParts()
    {
        gf_installClosestStandPort(nullptr);
        gf_installParkingWindowPort(nullptr);
    }
    ProgramParts(const ProgramParts&) = delete;
    ProgramParts& operator=(const ProgramParts&) = delete;

    // Each member refers only to members above it. The engine sends through the live-traffic link and places
    // static aircraft through the parking service, and both call back into the engine: their engine-side parts
    // are made first and attached to the engine in the constructor's body.
    // First: the simulator link reports to it.
    StatusBoard status;
    ResetRegistry resets;
    SimLinkRunEvents simEvents{status};
    SimClientLink simLink{simEvents};
    TrafficQueue traffic;
    LiveTrafficReaders readers{traffic, status, resets, gf_systemSteadyTime()};
    EngineParkingTraffic parkingTraffic{readers, traffic};
    ParkingService parking{parkingTraffic, status, gf_systemSteadyTime()};
    DestinationStands destinations{gf_systemSteadyTime()};
    AddonAirportsScan addonScan{status, gf_systemSteadyTime()};
    LiveMotion motion{readers};
    LiveSafety safety;
    // The link removes the engine's aircraft when its client goes.
    EngineLifecycle lifecycle{safety};
    LinkRunEvents linkEvents{simLink, readers, lifecycle};
    LiveTrafficServer liveLink{linkEvents, status, resets};
    TrafficEngine tick{{simLink.commands(), simLink.replies(), simLink, liveLink, traffic, parking, status,
                        gf_systemSteadyTime(), gf_flightPlanFolder},
                       motion};
    SimControls controls{status};
    WorkerRequests requests;
    ParkingWindowHooks parkingWindow{status, controls, requests};
    ShellServices app{controls, simLink, parking};

    WorkerContext context(WindowPort& window, SteadyTimeSource& time)
    {
        return {simLink, readers, liveLink, tick, lifecycle, parking, addonScan, app, window, time, status, traffic,
                requests, resets};
    }
};

} // namespace hlw
