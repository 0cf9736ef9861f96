#include "support/sim_recording.h"

#include "platform/sim/sim_connection.h"
#include "platform/sim/sim_open_handler.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace hlw {
namespace {

class RecordingConnection final : public SimConnection {
public:
    using SimConnection::SimConnection;

    std::vector<SimCall> calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

    void clearCalls() {
        const std::lock_guard lock(mutex_);
        calls_.clear();
    }

    void inject(WireFrame frame) {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(frame));
    }

    void closeFromSimulator() {
        const std::lock_guard lock(mutex_);
        simulatorClosed_ = true;
    }

protected:
    bool transmit(const SimCall& call) override {
        const std::lock_guard lock(mutex_);
        calls_.push_back(call);
        return true;
    }

    bool receive(std::vector<WireFrame>& out) override {
        const std::lock_guard lock(mutex_);
        for (WireFrame& frame : waiting_) {
            out.push_back(std::move(frame));
        }
        waiting_.clear();
        return !simulatorClosed_;
    }

    void shutdownTransport() override {}

private:
    mutable std::mutex mutex_;
    std::vector<SimCall> calls_;
    std::vector<WireFrame> waiting_;
    bool simulatorClosed_ = false;
};

std::mutex lf_activeMutex;
std::shared_ptr<SimRecordingHub> lf_active;

}  // namespace

class SimRecordingHub {
public:
    struct Opened {
        HANDLE handle;
        std::shared_ptr<RecordingConnection> connection;
    };

    mutable std::mutex mutex;
    bool refuse = false;
    uint32_t refused = 0;
    std::vector<Opened> opened;

    std::shared_ptr<RecordingConnection> find(HANDLE handle) const {
        const std::lock_guard lock(mutex);
        const auto found =
            std::find_if(opened.begin(), opened.end(), [handle](const Opened& o) { return o.handle == handle; });
        if (found == opened.end()) {
            throw std::invalid_argument("not a handle of this recording scope");
        }
        return found->connection;
    }
};

namespace {

// SimConnect_Open while a scope is alive: a recording connection's handle, or a refusal.
bool lf_openRecording(const char* clientName, HANDLE* handle, HRESULT& result) {
    std::shared_ptr<SimRecordingHub> hub;
    {
        const std::lock_guard lock(lf_activeMutex);
        hub = lf_active;
    }
    if (!hub) {
        return false;
    }
    const std::lock_guard lock(hub->mutex);
    if (hub->refuse) {
        ++hub->refused;
        *handle = nullptr;
        result = E_FAIL;
        return true;
    }
    auto connection = std::make_shared<RecordingConnection>(clientName ? clientName : "");
    *handle = gf_simAddConnection(connection);
    hub->opened.push_back({*handle, std::move(connection)});
    result = S_OK;
    return true;
}

}  // namespace

SimRecordingScope::SimRecordingScope() : hub_(std::make_shared<SimRecordingHub>()) {
    const std::lock_guard lock(lf_activeMutex);
    if (lf_active) {
        throw std::logic_error("a simulator recording scope is already active");
    }
    lf_active = hub_;
    gf_simSetOpenHandler(&lf_openRecording);
}

SimRecordingScope::~SimRecordingScope() {
    {
        const std::lock_guard lock(lf_activeMutex);
        gf_simSetOpenHandler(nullptr);
        lf_active.reset();
    }
    // Handles of this scope stop working with it, so a later test never meets them.
    const std::lock_guard lock(hub_->mutex);
    for (const SimRecordingHub::Opened& o : hub_->opened) {
        gf_simRemoveConnection(o.handle);
    }
}

void SimRecordingScope::refuseOpen(bool refuse) {
    const std::lock_guard lock(hub_->mutex);
    hub_->refuse = refuse;
}

uint32_t SimRecordingScope::refusedOpens() const {
    const std::lock_guard lock(hub_->mutex);
    return hub_->refused;
}

std::vector<HANDLE> SimRecordingScope::openedHandles() const {
    const std::lock_guard lock(hub_->mutex);
    std::vector<HANDLE> handles;
    for (const SimRecordingHub::Opened& o : hub_->opened) {
        handles.push_back(o.handle);
    }
    return handles;
}

std::string SimRecordingScope::clientName(HANDLE handle) const { return hub_->find(handle)->clientName(); }

std::vector<SimCall> SimRecordingScope::calls(HANDLE handle) const { return hub_->find(handle)->calls(); }

void SimRecordingScope::clearCalls(HANDLE handle) { hub_->find(handle)->clearCalls(); }

void SimRecordingScope::inject(HANDLE handle, std::vector<uint8_t> record) {
    hub_->find(handle)->inject(WireFrame{kWireKindRecord, std::move(record)});
}

void SimRecordingScope::injectControl(HANDLE handle, std::string_view command) {
    const std::vector<uint8_t> frame = gf_encodeControl(command);
    FrameSplitter splitter;
    splitter.feed(frame);
    hub_->find(handle)->inject(*splitter.next());
}

void SimRecordingScope::closeFromSimulator(HANDLE handle) { hub_->find(handle)->closeFromSimulator(); }

void SimRecordingScope::failNext(HANDLE handle, SimCallKind kind, uint32_t count) {
    hub_->find(handle)->failNext(kind, count);
}

}  // namespace hlw
