#pragma once
// What the worker and the simulator client thread share of one simulator link: the connection handle, the
// command queues, the reply queue and the user aircraft. The link (sim_link.h) owns one and hands it to the
// thread it starts.
#include "engine/sim/sim_commands.h"
#include "engine/sim/sim_link_events.h"
#include "engine/sim/sim_replies.h"
#include "engine/sim/user_aircraft.h"
#include "platform/sim/simconnect_shim.h"

#include <atomic>
#include <chrono>
#include <functional>

namespace hlw {

using SteadyTime = std::chrono::steady_clock::time_point;
using SteadyClock = std::function<SteadyTime()>;

struct SimLinkShared {
    SimLinkShared(SimLinkEvents& linkEvents, SteadyClock clock) : events(linkEvents), now(std::move(clock)) {}

    SimLinkEvents& events;
    const SteadyClock now;
    // The open connection, or null. Published by the client thread after the open; nulled under the command
    // mutex before that thread closes its copy, so no request of the worker runs on a closing connection.
    std::atomic<HANDLE> handle{nullptr};
    SimCommandQueues commands;
    SimReplyQueue replies;
    UserAircraft user;
};

// A failed request: "SimConnect request error" on the message line, the error flag set and a stop with a
// 9 s restart asked for.
void gf_onSimRequestError(SimLinkShared& shared);

} // namespace hlw
