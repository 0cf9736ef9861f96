#include "core/user_warning.h"

#include "core/log.h"
#include "core/message_line.h"

#include <atomic>

namespace hlw {
namespace {

constinit std::atomic<UserWarningHook> userWarningHook{nullptr};

} // namespace

void gf_installUserWarningHook(UserWarningHook hook) noexcept
{
    userWarningHook.store(hook, std::memory_order_release);
}

void gf_warnUser(std::string_view text)
{
    gf_logAlert(text);
    if (const UserWarningHook hook = userWarningHook.load(std::memory_order_acquire)) {
        hook(text);
    } else {
        gf_setMessage(text, false);
    }
}

} // namespace hlw
