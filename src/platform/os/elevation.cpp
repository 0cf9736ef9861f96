#include "platform/os/elevation.h"

#include <unistd.h>

namespace hlw::os {

bool isElevated() noexcept { return geteuid() == 0; }

} // namespace hlw::os
