#include "settings/parameters_file.h"

#include "parameters_file_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <chrono>
#include <thread>

namespace hlw::test {
namespace {

using ConcurrentSaves = ParametersFileTest;

constexpr int savesPerThread = 40;

// Three threads change and save settings of all three kinds at once: every final value reaches the file.
TEST_F(ConcurrentSaves, LoseNoUpdate)
{
    ASSERT_TRUE(gf_saveParameters(false));
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 3; ++thread) {
        threads.emplace_back([thread] {
            for (int i = 1; i <= savesPerThread; ++i) {
                settings::liveryFolders[static_cast<size_t>(thread)].setAndSave(fmt::format("folder {} {}", thread, i));
                if (thread == 0) {
                    settings::maxHoldingMinutes.set(i);
                    settings::maxHoldingMinutes.save();
                } else if (thread == 1) {
                    settings::week.set(i % 2 == 1);
                    settings::week.save();
                } else {
                    // A reader of the file between the writers.
                    EXPECT_TRUE(gf_readStoredIntParameter("MAX_HOLDING_MINUTES").has_value());
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int thread = 0; thread < 3; ++thread) {
        EXPECT_EQ(storedValue(settingsPath(), fmt::format("lfolder{}", thread)),
                  fmt::format("folder {} {}", thread, savesPerThread));
    }
    EXPECT_EQ(storedValue(settingsPath(), "MAX_HOLDING_MINUTES"), std::to_string(savesPerThread));
    EXPECT_EQ(storedValue(settingsPath(), "WEEK"), "false");
    EXPECT_EQ(storedSettings(settingsPath()).size(), listedKeys().size());
}

// Saves of the same setting from several threads leave the value that memory holds in the file.
TEST_F(ConcurrentSaves, FileEndsWithTheValueInMemory)
{
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 3; ++thread) {
        threads.emplace_back([thread] {
            for (int i = 0; i < savesPerThread; ++i) {
                settings::destination.setAndSave(fmt::format("T{}-{}", thread, i));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(storedValue(settingsPath(), "DESTINATION"), settings::destination.get());
}

// Loads and saves of all racing with one-setting saves leave a file that loads.
TEST_F(ConcurrentSaves, RaceWithLoadsAndSavesOfAll)
{
    std::thread loader([] {
        for (int i = 0; i < 10; ++i) {
            gf_readParameters();
        }
    });
    std::thread saverOfAll([] {
        for (int i = 0; i < 10; ++i) {
            gf_saveParameters(false);
        }
    });
    std::thread saver([] {
        for (int i = 0; i < savesPerThread; ++i) {
            settings::liveryFolders[9].setAndSave(std::to_string(i));
        }
    });
    loader.join();
    saverOfAll.join();
    saver.join();
    EXPECT_EQ(storedValue(settingsPath(), "lfolder9"), settings::liveryFolders[9].get());
    EXPECT_EQ(storedSettings(settingsPath()).size(), listedKeys().size());
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
    EXPECT_EQ(storedValue(settingsPath(), "DESTINATION"), "LOWW");
}

} // namespace
} // namespace hlw::test
