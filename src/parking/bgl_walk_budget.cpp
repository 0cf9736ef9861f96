#include "parking/bgl_walk_budget.h"

#include "core/log.h"

#include <fmt/format.h>

#include <utility>

namespace hlw {

BglWalkBudget::BglWalkBudget(std::string pathText, int64_t steps)
    : pathText_(std::move(pathText)), steps_(steps), stepsLeft_(steps)
{
}

bool BglWalkBudget::step()
{
    if (stepsLeft_ > 0) {
        --stepsLeft_;
        return true;
    }
    if (!spent_) {
        spent_ = true;
        gf_logAlert(fmt::format("Error: {} needs more than {} steps through its records \u2014 possible corrupt BGL or "
                                "malformed input, the rest of it is not read.",
                                pathText_, steps_));
    }
    return false;
}

bool BglWalkBudget::mayLog() noexcept
{
    return ++messages_ <= bglFileMaxMessages;
}

void BglWalkBudget::alert(std::string_view text) noexcept
{
    if (mayLog()) {
        gf_logAlert(text);
    }
}

void BglWalkBudget::note(std::string_view text) noexcept
{
    if (mayLog()) {
        gf_log(text);
    }
}

void BglWalkBudget::logLeftOut() const
{
    if (messages_ > bglFileMaxMessages) {
        gf_log(fmt::format("   {} more messages about the records of {} left out", messages_ - bglFileMaxMessages,
                           pathText_));
    }
}

} // namespace hlw
