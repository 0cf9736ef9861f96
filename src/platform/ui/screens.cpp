#include "platform/ui/screens.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace hlw::ui {
namespace {

int64_t lf_overlap(const Rect& a, const Rect& b)
{
    const int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// How far apart along one axis two ranges lie; 0 when they touch or overlap.
int64_t lf_gap(int32_t low1, int32_t high1, int32_t low2, int32_t high2)
{
    if (high1 < low2) {
        return int64_t{low2} - high1;
    }
    if (high2 < low1) {
        return int64_t{low1} - high2;
    }
    return 0;
}

int64_t lf_squaredDistance(const Rect& a, const Rect& b)
{
    const int64_t dx = lf_gap(a.left, a.right, b.left, b.right);
    const int64_t dy = lf_gap(a.top, a.bottom, b.top, b.bottom);
    return dx * dx + dy * dy;
}

} // namespace

Rect gf_nearestWorkArea(const Rect& rect, const std::vector<Screen>& screens)
{
    const Screen* best = nullptr;
    int64_t bestOverlap = 0;
    for (const Screen& screen : screens) {
        const int64_t overlap = lf_overlap(rect, screen.bounds);
        if (overlap > bestOverlap) {
            best = &screen;
            bestOverlap = overlap;
        }
    }
    if (best == nullptr) {
        int64_t bestDistance = std::numeric_limits<int64_t>::max();
        for (const Screen& screen : screens) {
            const int64_t distance = lf_squaredDistance(rect, screen.bounds);
            if (distance < bestDistance) {
                best = &screen;
                bestDistance = distance;
            }
        }
    }
    return best == nullptr ? Rect{} : best->workArea;
}

} // namespace hlw::ui
