#pragma once
// Invariant checks of the fuzz targets: a broken invariant aborts, so that libFuzzer keeps the input as a crash
// and the corpus replay fails.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace hlw::fuzz {

inline void check(bool holds, const char* invariant)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz invariant broken: %s\n", invariant);
        std::abort();
    }
}

inline std::string_view asText(const uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// True when part is a view into whole (also the empty view at any place of it, and any empty view).
inline bool isInside(std::string_view part, std::string_view whole)
{
    if (part.empty()) {
        return true;
    }
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

} // namespace hlw::fuzz
