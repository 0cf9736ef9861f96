#pragma once
// Points and rectangles of the window layer, in pixels.
#include <algorithm>
#include <cstdint>

namespace hlw::ui {

struct Point {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle; right and bottom lie just outside it.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const noexcept { return right - left; }
    int32_t height() const noexcept { return bottom - top; }
    bool empty() const noexcept { return right <= left || bottom <= top; }
    Point topLeft() const noexcept { return {left, top}; }
    // The same size with its top-left corner at the point.
    Rect movedTo(Point corner) const noexcept
    {
        return {corner.x, corner.y, corner.x + width(), corner.y + height()};
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// The smallest rectangle holding both; an empty one adds nothing.
inline Rect gf_unite(const Rect& a, const Rect& b) noexcept
{
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace hlw::ui
