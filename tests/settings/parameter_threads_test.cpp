// Setting values are read and written from the window thread, the worker and the readers at once.
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/parameter.h"

#include "recorded_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace hlw {
namespace {

constexpr int rounds = 2000;

// Long enough to live on the heap, so a torn copy would show as a mixed or broken text.
const std::string pathA(200, 'a');
const std::string pathB(300, 'b');

TEST(ParameterThreadsTest, TextReadersAlwaysSeeOneWholeValue)
{
    StringParameter path{"MSFS_INSTALL_PATH", pathA};
    std::atomic<int> broken{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&path, t] {
            for (int i = 0; i < rounds; ++i) {
                path.set((i + t) % 2 == 0 ? pathA : pathB);
            }
        });
        threads.emplace_back([&path, &broken] {
            for (int i = 0; i < rounds; ++i) {
                const std::string value = path.get();
                if (value != pathA && value != pathB) {
                    ++broken;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(broken.load(), 0);
}

TEST(ParameterThreadsTest, NumbersAndFlagsFromSeveralThreads)
{
    IntParameter range{"RANGE", 40, 2, 100};
    BoolParameter flag{"RANDOM", true};
    std::atomic<int> outside{0};
    std::thread writer([&] {
        for (int i = 0; i < rounds; ++i) {
            range.setClamped(i);
            flag.set(i % 2 == 0);
        }
    });
    std::thread reader([&] {
        for (int i = 0; i < rounds; ++i) {
            const int32_t value = range.get();
            if (value < 2 || value > 100) {
                ++outside;
            }
            (void)flag.get();
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(outside.load(), 0);
    EXPECT_EQ(range.get(), 100);
}

// The engine replaces the callsign list while the window fills its list box from it.
TEST(ParameterThreadsTest, RangeAndItsDerivedValuesStayTogetherWhenSetFromTwoThreads)
{
    // The window's range list and the worker's automatic range.
    std::vector<std::thread> threads;
    for (const int32_t nm : {20, 100}) {
        threads.emplace_back([nm] {
            for (int i = 0; i < rounds; ++i) {
                gf_setRange(nm);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const int32_t range = settings::range.get();
    EXPECT_EQ(rangeNm.load(), static_cast<double>(range));
    EXPECT_EQ(rangeMetres.load(), range * 1852);
}

TEST(ParameterThreadsTest, CallsignListReplacedWhileTheWindowFillsFromIt)
{
    test::RecordedWindow window;
    auto list = std::make_shared<SharedTextList>(std::vector<std::string>{""});
    SharedStringComboParameter callsigns{"CALLSIGN_2_OBJECTID", "", list, 32831, 259};
    std::thread engine([&] {
        for (int i = 0; i < rounds; ++i) {
            list->assign({"DLH" + std::to_string(i), "BAW" + std::to_string(i), "KLM" + std::to_string(i)});
            callsigns.set("BAW" + std::to_string(i));
        }
    });
    std::thread windowThread([&] {
        for (int i = 0; i < rounds / 10; ++i) {
            callsigns.fillCombo();
            gf_setStringControlText(callsigns);
            (void)callsigns.findCurrent();
        }
    });
    engine.join();
    windowThread.join();
    callsigns.fillCombo();
    EXPECT_EQ(window.port.control(callsigns.controlId())->items.size(), 3U);
    EXPECT_EQ(callsigns.findCurrent(), 1);
    EXPECT_EQ(window.port.comboSelection(callsigns.controlId()), 1);
}

} // namespace
} // namespace hlw
