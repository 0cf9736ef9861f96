#pragma once
// The engine tick that every main-loop step runs while a flight runs, and the pieces of it the other steps use.
// The defaults move nothing.
namespace hlw {

class EngineTick {
public:
    virtual ~EngineTick() = default;

    // One 10 ms step of the live aircraft: replies, motion, removals, commands, intake.
    virtual void tick() {}
    // The simulator's replies alone (the step without a running flight).
    virtual void applySimReplies() {}
    // Traffic start: reserves the engine's containers.
    virtual void reserve() {}
    // The run reset before a restart.
    virtual void reset() {}
};

} // namespace hlw
