#pragma once
// The simulator link of a program without a simulator connection: a flight runs from the start, the user
// aircraft stands still at a fixed point on the ground, and a thread of its own delivers the once-per-second
// report on the steady clock (userDataArrived), so the main loop keeps its pace and its seconds.
#include "engine/sim/sim_link.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace hlw {

class IdleSimLink final : public SimLink {
public:
    // The traffic centre of the bundled sample scenario (Amsterdam Schiphol).
    static constexpr UserAircraftFix sampleCentre{52.3086, 4.7639, 0.0, true};

    explicit IdleSimLink(UserAircraftFix user = sampleCentre,
                         std::chrono::milliseconds reportPeriod = std::chrono::seconds(1));
    ~IdleSimLink() override;
    IdleSimLink(const IdleSimLink&) = delete;
    IdleSimLink& operator=(const IdleSimLink&) = delete;

    void resetQueues() override {}
    void start() override;
    void stop() override;
    void join() override;
    bool requestUserOnGround() override { return true; }
    std::optional<UserAircraftFix> requestUserPosition() override { return user_; }
    void requestUserTitle() override {}
    UserAircraftFix userAircraft() const override { return user_; }
    void discardAiPositions() override {}

private:
    void report();

    const UserAircraftFix user_;
    const std::chrono::milliseconds reportPeriod_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace hlw
