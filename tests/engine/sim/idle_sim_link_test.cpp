#include "engine/base/run_state.h"
#include "engine/sim/idle_sim_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace hlw {
namespace {

using namespace std::chrono_literals;

bool lf_reportWithin(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (userDataArrived.exchange(false)) {
            return true;
        }
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

// The link reports on its own thread, stops at once when asked, and can be started again by the next run.
TEST(IdleSimLink, ReportsUntilStoppedAndStartsAgain)
{
    gf_resetRunFlags();
    IdleSimLink link(IdleSimLink::sampleCentre, 20ms);
    EXPECT_DOUBLE_EQ(link.requestUserPosition()->latitude, 52.3086);
    for (int run = 0; run < 2; ++run) {
        link.start();
        EXPECT_TRUE(flightRunning.load());
        EXPECT_TRUE(lf_reportWithin(2s));
        EXPECT_TRUE(lf_reportWithin(2s));
        const auto stopAsked = std::chrono::steady_clock::now();
        link.stop();
        link.join();
        EXPECT_LT(std::chrono::steady_clock::now() - stopAsked, 100ms);
        userDataArrived.store(false);
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(userDataArrived.load());
        gf_resetRunFlags();
    }
}

} // namespace
} // namespace hlw
