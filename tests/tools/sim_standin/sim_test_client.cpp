#include "sim_test_client.h"

#include "engine_registrations.h"

#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

namespace hlw::test {
namespace {

using namespace hlw::sim_ids;

void lf_keep(SIMCONNECT_RECV* record, DWORD size, void* context) {
    auto* inbox = static_cast<std::vector<Record>*>(context);
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    inbox->emplace_back(bytes, bytes + size);
}

} // namespace

DWORD gf_recordId(const Record& record) { return gf_recordAs<SIMCONNECT_RECV>(record).dwID; }

std::vector<uint8_t> gf_recordData(const Record& record) {
    constexpr size_t head = SIMCONNECT_SIMOBJECT_DATA_HEAD_SIZE;
    return record.size() > head ? std::vector<uint8_t>(record.begin() + head, record.end()) : std::vector<uint8_t>{};
}

SimTestClient::~SimTestClient() { close(); }

HRESULT SimTestClient::open(uint16_t port, const char* name) {
    ::setenv("HLMR_SIM_PORT", std::to_string(port).c_str(), 1);
    return SimConnect_Open(&handle_, name, nullptr, 0, nullptr, 0);
}

void SimTestClient::close() {
    if (handle_ != nullptr) {
        SimConnect_Close(handle_);
        handle_ = nullptr;
    }
}

HRESULT SimTestClient::pump() {
    lastDispatch_ = SimConnect_CallDispatch(handle_, lf_keep, &inbox_);
    return lastDispatch_;
}

std::optional<Record> SimTestClient::waitFor(const std::function<bool(const Record&)>& match,
                                             std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
            if (match(*it)) {
                Record found = std::move(*it);
                inbox_.erase(it);
                return found;
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<Record> SimTestClient::collect(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pump();
    return std::exchange(inbox_, {});
}

void SimTestClient::registerLikeTheEngine() {
    SimConnect_SubscribeToSystemEvent(handle_, kEventSim, "Sim");
    SimConnect_SubscribeToSystemEvent(handle_, kEventObjectAdded, "ObjectAdded");
    SimConnect_SubscribeToSystemEvent(handle_, kEventObjectRemoved, "ObjectRemoved");
    SimConnect_SubscribeToSystemEvent(handle_, kEventFlightLoaded, "FlightLoaded");
    SimConnect_SubscribeToSystemEvent(handle_, kEventFrame, "Frame");
    for (const EngineDatum& datum : gc_engineDatums) {
        SimConnect_AddToDataDefinition(handle_, datum.define, datum.name, datum.unit, datum.type, 0.0f,
                                       SIMCONNECT_UNUSED);
    }
    for (const EngineEvent& event : gc_engineEvents) {
        SimConnect_MapClientEventToSimEvent(handle_, event.id, event.name);
    }
    for (uint32_t member : gc_engineGroupMembers) {
        SimConnect_AddClientEventToNotificationGroup(handle_, kGroupAi, member, TRUE);
    }
    SimConnect_SetNotificationGroupPriority(handle_, kGroupAi, kGroupAiPriority);
}

DWORD SimTestClient::lastPacketId() {
    DWORD id = 0;
    SimConnect_GetLastSentPacketID(handle_, &id);
    return id;
}

} // namespace hlw::test
