#pragma once
// Random choices. Each thread draws from its own Mersenne Twister, seeded at the thread's first draw.
// The setting "RANDOM" decides whether a choice among candidates is random or always the first one; the
// settings layer installs a reader of that setting here (core does not know the settings).
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace hlw {

using RandomSettingReader = bool (*)() noexcept;
// Installed by the settings layer; nullptr restores the default: "RANDOM" on.
void gf_installRandomSettingReader(RandomSettingReader reader) noexcept;
bool gf_randomChoicesOn() noexcept;

// The calling thread's engine, created and seeded (random device, steady clock, thread id) at first use.
std::mt19937& gf_threadRandomEngine();
// Re-seeds the calling thread's engine with a fixed seed, so that tests draw a known sequence.
void gf_seedThreadRandomEngine(uint32_t seed);

// A uniform index in [0, n) while "RANDOM" is on and n >= 2; otherwise 0 without drawing.
std::size_t gf_randomIndex(std::size_t n);
// A uniformly random order while "RANDOM" is on and there are at least two elements; otherwise unchanged.
void gf_shuffle(std::vector<uint16_t>& indexes);
// value ± value·percent/100, the sign taken from the lowest bit of one draw (0: plus). Percent <= 0 returns
// the value unchanged but still draws. Independent of "RANDOM".
double gf_varyByPercent(double value, double percent);

} // namespace hlw
