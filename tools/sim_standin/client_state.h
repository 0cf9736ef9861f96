#pragma once
// What one client connection registered: system-event subscriptions, data and facility definitions,
// mapped client events, notification groups, standing requests, and the audit of every registration.
#include "data_definition.h"
#include "name_tables.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace hlw::standin {

struct StandingRequest {
    DWORD requestId = 0;
    DWORD defineId = 0;
    DWORD objectId = 0;
    DWORD period = 0;
    std::chrono::steady_clock::time_point next{};
};

struct ClientState {
    uint32_t id = 0;
    std::string name;
    std::vector<std::pair<SystemEvent, DWORD>> subscriptions;
    std::map<DWORD, DataDefinition> definitions;
    std::map<DWORD, SimEvent> clientEvents;
    std::map<DWORD, std::set<DWORD>> groups;
    std::map<DWORD, DWORD> groupPriorities;
    std::map<DWORD, std::vector<std::string>> facilityDefinitions;
    std::vector<StandingRequest> standing;
    // One entry per registration call, in arrival order: the call, its arguments and the outcome.
    std::vector<nlohmann::json> audit;
    uint32_t lastPacketId = 0;
};

// Calls of one function: the total and those of the last whole second.
struct CallCounter {
    uint64_t total = 0;
    uint64_t thisSecond = 0;
    uint64_t lastSecond = 0;
    int64_t second = -1;
};

} // namespace hlw::standin
