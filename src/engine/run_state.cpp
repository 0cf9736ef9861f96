#include "engine/run_state.h"

namespace hlw {

constinit std::atomic<bool> stopRequested{false};
constinit std::atomic<bool> userClosing{false};
constinit std::atomic<bool> simIsMsfs2020{true};
constinit std::atomic<int32_t> simCode{1};
constinit std::atomic<bool> simTimeInUse{false};
constinit std::atomic<int64_t> simUtcSeconds{0};
constinit std::atomic<bool> flightRunning{false};
constinit std::atomic<bool> simConnectError{false};
constinit std::atomic<bool> userDataArrived{false};

namespace {

class EngineRunState final : public RunStatePort {
public:
    bool stopRequested() const noexcept override { return hlw::stopRequested.load(); }
    bool userClosing() const noexcept override { return hlw::userClosing.load(); }
    bool simIsMsfs2020() const noexcept override { return hlw::simIsMsfs2020.load(); }
    int32_t simCode() const noexcept override { return hlw::simCode.load(); }
    bool simTimeInUse() const noexcept override { return hlw::simTimeInUse.load(); }
    int64_t simUtcSeconds() const noexcept override { return hlw::simUtcSeconds.load(); }
};

constinit const EngineRunState engineRunState;

} // namespace

void gf_installEngineRunState() noexcept { gf_installRunStatePort(&engineRunState); }

} // namespace hlw
