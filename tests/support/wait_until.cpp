#include "support/wait_until.h"

#include <thread>

namespace hlw::test {

bool gf_waitUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& condition,
                  std::chrono::milliseconds step)
{
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(step);
    }
    return true;
}

} // namespace hlw::test
