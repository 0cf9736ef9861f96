#pragma once
// The in-process back end for unit tests: while a SimRecordingScope lives, SimConnect_Open creates
// connections that record every call instead of sending it, and whose dispatch hands out records the
// test injected. Everything else (packet ids, "last sent packet id", failures, dispatch rules) behaves
// as with the real back end.
#include "platform/sim/sim_wire.h"
#include "platform/sim/simconnect_shim.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

class SimRecordingHub;

class SimRecordingScope {
public:
    // Throws std::logic_error when another scope is alive.
    SimRecordingScope();
    ~SimRecordingScope();
    SimRecordingScope(const SimRecordingScope&) = delete;
    SimRecordingScope& operator=(const SimRecordingScope&) = delete;

    // While set, SimConnect_Open fails as when no simulator listens.
    void refuseOpen(bool refuse);
    // How many opens were refused so far in this scope.
    uint32_t refusedOpens() const;
    // Every handle SimConnect_Open returned in this scope, in order; closed ones included.
    std::vector<HANDLE> openedHandles() const;

    // The methods below take a handle of this scope (also after it was closed) and throw
    // std::invalid_argument for any other.
    std::string clientName(HANDLE handle) const;
    // The calls sent so far, in packet id order (failed calls are not sent and not recorded).
    std::vector<SimCall> calls(HANDLE handle) const;
    void clearCalls(HANDLE handle);
    // A receive record (see sim_records.h) that a later dispatch hands to the procedure.
    void inject(HANDLE handle, std::vector<uint8_t> record);
    // A control command as the simulator would send it, applied by a later dispatch.
    void injectControl(HANDLE handle, std::string_view command);
    // The simulator ends the connection: dispatch returns E_FAIL once the injected records are out.
    void closeFromSimulator(HANDLE handle);
    // The next count calls of kind fail at once.
    void failNext(HANDLE handle, SimCallKind kind, uint32_t count);

private:
    std::shared_ptr<SimRecordingHub> hub_;
};

}  // namespace hlw
