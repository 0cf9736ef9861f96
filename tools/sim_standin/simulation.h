#pragma once
// The stand-in's world and everything the clients registered, behind one mutex: the reader threads
// apply received calls, the simulation thread advances time, the control port reads and scripts it.
// Outgoing records are handed to a ClientSink, which queues them per connection and never blocks.
#include "client_state.h"
#include "data_definition.h"
#include "facility_store.h"
#include "sim_object.h"
#include "terrain.h"
#include "title_rules.h"
#include "trace_writer.h"
#include "track_writer.h"
#include "user_script.h"
#include "zulu_clock.h"

#include "platform/sim/sim_wire.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace hlw::standin {

class ClientSink {
public:
    virtual ~ClientSink() = default;
    // Queues one complete wire frame for the client; never blocks for long.
    virtual void sendFrame(uint32_t clientId, Bytes frame) = 0;
    // Ends the client's connection once the frames queued so far are written.
    virtual void closeAfterFlush(uint32_t clientId) = 0;
};

using Clock = std::chrono::steady_clock;

struct CreationOptions {
    bool strict = false;
    std::vector<std::string> knownTitles; // the titles strict mode accepts (patterns)
    std::chrono::milliseconds delay{100};
    bool suppressAdded = false;
    bool addedLate = false;
    size_t maxObjects = 1000;
};

struct SimulatorIdentity {
    std::string appName = "KittyHawk";
    std::array<DWORD, 4> version{11, 0, 282174, 999};
};

// What goes wrong with the facility answers for one airport (the control port's "facility" switches).
struct FacilityFault {
    std::chrono::milliseconds delay{0}; // the answer comes this much later
    bool noEnd = false;                 // no end record
    bool shortPayloads = false;         // every data block cut to half its length
    bool drop = false;                  // the connection closes after half of the answer
};

// Created objects are numbered from here by default, well above the user aircraft's id as a simulator numbers
// them; a client that takes small ids for its own (the user's and below) never sees one.
inline constexpr uint32_t defaultFirstObjectId = 1000;

struct StartOptions {
    double frameHz = 30.0;
    std::filesystem::path facilityDir = "samples/facilities";
    uint32_t userId = 1;
    uint32_t firstObjectId = 0; // 0: defaultFirstObjectId, or just above the user id when that is higher
};

class Simulation {
public:
    Simulation(ClientSink& sink, StartOptions options, Clock::time_point now = Clock::now());

    // Connections (called by the connection layer, which numbers them).
    void connect(uint32_t clientId, const std::string& clientName);
    void disconnect(uint32_t clientId);
    void handleCall(uint32_t clientId, const SimCall& call);

    // Time: frames, per-second replies, due creations, the user script, the track.
    void advance(Clock::time_point now);
    // When advance() next has something to do.
    Clock::time_point nextDue() const;

    // The control port's commands; each returns a JSON reply ({"ok":true,...} or {"ok":false,"error"}).
    nlohmann::json command(const std::vector<std::string>& words, const std::string& restAfterTwo);
    // Blocks up to the timeout until n more frames were sent; false on time-out or without frames.
    bool waitFrames(uint64_t count, std::chrono::milliseconds timeout);

    std::mutex& mutex() { return mutex_; }

private:
    struct PendingFacilityAnswer {
        uint32_t clientId = 0;
        Clock::time_point due;
        std::vector<Bytes> records;
        bool dropAfter = false;
    };

    struct PendingCreation {
        uint32_t clientId = 0;
        uint32_t packetId = 0;
        DWORD requestId = 0;
        std::string title;
        std::string tail;
        SIMCONNECT_DATA_INITPOSITION position{};
        Clock::time_point due;
    };

