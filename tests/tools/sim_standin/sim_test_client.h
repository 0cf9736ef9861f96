#pragma once
// A test client that plays the engine's part through the real client layer: it opens a connection to
// the stand-in, keeps every record it receives, and registers what the engine registers.
#include "platform/sim/sim_program_ids.h"
#include "platform/sim/simconnect_shim.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hlw::test {

using Record = std::vector<uint8_t>;

template <typename T>
T gf_recordAs(const Record& record) {
    T value{};
    std::memcpy(&value, record.data(), std::min(sizeof(T), record.size()));
    return value;
}

DWORD gf_recordId(const Record& record);
// The data block of an object-data or facility-data record.
std::vector<uint8_t> gf_recordData(const Record& record);

class SimTestClient {
public:
    SimTestClient() = default;
    ~SimTestClient();
    SimTestClient(const SimTestClient&) = delete;
    SimTestClient& operator=(const SimTestClient&) = delete;

    // One SimConnect_Open against the stand-in on port.
    HRESULT open(uint16_t port, const char* name = "Hollowmere");
    HANDLE handle() const { return handle_; }
    void close();

    // Dispatches until a received record satisfies the predicate; that record is taken out of the
    // inbox. Nothing on time-out.
    std::optional<Record> waitFor(const std::function<bool(const Record&)>& match,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Dispatches for the given time and returns every record received meanwhile (and waiting before).
    std::vector<Record> collect(std::chrono::milliseconds duration);
    // The result of the last dispatch call (E_FAIL once the stand-in closed the connection).
    HRESULT lastDispatch() const { return lastDispatch_; }
    HRESULT pump();

    // The registrations of the engine, in the engine's order.
    void registerLikeTheEngine();
    // The packet id of the call this thread sent last.
    DWORD lastPacketId();

private:
    HANDLE handle_ = nullptr;
    std::vector<Record> inbox_;
    HRESULT lastDispatch_ = S_OK;
};

} // namespace hlw::test
