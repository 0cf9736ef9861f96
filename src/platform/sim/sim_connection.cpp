#include "platform/sim/sim_connection.h"

#include "platform/sim/sim_problems.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace hlw {
namespace {

// A record is handed out in a zeroed, 8-byte aligned block at least this long, so that a handler that
// reads a fixed-size record from a short one reads zeros instead of foreign memory.
constexpr size_t kMinRecordBlockBytes = 512;

std::atomic<uint64_t> lf_nextSerial{1};

// The last packet id per connection sent by this thread. A few slots suffice: a thread talks to one or
// two connections at a time, and an old entry is only ever replaced by a newer connection's.
struct SentPacket {
    uint64_t serial = 0;
    DWORD packetId = 0;
};
constexpr size_t kSentSlots = 8;
thread_local std::array<SentPacket, kSentSlots> lf_sent{};
thread_local size_t lf_sentNextSlot = 0;

void lf_rememberSent(uint64_t serial, DWORD packetId) {
    for (SentPacket& slot : lf_sent) {
        if (slot.serial == serial) {
            slot.packetId = packetId;
            return;
        }
    }
    lf_sent[lf_sentNextSlot] = {serial, packetId};
    lf_sentNextSlot = (lf_sentNextSlot + 1) % kSentSlots;
}

std::mutex lf_tableMutex;
std::unordered_map<uintptr_t, std::shared_ptr<SimConnection>> lf_table;
uintptr_t lf_nextHandle = 0x5100;

}  // namespace

SimConnection::SimConnection(std::string clientName)
    : clientName_(std::move(clientName)), serial_(lf_nextSerial.fetch_add(1)) {}

HRESULT SimConnection::send(SimCall call) {
    if (closed_.load() || consumeFailure(call.kind)) {
        return E_FAIL;
    }
    const std::lock_guard lock(sendMutex_);
    if (closed_.load()) {
        return E_FAIL;
    }
    call.packetId = ++lastPacketId_;
    if (!transmit(call)) {
        return E_FAIL;
    }
    lf_rememberSent(serial_, call.packetId);
    return S_OK;
}

std::optional<DWORD> SimConnection::lastSentPacketId() const {
    for (const SentPacket& slot : lf_sent) {
        if (slot.serial == serial_) {
            return slot.packetId;
        }
    }
    return std::nullopt;
}

void SimConnection::failNext(SimCallKind kind, uint32_t count) {
    const auto index = static_cast<size_t>(kind);
    if (index < failNext_.size()) {
        failNext_[index].store(count);
    }
}

bool SimConnection::consumeFailure(SimCallKind kind) {
    const auto index = static_cast<size_t>(kind);
    if (index >= failNext_.size()) {
        return false;
    }
    uint32_t pending = failNext_[index].load();
    while (pending > 0) {
        if (failNext_[index].compare_exchange_weak(pending, pending - 1)) {
            return true;
        }
    }
    return false;
}

HRESULT SimConnection::dispatch(DispatchProc proc, void* context) {
    if (closed_.load() || consumeFailure(SimCallKind::CallDispatch) || proc == nullptr) {
        return E_FAIL;
    }
    size_t waiting = 0;
    {
        const std::lock_guard lock(incomingMutex_);
        if (!peerClosed_) {
            std::vector<WireFrame> arrived;
            peerClosed_ = !receive(arrived);
            for (WireFrame& frame : arrived) {
                incoming_.push_back(std::move(frame));
            }
        }
        waiting = incoming_.size();
    }
    // Only the frames waiting now: a procedure that causes more records does not keep this call busy.
    // Each frame leaves the queue before it is handled, so one that throws is not handed out again.
    for (size_t i = 0; i < waiting && !closed_.load(); ++i) {
        WireFrame frame;
        {
            const std::lock_guard lock(incomingMutex_);
            if (incoming_.empty()) {
                break;  // a nested dispatch from the procedure took the rest
            }
            frame = std::move(incoming_.front());
            incoming_.pop_front();
        }
        handleFrame(frame, proc, context);
    }
    const std::lock_guard lock(incomingMutex_);
    return peerClosed_ && incoming_.empty() ? E_FAIL : S_OK;
}

void SimConnection::handleFrame(WireFrame& frame, DispatchProc proc, void* context) {
    if (frame.kind == kWireKindControl) {
        applyControl(frame);
        return;
    }
    if (frame.kind != kWireKindRecord) {
        gf_reportSimProblem(fmt::format("simulator sent a frame of unknown kind {} ({} bytes), skipped", frame.kind,
                                        frame.payload.size()));
        return;
    }
    const size_t size = frame.payload.size();
    if (size < sizeof(SIMCONNECT_RECV)) {
        gf_reportSimProblem(fmt::format("simulator sent a record of {} bytes, shorter than its head, skipped", size));
        return;
    }
    std::vector<uint64_t> block((std::max(size, kMinRecordBlockBytes) + 7) / 8, 0);
    std::memcpy(block.data(), frame.payload.data(), size);
    auto* record = reinterpret_cast<SIMCONNECT_RECV*>(block.data());
    // The frame length is what was really received; the size field is made to agree with it.
    record->dwSize = static_cast<DWORD>(size);
    proc(record, static_cast<DWORD>(size), context);
}

void SimConnection::applyControl(const WireFrame& frame) {
    const std::optional<std::string> command = gf_decodeControl(frame);
    const std::optional<SimFailNext> failure = command ? gf_parseFailNext(*command) : std::nullopt;
    if (!failure) {
        gf_reportSimProblem(fmt::format("simulator sent an unknown control command '{}', ignored",
                                        command.value_or("(unreadable)")));
        return;
    }
    failNext(failure->function, failure->count);
}

void SimConnection::close() {
    {
        const std::lock_guard lock(sendMutex_);
        if (closed_.exchange(true)) {
            return;
        }
        SimCall call;
        call.kind = SimCallKind::Close;
        call.packetId = ++lastPacketId_;
        transmit(call);
    }
    shutdownTransport();
}

HANDLE gf_simAddConnection(std::shared_ptr<SimConnection> connection) {
    const std::lock_guard lock(lf_tableMutex);
    const uintptr_t value = lf_nextHandle++;
    lf_table.emplace(value, std::move(connection));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<SimConnection> gf_simFindConnection(HANDLE handle) {
    const std::lock_guard lock(lf_tableMutex);
    const auto found = lf_table.find(reinterpret_cast<uintptr_t>(handle));
    return found == lf_table.end() ? nullptr : found->second;
}

std::shared_ptr<SimConnection> gf_simRemoveConnection(HANDLE handle) {
    const std::lock_guard lock(lf_tableMutex);
    const auto found = lf_table.find(reinterpret_cast<uintptr_t>(handle));
    if (found == lf_table.end()) {
        return nullptr;
    }
    std::shared_ptr<SimConnection> connection = std::move(found->second);
    lf_table.erase(found);
    return connection;
}

}  // namespace hlw
