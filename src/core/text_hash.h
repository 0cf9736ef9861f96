#pragma once
// A hash for text-keyed hash containers that looks up std::string_view and C strings without building a
// std::string first (with std::equal_to<> as the key comparison).
#include <cstddef>
#include <functional>
#include <string_view>

namespace hlw {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
};

} // namespace hlw
