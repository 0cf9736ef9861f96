#include "platform/os/process_state.h"

#include <cerrno>
#include <csignal>
#include <limits>

#include <sys/types.h>

namespace hlw::os {

bool processIsRunning(long processId) noexcept
{
    if (processId <= 0 || processId > std::numeric_limits<pid_t>::max()) {
        return false;
    }
    // Signal 0 only asks whether the process exists; another user's process answers EPERM.
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

} // namespace hlw::os
