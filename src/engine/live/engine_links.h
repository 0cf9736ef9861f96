#pragma once
// The neighbours of the traffic engine: the simulator link's queues and requests, the live-traffic link, the
// traffic queue, the parking port, the status values, the clock and the flight-plan folder. The program entry owns
// them and hands them to the engine, which keeps them for the program run.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "engine/intake/traffic_queue.h"
#include "engine/link/live_traffic_link.h"
#include "engine/sim/sim_commands.h"
#include "engine/sim/sim_replies.h"
#include "engine/sim/sim_requests.h"
#include "parking/parking_port.h"

#include <filesystem>
#include <functional>

namespace hlw {

struct EngineLinks {
    SimCommandQueues& commands;
    SimReplyQueue& replies;
    SimRequests& sim;
    LiveTrafficLink& liveLink;
    TrafficQueue& traffic;
    ParkingPort& parking;
    StatusBoard& status;
    SteadyTimeSource& time;
    // Where flight plans go; asked at each write, so that it follows the per-user data folder.
    std::function<std::filesystem::path()> flightPlanFolder;
};

} // namespace hlw
