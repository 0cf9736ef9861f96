#pragma once
// The program's link to the simulator, owned by the worker for one program run: the shared queues and user
// aircraft, the simulator client thread, and the worker's own requests on the connection. No thread of it
// outlives the link, and a stopped thread is joined before the next one starts.
#include "engine/sim/sim_client.h"
#include "engine/sim/sim_link.h"
#include "engine/sim/sim_link_shared.h"
#include "engine/sim/sim_requests.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace hlw {

struct SimClientLinkOptions {
    SimClientTiming timing = gf_realSimClientTiming();
    SimClientThread::ModelFactsSource modelFacts = gf_referenceModelFacts;
};

class SimClientLink final : public SimLink, public SimRequests {
public:
    explicit SimClientLink(SimLinkEvents& events, SimClientLinkOptions options = {});
    ~SimClientLink() override;
    SimClientLink(const SimClientLink&) = delete;
    SimClientLink& operator=(const SimClientLink&) = delete;

    // Traffic start: the queues of an earlier run emptied with room for 256 entries each, the error flag cleared.
    void resetQueues() override;
    // Starts the client thread, after stopping and joining one that still runs.
    void start() override;
    // Asks the client thread to end; it closes the connection on its way out.
    void stop() override;
    // Waits for the client thread to end.
    void join() override;
    bool threadRunning() const { return client_.running(); }

    // The worker logs the failure of this one itself.
    bool requestUserOnGround() override;
    std::optional<UserAircraftFix> requestUserPosition() override;
    void requestUserTitle() override { requestUserAcTitleModel(); }
    UserAircraftFix userAircraft() const override;
    void discardAiPositions() override { shared_.commands.clearPositions(); }
    void showUserStand(const ParkingPort& parking) override;
    void keepUserStand(ParkingPort& parking) override;

    // The worker's requests, each under the command mutex; a failed one raises the request error. Nothing is
    // asked while the error flag is set or no connection is open.
    // Asks for the user block once and returns the copy received last (so the answer shows in the next call).
    UserBlock requestUserAcPosition();
    void requestUserAcTitleModel();
    bool requestAircraftInRange(uint32_t radiusMeters) override;
    bool requestStaticCg(uint32_t objectId) override;
    bool setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) override;
    bool assignFlightPlan(uint32_t objectId, const std::string& path) override;

    SimCommandQueues& commands() { return shared_.commands; }
    SimReplyQueue& replies() { return shared_.replies; }
    const UserAircraft& user() const { return shared_.user; }
    HANDLE connection() const { return shared_.handle.load(); }

    // Back to the start of a run: queues, replies and the user aircraft (the client thread has ended).
    void resetRun();

private:
    template <class Call>
    bool request(const char* failureAlert, Call&& call);

    SimLinkShared shared_;
    SimClientThread client_;
    std::string shownStand_; // the worker's: the stand name the status area shows
};

} // namespace hlw
