#include "engine/base/run_state.h"

#include <array>

namespace hlw {

constinit std::atomic<bool> stopRequested{false};
constinit std::atomic<bool> userClosing{false};
constinit std::atomic<bool> flightRunning{false};
constinit std::atomic<bool> simConnectError{false};
constinit std::atomic<bool> userDataArrived{false};
constinit std::atomic<bool> productionMode{false};
constinit std::atomic<bool> isRestart{false};
constinit std::atomic<bool> dataFilesRead{false};
constinit std::atomic<bool> rtOnThisPc{false};
constinit std::atomic<bool> rtLinkPending{true};
constinit std::atomic<bool> simTimeEnabled{false};
constinit std::atomic<uint64_t> nowWeekdaySlot{0};
constinit std::atomic<bool> simIsMsfs2020{true};
constinit std::atomic<int32_t> simCode{1};
constinit std::atomic<bool> simTimeInUse{false};
constinit std::atomic<int64_t> simUtcSeconds{0};

namespace {

constexpr std::array<std::string_view, 9> exitReasonNames{
    "NOT YET SET",  "SIM WAS CLOSED",   "NEW FLIGHT",   "NEW SETTINGS", "USER CLOSED SIM",
    "SIMCONNECT ERROR", "READER ERROR", "SYSTEM ERROR", "NEW VERSION",
};

// Reason in the low 32 bits, restart seconds in the high 32 bits; 0 is "not set".
constinit std::atomic<uint64_t> stopWord{0};

constexpr uint64_t lf_pack(ExitReason reason, int32_t seconds) noexcept
{
    return static_cast<uint64_t>(static_cast<uint32_t>(reason)) |
           (static_cast<uint64_t>(static_cast<uint32_t>(seconds)) << 32U);
}

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

std::string_view gf_exitReasonName(ExitReason reason) noexcept
{
    const auto index = static_cast<std::size_t>(reason);
    return index < exitReasonNames.size() ? exitReasonNames[index] : std::string_view("UNKNOWN");
}

bool StopDecision::restarts() const noexcept
{
    return reason == ExitReason::newSettings || reason == ExitReason::simConnectError ||
           reason == ExitReason::readerError;
}

bool gf_requestStop(ExitReason reason, int32_t restartSeconds) noexcept
{
    // The word before the flag: whoever sees stopRequested also sees a reason.
    uint64_t expected = 0;
    const bool first = stopWord.compare_exchange_strong(expected, lf_pack(reason, restartSeconds));
    stopRequested.store(true);
    return first;
}

void gf_forceSystemErrorStop() noexcept
{
    stopWord.store(lf_pack(ExitReason::systemError, 0));
    stopRequested.store(true);
}

StopDecision gf_stopDecision() noexcept
{
    const uint64_t word = stopWord.load();
    return {static_cast<ExitReason>(static_cast<int32_t>(word & 0xFFFFFFFFU)), static_cast<int32_t>(word >> 32U)};
}

void gf_resetRunFlags() noexcept
{
    stopWord.store(0);
    stopRequested.store(false);
    flightRunning.store(false);
    simConnectError.store(false);
    userDataArrived.store(false);
    simTimeEnabled.store(false);
    simTimeInUse.store(false);
    simUtcSeconds.store(0);
    rtLinkPending.store(true);
}

void gf_installEngineRunState() noexcept { gf_installRunStatePort(&engineRunState); }

} // namespace hlw
