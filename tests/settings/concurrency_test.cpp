// Settings are read, changed and saved from the window thread, the worker and the readers at once.
#include "settings/control_services.h"
#include "settings/parameters_file.h"

#include "parameters_file_fixture.h"
#include "support/log_capture.h"

#include <fmt/format.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace hlw::test {
namespace {

constexpr int rounds = 2000;

// Runs one body per thread number and waits for all of them.
template <typename Body> void lf_runThreads(int count, Body body)
{
    std::vector<std::thread> threads;
    for (int thread = 0; thread < count; ++thread) {
        threads.emplace_back(body, thread);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// The window's range list and the worker's automatic range may set the range at once.
TEST(SettingThreads, RangeStaysInStepWithItsDerivedValues)
{
    lf_runThreads(2, [](int thread) {
        for (int i = 0; i < rounds; ++i) {
            gf_setRange(thread == 0 ? 20 : 100);
        }
    });
    EXPECT_EQ(rangeNm.load(), static_cast<double>(settings::range.get()));
    EXPECT_EQ(rangeMetres.load(), settings::range.get() * 1852);
}

// Whether the thread sleeps in a futex wait, that is on a lock another thread holds.
bool lf_waitsOnALock(pid_t thread)
{
    std::ifstream current(fmt::format("/proc/self/task/{}/syscall", thread));
    long number = -1;
    current >> number;
    return number == SYS_futex;
}

using ConcurrentSaves = ParametersFileTest;

// The window thread changes a setting while the worker re-reads the file: however the two meet, the load never
// falls between the change and its save, so memory and file keep the new value. The worker holds the file (its
// load has begun) until the window thread waits for it, then loads.
TEST_F(ConcurrentSaves, ALoadNeverFallsBetweenAChangeAndItsSave)
{
    struct Row {
        std::string key;
        std::function<void()> change;
        std::function<std::string()> value;
        std::string changed;
    };
    const Row rows[] = {
        {"MAIN_WINDOW_X", [] { settings::mainWindowX.setClampedAndSave(40); },
         [] { return std::to_string(settings::mainWindowX.get()); }, "40"},
        {"WEEK", [] { settings::week.setAndSave(true); }, [] { return valueText(settings::week.get()); }, "true"},
    };
    settings::mainWindowX.set(39);
    ASSERT_TRUE(gf_saveParameters(false));
    for (const Row& row : rows) {
        std::atomic<pid_t> windowThread{0};
        std::thread changer;
        bool changerWaited = false;
        {
            const auto lock = gf_lockParametersFile();
            changer = std::thread([&] {
                windowThread.store(::gettid());
                row.change();
            });
            changerWaited =
                gf_eventually([&] { return windowThread.load() != 0 && lf_waitsOnALock(windowThread.load()); });
            gf_readParameters();
        }
        changer.join();
        ASSERT_TRUE(changerWaited) << row.key << ": the changing thread never waited for the settings file";
        EXPECT_EQ(row.value(), row.changed) << row.key;
        EXPECT_EQ(stored(row.key), row.changed) << row.key;
    }
}

// Saves of all kinds, loads and lookups at once: every last value reaches the file, readers see whole texts.
TEST_F(ConcurrentSaves, LoseNoUpdate)
{
    ASSERT_TRUE(gf_saveParameters(false));
    constexpr int saves = 40;
    std::atomic<int> broken{0};
    lf_runThreads(6, [&broken](int thread) {
        for (int i = 1; i <= saves; ++i) {
            if (const std::string text = settings::liveryFolders[0].get();
                thread == 5 && !text.empty() && text != fmt::format("folder 0 {}", text.substr(9))) {
                ++broken;
            }
            if (thread < 3) {
                settings::liveryFolders[static_cast<size_t>(thread)].setAndSave(fmt::format("folder {} {}", thread, i));
                settings::destination.setAndSave(fmt::format("T{}-{}", thread, i));
            }
            if (thread == 0) {
                settings::maxHoldingMinutes.setClampedAndSave(i);
            } else if (thread == 1) {
                settings::week.setAndSave(i % 2 == 1);
            } else if (thread == 2) {
                EXPECT_TRUE(gf_readStoredIntParameter("MAX_HOLDING_MINUTES").has_value());
            } else if (thread < 5 && i % 4 == 0) {
                EXPECT_TRUE(thread == 3 ? !gf_readParameters() : gf_saveParameters(false));
            }
        }
    });
    for (int thread = 0; thread < 3; ++thread) {
        EXPECT_EQ(stored(fmt::format("lfolder{}", thread)), fmt::format("folder {} {}", thread, saves));
    }
    EXPECT_EQ(stored("MAX_HOLDING_MINUTES"), std::to_string(saves));
    EXPECT_EQ(stored("WEEK"), "false");
    EXPECT_EQ(stored("DESTINATION"), settings::destination.get());
    EXPECT_EQ(stored().size(), defaultSettings().size());
    EXPECT_EQ(broken.load(), 0);
}

// A change made while a load runs is neither overwritten in memory by the loaded value nor lost from the file.
TEST_F(ConcurrentSaves, ChangeDuringALoadSurvivesIt)
{
    settings::destination.set("EHAM");
    ASSERT_TRUE(gf_saveParameters(false));
    std::thread changer;
    {
        // This thread holds the file as a load does; the change arrives meanwhile.
        const auto lock = gf_lockParametersFile();
        changer = std::thread([] { settings::destination.setAndSave("LOWW"); });
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (settings::destination.get() != "LOWW" && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        gf_readParameters();
    }
    changer.join();
    EXPECT_EQ(settings::destination.get(), "LOWW");
    EXPECT_EQ(stored("DESTINATION"), "LOWW");
}

} // namespace
} // namespace hlw::test
