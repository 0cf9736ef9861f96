#pragma once
// Whether another process of this machine still runs, for files named after the process that made them.

namespace hlw::os {

// True while a process with this id exists (also one of another user); false for ids that no process has.
bool processIsRunning(long processId) noexcept;

} // namespace hlw::os
