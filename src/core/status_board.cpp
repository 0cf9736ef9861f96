#include "core/status_board.h"

namespace hlw {

void StatusBoard::setRepaintHook(RepaintHook hook)
{
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

StatusValues StatusBoard::snapshot() const
{
    std::lock_guard lock(mutex_);
    return values_;
}

void StatusBoard::reset()
{
    // The livery tables outlive a run, and so does their count.
    update([](StatusValues& values) {
        const int32_t liveries = values.liveryCount;
        values = StatusValues{};
        values.liveryCount = liveries;
    });
}

void StatusBoard::repaint()
{
    RepaintHook hook;
    {
        std::lock_guard lock(mutex_);
        hook = hook_;
    }
    if (hook) {
        hook();
    }
}

} // namespace hlw
