#pragma once
// The simulator of the headless driver, in-process: on every frame it takes the commands the driver queued. A
// creation becomes an object (ids from 100 on) with a "liveCreated" and a static-CG reply (8 ft, 0.7 degrees),
// unless its title holds the refused text ("createFailed"); a removal removes the object ("objectRemoved"); sent
// positions move the objects; client events are kept. Every 20 ticks each object reports whether it is on the
// ground, from the stand-in's terrain and on-ground rule, so that both agree.
#include "engine/sim/sim_commands.h"
#include "engine/sim/sim_replies.h"
#include "sim_object.h"
#include "terrain.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace hlw::test {

class FakeSimulator {
public:
    FakeSimulator(SimCommandQueues& commands, SimReplyQueue& replies) : commands_(commands), replies_(replies) {}

    // One frame at the engine tick.
    void frame(int32_t tick);

    standin::Terrain terrain;
    // A creation whose title contains this text fails; empty: none fails.
    std::string refusedText;
    std::map<uint32_t, standin::SimObject> objects;
    std::vector<ClientEventRequest> events;
    uint32_t created = 0;
    uint32_t removed = 0;

private:
    SimCommandQueues& commands_;
    SimReplyQueue& replies_;
    uint32_t nextObjectId_ = 100;
};

} // namespace hlw::test
