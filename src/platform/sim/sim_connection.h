#pragma once
// One connection of the simulator client layer, whatever carries it. Owns what both back ends share:
// packet ids stamped under the send mutex, the calling thread's last sent packet id, the queue of
// received frames that dispatch hands out one by one, control commands, and the "fail next calls"
// counters.
//
// Lock order: the send mutex and the incoming mutex are never held together, and neither is held
// while the dispatch procedure runs, so the procedure may call back into the layer.
#include "platform/sim/sim_wire.h"
#include "platform/sim/simconnect_shim.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace hlw {

class SimConnection {
public:
    explicit SimConnection(std::string clientName);
    virtual ~SimConnection() = default;
    SimConnection(const SimConnection&) = delete;
    SimConnection& operator=(const SimConnection&) = delete;

    // Stamps the call with the next packet id and sends it. E_FAIL when closed, when a "fail next"
    // counter for this kind is pending, or when the transport refuses it.
    HRESULT send(SimCall call);
    // Delivers the records waiting at the time of the call; see SimConnect_CallDispatch.
    HRESULT dispatch(DispatchProc proc, void* context);
    // Sends the closing call (best effort) and ends the transport. Later calls fail.
    void close();

    // The packet id of the last call this thread sent on this connection.
    std::optional<DWORD> lastSentPacketId() const;
    // Makes the next count calls of kind fail with E_FAIL without being sent (0 cancels).
    void failNext(SimCallKind kind, uint32_t count);
    // Uses up one pending failure of kind; true when the call must fail.
    bool consumeFailure(SimCallKind kind);

    const std::string& clientName() const { return clientName_; }
    bool closed() const { return closed_.load(); }

protected:
    // Puts one call on its way; called under the send mutex, in packet id order.
    virtual bool transmit(const SimCall& call) = 0;
    // Appends the frames that have arrived to out without waiting; false once the peer has closed or
    // the stream is unusable. Called under the incoming mutex.
    virtual bool receive(std::vector<WireFrame>& out) = 0;
    // Ends the transport so that blocked and later transport calls return at once.
    virtual void shutdownTransport() = 0;

private:
    void handleFrame(WireFrame& frame, DispatchProc proc, void* context);
    void applyControl(const WireFrame& frame);

    const std::string clientName_;
    const uint64_t serial_;  // tells connections apart in the thread-local packet id memory

    std::mutex sendMutex_;
    DWORD lastPacketId_ = 0;

    std::mutex incomingMutex_;
    std::deque<WireFrame> incoming_;
    bool peerClosed_ = false;

    std::array<std::atomic<uint32_t>, kSimCallKindCount + 1> failNext_{};
    std::atomic<bool> closed_{false};
};

// The handle table: handles are numbers that are never reused, so a closed or made-up handle is
// recognised instead of followed.
HANDLE gf_simAddConnection(std::shared_ptr<SimConnection> connection);
std::shared_ptr<SimConnection> gf_simFindConnection(HANDLE handle);
std::shared_ptr<SimConnection> gf_simRemoveConnection(HANDLE handle);

}  // namespace hlw
