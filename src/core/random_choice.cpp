#include "core/random_choice.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace hlw {
namespace {

constinit std::atomic<RandomSettingReader> randomSettingReader{nullptr};

std::mt19937 lf_seededEngine()
{
    std::random_device device;
    const auto nanoseconds = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    const auto threadHash = std::hash<std::thread::id>{}(std::this_thread::get_id());
    std::seed_seq seeds{static_cast<uint32_t>(device()), static_cast<uint32_t>(nanoseconds),
                        static_cast<uint32_t>(nanoseconds >> 32), static_cast<uint32_t>(threadHash)};
    return std::mt19937(seeds);
}

thread_local std::optional<std::mt19937> threadEngine;

} // namespace

void gf_installRandomSettingReader(RandomSettingReader reader) noexcept
{
    randomSettingReader.store(reader, std::memory_order_release);
}

bool gf_randomChoicesOn() noexcept
{
    const RandomSettingReader reader = randomSettingReader.load(std::memory_order_acquire);
    return reader == nullptr || reader();
}

std::mt19937& gf_threadRandomEngine()
{
    if (!threadEngine) {
        threadEngine.emplace(lf_seededEngine());
    }
    return *threadEngine;
}

void gf_seedThreadRandomEngine(uint32_t seed)
{
    threadEngine.emplace(seed);
}

std::size_t gf_randomIndex(std::size_t n)
{
    if (n < 2 || !gf_randomChoicesOn()) {
        return 0;
    }
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(gf_threadRandomEngine());
}

void gf_shuffle(std::vector<uint16_t>& indexes)
{
    if (indexes.size() < 2 || !gf_randomChoicesOn()) {
        return;
    }
    std::shuffle(indexes.begin(), indexes.end(), gf_threadRandomEngine());
}

double gf_varyByPercent(double value, double percent)
{
    const bool minus = (gf_threadRandomEngine()() & 1U) != 0;
    if (percent <= 0.0) {
        return value;
    }
    const double change = value * percent / 100.0;
    return minus ? value - change : value + change;
}

} // namespace hlw
