#pragma once
// The run flags that core services read but do not own. The traffic engine owns them (engine/run_state.h)
// and installs its view at start-up; until then, and in core's own tests, the defaults below apply.
#include <cstdint>

namespace hlw {

class RunStatePort {
public:
    virtual ~RunStatePort() = default;
    virtual bool stopRequested() const noexcept = 0;
    virtual bool userClosing() const noexcept = 0;
    // True while MSFS 2020 is the chosen simulator, false for MSFS 2024.
    virtual bool simIsMsfs2020() const noexcept = 0;
    // 1 for MSFS 2020, 2 for MSFS 2024.
    virtual int32_t simCode() const noexcept = 0;
    // True while the simulator's clock is the reference time.
    virtual bool simTimeInUse() const noexcept = 0;
    // The simulator's UTC time in seconds since 1970; 0 until the simulator reports it.
    virtual int64_t simUtcSeconds() const noexcept = 0;
};

// Installs the view that gf_runState() returns; nullptr restores the defaults. The port must outlive its use.
void gf_installRunStatePort(const RunStatePort* port) noexcept;

// The installed view, or the defaults: not stopping, not closing, MSFS 2020 (code 1), PC clock.
const RunStatePort& gf_runState() noexcept;

} // namespace hlw
