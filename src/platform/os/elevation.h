#pragma once

namespace hlw::os {

// True when the program runs with the administrator's rights (as root).
bool isElevated() noexcept;

} // namespace hlw::os