    // All private members are called with mutex_ held.
    void send(uint32_t clientId, const Bytes& record);
    void sendException(uint32_t clientId, DWORD code, DWORD sendId, DWORD index, std::string_view why);
    void broadcastSystemEvent(SystemEvent event, const std::function<Bytes(DWORD eventId)>& build);
    void announceAdded(const SimObject& object);
    void removeObject(uint32_t objectId);
    SimObject* findObject(uint32_t clientId, DWORD objectId);
    // The object a call names in its first argument; nullptr, after an exception "<action>: object <id> unknown"
    // naming that argument, when there is none.
    SimObject* objectOfCall(const ClientState& client, const SimCall& call, std::string_view action);
    SimObject& user();
    Surroundings surroundingsOf(const SimObject& object, Clock::time_point now) const;

    void onRegistration(ClientState& client, const SimCall& call);
    void onRequestData(ClientState& client, const SimCall& call);
    void onRequestByType(ClientState& client, const SimCall& call);
    void onSetData(ClientState& client, const SimCall& call);
    void onTransmitEvent(ClientState& client, const SimCall& call);
    void onCreate(ClientState& client, const SimCall& call);
    void onRemove(ClientState& client, const SimCall& call);
    void onReleaseControl(ClientState& client, const SimCall& call);
    void onFlightPlan(ClientState& client, const SimCall& call);
    void onRequestFacility(ClientState& client, const SimCall& call);
    void deliverFacilityAnswer(const PendingFacilityAnswer& answer);
    nlohmann::json facilityCommand(const std::vector<std::string>& words);

    bool sendObjectData(ClientState& client, DWORD requestId, DWORD defineId, DWORD objectId);
    void completeCreation(const PendingCreation& pending, Clock::time_point now);
    void applyUserScript(Clock::time_point now);
    void moveFreeObjects(double seconds);
    void sendFrames();
    void sendPeriodic(Clock::time_point now, bool frameTick);
    void countCall(SimCallKind kind, Clock::time_point now);

    nlohmann::json objectJson(const SimObject& object, Clock::time_point now) const;
    nlohmann::json simCommand(const std::vector<std::string>& words, const std::string& rest);
    nlohmann::json userCommand(const std::vector<std::string>& words, const std::string& rest);
    nlohmann::json worldCommand(const std::vector<std::string>& words);
    nlohmann::json createCommand(const std::vector<std::string>& words);
    nlohmann::json injectCommand(const std::vector<std::string>& words);
    nlohmann::json observeCommand(const std::vector<std::string>& words);
    std::vector<uint32_t> targetClients(const std::vector<std::string>& words, size_t at) const;
    void setRunning(bool running);
    void resetWorld();

    mutable std::mutex mutex_;
    std::condition_variable frameSent_;
    ClientSink& sink_;
    StartOptions options_;
    Clock::time_point startedAt_;

    std::map<uint32_t, ClientState> clients_;
    std::map<uint32_t, SimObject> objects_;
    uint32_t userId_;
    uint32_t nextObjectId_;
    std::deque<PendingCreation> pending_;
    std::vector<uint32_t> addedAfterByType_;

    SimulatorIdentity identity_;
    CreationOptions creation_;
    TitleRules titles_;
    Terrain terrain_;
    ZuluClock zulu_;
    std::optional<UserScript> userScript_;
    Clock::time_point userScriptStart_{};
    bool running_ = true;
    bool keepOrphans_ = false;
    bool framesWhilePaused_ = true;
    double frameHz_;
    Clock::time_point nextFrame_;
    Clock::time_point lastAdvance_;
    uint64_t frameCount_ = 0;
    std::filesystem::path facilityDir_;
    bool facilityNoEnd_ = false;
    std::map<std::string, FacilityFault> facilityFaults_; // by upper-case ICAO code
    std::vector<PendingFacilityAnswer> facilityAnswers_;
    std::mt19937 random_{12345};

    TraceWriter trace_;
    TrackWriter track_;
    std::vector<nlohmann::json> exceptionsSent_;
    std::map<std::string, CallCounter> callCounts_;
};

} // namespace hlw::standin
